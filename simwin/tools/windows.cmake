# Windows-only tools of the Wine tests, built by the windows preset: the registrations that make a
# Wine prefix a test machine, and the stand-in "npf" service. For tests only: never shipped.
# Included from this folder's CMakeLists when WIN32.
add_library(simwin_wine_prefix STATIC ${CMAKE_CURRENT_LIST_DIR}/wine_prefix.cpp)
target_include_directories(simwin_wine_prefix PUBLIC ${CMAKE_CURRENT_LIST_DIR} PRIVATE ${PROJECT_SOURCE_DIR}/simwin)
target_link_libraries(simwin_wine_prefix PUBLIC advapi32 PRIVATE project_warnings)

add_executable(npf-service ${CMAKE_CURRENT_LIST_DIR}/npf_service.cpp)
target_link_libraries(npf-service PRIVATE advapi32 project_warnings)
set_target_properties(npf-service PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                             ${PROJECT_BINARY_DIR}/simwin/tools)
if(MINGW)
    # Like DriverInstaller.exe: wmain, and the runtime linked in, so that it runs on its own.
    target_link_options(npf-service PRIVATE -municode -static)
endif()
