# The built program run as a process on a fresh simulated machine, as a setup program runs it.
add_unit_test(driverinstaller_process_tests DriverInstaller/process/installer_process_test.cpp
              DriverInstaller/process/shared_component_test.cpp LABELS program)
target_compile_definitions(driverinstaller_process_tests PRIVATE
    DRIVERINSTALLER_EXE="$<TARGET_FILE:DriverInstaller>")
add_dependencies(driverinstaller_process_tests DriverInstaller)
