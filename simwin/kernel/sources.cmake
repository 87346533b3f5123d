target_sources(simwin PRIVATE kernel/utf8.cpp)
