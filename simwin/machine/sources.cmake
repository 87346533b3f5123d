target_sources(simwin PRIVATE
    machine/atomic_file.cpp
    machine/file_lock.cpp
    machine/machine_init.cpp
    machine/machine_root.cpp
    machine/machine_state.cpp
    machine/netcfg_store.cpp
    machine/services.cpp)
