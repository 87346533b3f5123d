target_sources(simwin PRIVATE com/com_runtime.cpp com/guids.cpp)
