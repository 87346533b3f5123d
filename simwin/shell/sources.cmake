target_sources(simwin PRIVATE
    shell/command_line.cpp
    shell/detached_launch.cpp
    shell/path_append.cpp
    shell/path_file_exists.cpp
    shell/shell_execute.cpp)
