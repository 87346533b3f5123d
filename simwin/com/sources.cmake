target_sources(simwin PRIVATE com/com_runtime.cpp com/create_net_cfg_object.cpp)
