# Creating a machine and reading its state, for the tools and the tests.
set(SIMWIN_ADMIN_SOURCES admin/machine_init.cpp admin/machine_state.cpp)
