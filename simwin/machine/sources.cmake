# The machine's files. On Windows the system's INF folder stands in for the INF store and the
# system's services for the services file.
set(SIMWIN_MACHINE_SOURCES
    machine/inf_file.cpp
    machine/inf_ndi_interfaces.cpp
    machine/netcfg_store.cpp
    machine/reboot_pending.cpp
    machine/write_lock.cpp)
if(WIN32)
    list(APPEND SIMWIN_MACHINE_SOURCES machine/inf_lookup_win32.cpp machine/services_win32.cpp)
else()
    list(APPEND SIMWIN_MACHINE_SOURCES machine/inf_store.cpp machine/services.cpp
                                       machine/text_lines.cpp)
endif()
