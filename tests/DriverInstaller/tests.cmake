# The installer's operations, run in-process on a fresh simulated machine: the portable tests,
# and those that need the simulated platform's machine, fault rules, journal or ledger.
include(${CMAKE_CURRENT_LIST_DIR}/portable_tests.cmake)
add_unit_test(driverinstaller_tests
    ${DRIVERINSTALLER_PORTABLE_TEST_SOURCES}
    DriverInstaller/support/test_platform_posix.cpp
    DriverInstaller/support/installer_fixture.cpp
    DriverInstaller/log/logger_platform_calls_test.cpp
    DriverInstaller/device_manager/config_access_test.cpp
    DriverInstaller/device_manager/component_install_test.cpp
    DriverInstaller/device_manager/install_sequence_test.cpp
    DriverInstaller/device_manager/component_removal_test.cpp
    DriverInstaller/device_manager/binding_configuration_test.cpp
    DriverInstaller/device_manager/npf_service_test.cpp
    DriverInstaller/main/entry_run_test.cpp
    LABELS program)
target_link_libraries(driverinstaller_tests PRIVATE driverinstaller_core)
target_include_directories(driverinstaller_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/DriverInstaller)
