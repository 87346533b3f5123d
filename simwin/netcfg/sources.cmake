target_sources(simwin PRIVATE
    netcfg/binding_interface.cpp
    netcfg/binding_path.cpp
    netcfg/create_net_cfg_object.cpp
    netcfg/enumerators.cpp
    netcfg/net_cfg.cpp
    netcfg/net_cfg_class.cpp
    netcfg/net_cfg_component.cpp
    netcfg/netcfg_session.cpp
    netcfg/platform_call.cpp
    netcfg/staged_config.cpp
    netcfg/write_lock.cpp)
