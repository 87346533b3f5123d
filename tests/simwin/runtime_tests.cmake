# The simulated COM runtime, kernel, shell and security functions, the fault rules' text, and
# the net.exe stand-in.
add_unit_test(simwin_runtime_tests
    simwin/com/com_runtime_test.cpp
    simwin/instrumentation/fault_rule_text_test.cpp
    simwin/kernel/code_page_tests.cpp
    simwin/kernel/crt_tests.cpp
    simwin/kernel/dll_directories_tests.cpp
    simwin/kernel/environment_tests.cpp
    simwin/kernel/file_tests.cpp
    simwin/kernel/thread_and_sleep_tests.cpp
    simwin/security/token_tests.cpp
    simwin/shell/command_line_tests.cpp
    simwin/shell/path_tests.cpp
    simwin/shell/shell_execute_service_tests.cpp
    simwin/shell/shell_execute_tests.cpp
    simwin/tools/net_exe_tests.cpp)
