target_sources(simwin PRIVATE
    kernel/close_handle.cpp
    kernel/code_page.cpp
    kernel/create_file.cpp
    kernel/current_directory.cpp
    kernel/dll_directories.cpp
    kernel/environment.cpp
    kernel/handles.cpp
    kernel/last_error.cpp
    kernel/local_time.cpp
    kernel/safe_copy.cpp
    kernel/sleep.cpp
    kernel/split_path.cpp
    kernel/temp_path.cpp
    kernel/wide_result.cpp
    kernel/win32_error.cpp
    kernel/write_file.cpp)
