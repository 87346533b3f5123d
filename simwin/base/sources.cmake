# Text conversion, the machine's folder, its files and locks, and the process's rights: POSIX or
# Win32 below one header.
set(SIMWIN_BASE_SOURCES base/utf8.cpp base/machine_root.cpp)
if(WIN32)
    list(APPEND SIMWIN_BASE_SOURCES base/atomic_file_win32.cpp base/elevation_win32.cpp
         base/lock_file_win32.cpp)
else()
    # On Linux the SDK's identifiers are defined here; on Windows they come from its uuid library.
    list(APPEND SIMWIN_BASE_SOURCES base/atomic_file_posix.cpp base/elevation_posix.cpp
         base/lock_file_posix.cpp base/sdk_guids.cpp)
endif()
