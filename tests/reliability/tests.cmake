# Reliability: every platform call failing alone, concurrent runs, killed runs and bad input.
add_library(reliability_support STATIC reliability/support/machine_checks.cpp
                                       reliability/support/sweep_plan.cpp)
target_include_directories(reliability_support PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/reliability
                                                      ${PROJECT_SOURCE_DIR}/simwin)
target_link_libraries(reliability_support PUBLIC test_support project_warnings)

# The sweep runs the installer's entry in-process, each run on a thread of its own, to read the
# ledger of every run: nearly three thousand runs, which take longest under the sanitizers, so it
# has a time limit of its own above the presets' default.
add_unit_test(reliability_call_site_tests reliability/call_site_sweep_test.cpp TIMEOUT 2400)
target_link_libraries(reliability_call_site_tests PRIVATE reliability_support driverinstaller_core)

# The built program run as processes: many at once, killed part-way, and given bad input.
foreach(suite concurrent_runs killed_runs bad_input)
    add_unit_test(reliability_${suite}_tests reliability/${suite}_test.cpp)
    target_link_libraries(reliability_${suite}_tests PRIVATE reliability_support)
    target_compile_definitions(reliability_${suite}_tests PRIVATE
        DRIVERINSTALLER_EXE="$<TARGET_FILE:DriverInstaller>")
    add_dependencies(reliability_${suite}_tests DriverInstaller)
endforeach()

# A sample of whole runs under valgrind (left out of a sanitizer build, which valgrind cannot run).
find_program(VALGRIND_EXE valgrind)
add_unit_test(reliability_valgrind_tests reliability/valgrind_sample_test.cpp)
target_link_libraries(reliability_valgrind_tests PRIVATE reliability_support)
target_compile_definitions(reliability_valgrind_tests PRIVATE
    DRIVERINSTALLER_EXE="$<TARGET_FILE:DriverInstaller>" VALGRIND_EXE="${VALGRIND_EXE}")
add_dependencies(reliability_valgrind_tests DriverInstaller)
