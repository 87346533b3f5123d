# The installer's operations, run in-process on a fresh simulated machine.
add_unit_test(driverinstaller_tests
    DriverInstaller/support/installer_fixture.cpp
    DriverInstaller/log/message_format_test.cpp
    DriverInstaller/log/logger_test.cpp
    DriverInstaller/netcfg/config_access_test.cpp
    DriverInstaller/device_manager/component_install_test.cpp
    DriverInstaller/device_manager/install_sequence_test.cpp
    DriverInstaller/device_manager/component_removal_test.cpp
    DriverInstaller/device_manager/binding_configuration_test.cpp
    DriverInstaller/device_manager/npf_service_test.cpp
    DriverInstaller/main/command_dispatch_test.cpp)
target_link_libraries(driverinstaller_tests PRIVATE driverinstaller_core)
target_include_directories(driverinstaller_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/DriverInstaller)
