# driverinstaller-log's parts on crafted lines and files.
add_executable(driverinstaller_log_tests
    LogReader/log_line_test.cpp
    LogReader/log_file_test.cpp
    LogReader/log_location_test.cpp
    LogReader/run_splitter_test.cpp
    LogReader/result_mentions_test.cpp
    LogReader/run_summary_test.cpp
    LogReader/left_installed_test.cpp
    LogReader/reports_test.cpp
    # The whole runs' logs that the installer's process tests hold DriverInstaller to.
    support/expected_runs.cpp)
target_link_libraries(driverinstaller_log_tests PRIVATE driverinstaller_log_core GTest::gmock
                                                        GTest::gtest_main project_warnings)
target_include_directories(driverinstaller_log_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
gtest_discover_tests(driverinstaller_log_tests DISCOVERY_TIMEOUT 60)

# The reader run as a process on logs that DriverInstaller wrote on a fresh simulated machine.
add_unit_test(driverinstaller_log_process_tests LogReader/process/log_reader_process_test.cpp)
target_compile_definitions(driverinstaller_log_process_tests PRIVATE
    DRIVERINSTALLER_EXE="$<TARGET_FILE:DriverInstaller>"
    DRIVERINSTALLER_LOG_EXE="$<TARGET_FILE:driverinstaller-log>"
    PROJECT_VERSION="${PROJECT_VERSION}")
add_dependencies(driverinstaller_log_process_tests DriverInstaller driverinstaller-log)
