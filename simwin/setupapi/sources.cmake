target_sources(simwin PRIVATE
    setupapi/inf_file.cpp
    setupapi/inf_store.cpp
    setupapi/setup_copy_oem_inf.cpp)
