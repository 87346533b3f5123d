# The program's tests that build and run on both platforms from the same sources: the Linux build
# runs them on the simulated platform, the Windows build under Wine. Each build adds its own
# support/test_platform_*.cpp.
set(DRIVERINSTALLER_PORTABLE_TEST_SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/support/program_fixture.cpp
    ${CMAKE_CURRENT_LIST_DIR}/log/message_format_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/log/logger_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/main/command_dispatch_test.cpp)
