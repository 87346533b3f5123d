target_sources(simwin PRIVATE setupapi/setup_copy_oem_inf.cpp)
