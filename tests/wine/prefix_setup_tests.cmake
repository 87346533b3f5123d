# The Wine prefix registrations of the test-only Windows tools (prefix_setup_probe.exe and
# npf-service.exe of the windows preset), in a Wine prefix of their own. CTest empties that prefix
# before these tests and removes it after them, so that every test run starts from a fresh one.
set(prefix_setup_prefix ${CMAKE_CURRENT_BINARY_DIR}/prefix-setup/wineprefix)

add_executable(driverinstaller_wine_prefix_tests prefix_setup_test.cpp)
target_link_libraries(driverinstaller_wine_prefix_tests PRIVATE wine_test_support
                                                                GTest::gtest_main project_warnings)
target_compile_definitions(driverinstaller_wine_prefix_tests PRIVATE
    PREFIX_SETUP_PROBE_EXE="${windows_build}/tests/wine/prefix_setup_probe.exe"
    NPF_SERVICE_EXE="${windows_build}/simwin/tools/npf-service.exe"
    PREFIX_SETUP_PREFIX="${prefix_setup_prefix}")

add_test(NAME wine_prefix_setup.empty_prefix
         COMMAND ${CMAKE_COMMAND} -E rm -rf ${prefix_setup_prefix})
add_test(NAME wine_prefix_setup.remove_prefix
         COMMAND ${CMAKE_COMMAND} -E rm -rf ${prefix_setup_prefix})
set_tests_properties(wine_prefix_setup.empty_prefix PROPERTIES
    LABELS wine FIXTURES_SETUP wine_prefix_setup RESOURCE_LOCK wine_prefix_setup)
set_tests_properties(wine_prefix_setup.remove_prefix PROPERTIES
    LABELS wine FIXTURES_CLEANUP wine_prefix_setup RESOURCE_LOCK wine_prefix_setup)
# The tests share the prefix, which the first of them creates: one at a time.
gtest_discover_tests(driverinstaller_wine_prefix_tests
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS wine RESOURCE_LOCK wine_prefix_setup FIXTURES_REQUIRED wine_prefix_setup
               TIMEOUT 300)
