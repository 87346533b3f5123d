target_sources(simwin PRIVATE machine/machine_root.cpp)
