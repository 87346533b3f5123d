# The simulated network configuration, the INF store and the machine's files.
add_unit_test(simwin_netcfg_tests
    simwin/netcfg/netcfg_client.cpp
    simwin/netcfg/fault_rules_test.cpp
    simwin/netcfg/install_test.cpp
    simwin/netcfg/write_lock_test.cpp
    simwin/machine/machine_store_test.cpp
    simwin/machine/atomic_file_test.cpp
    simwin/machine/store_append_test.cpp
    simwin/setupapi/setup_copy_oem_inf_test.cpp)
