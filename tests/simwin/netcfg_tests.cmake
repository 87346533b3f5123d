# The simulated network configuration, the INF store and the machine's files.
add_unit_test(simwin_netcfg_tests
    simwin/netcfg/netcfg_client.cpp
    simwin/netcfg/binding_interfaces_test.cpp
    simwin/netcfg/documented_answers_test.cpp
    simwin/netcfg/fault_rules_test.cpp
    simwin/netcfg/install_test.cpp
    simwin/netcfg/interface_layout_test.cpp
    simwin/netcfg/references_test.cpp
    simwin/netcfg/rehearsal_commands_test.cpp
    simwin/netcfg/sdk_methods_test.cpp
    simwin/netcfg/write_lock_test.cpp
    simwin/machine/machine_store_test.cpp
    simwin/machine/store_format_test.cpp
    simwin/machine/atomic_file_test.cpp
    simwin/machine/store_append_test.cpp
    simwin/setupapi/setup_copy_oem_inf_test.cpp)

# The Windows SDK's <netcfgx.h> as MinGW-w64 ships it, which the interface layout test compares
# with ours (the test is skipped when the file is absent).
set(SDK_NETCFGX_HEADER /usr/share/mingw-w64/include/netcfgx.h CACHE FILEPATH
    "The Windows SDK's netcfgx.h that the simulated one is compared with")
target_compile_definitions(simwin_netcfg_tests PRIVATE
    SDK_NETCFGX_HEADER="${SDK_NETCFGX_HEADER}"
    SIMWIN_NETCFGX_HEADER="${PROJECT_SOURCE_DIR}/simwin/include/netcfgx.h")

# The clients hold their references in the program's own COM pointer.
target_include_directories(simwin_netcfg_tests PRIVATE ${PROJECT_SOURCE_DIR}/DriverInstaller)
