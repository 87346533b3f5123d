# The simulated COM runtime, kernel, shell and security functions, the fault rules' text, and
# the net.exe stand-in.
add_unit_test(simwin_runtime_tests
    simwin/com/com_runtime_test.cpp
    simwin/instrumentation/fault_rule_text_test.cpp
    simwin/kernel/code_page_test.cpp
    simwin/kernel/crt_test.cpp
    simwin/kernel/dll_directories_test.cpp
    simwin/kernel/environment_test.cpp
    simwin/kernel/file_test.cpp
    simwin/kernel/thread_and_sleep_test.cpp
    simwin/security/token_test.cpp
    simwin/shell/command_line_test.cpp
    simwin/shell/path_test.cpp
    simwin/shell/shell_execute_service_test.cpp
    simwin/shell/shell_execute_test.cpp
    simwin/tools/net_exe_test.cpp)
