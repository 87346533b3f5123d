# The network configuration engine: the INetCfg family of objects over a staged copy of the
# machine's store. The same sources on both platforms.
set(SIMWIN_NETCFG_SOURCES
    netcfg/binding_interface.cpp
    netcfg/binding_path.cpp
    netcfg/enumerators.cpp
    netcfg/net_cfg.cpp
    netcfg/net_cfg_class.cpp
    netcfg/net_cfg_component.cpp
    netcfg/netcfg_session.cpp
    netcfg/obo_token.cpp
    netcfg/platform_call.cpp
    netcfg/staged_config.cpp)
