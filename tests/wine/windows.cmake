# Windows programs of the Wine tests, built by the windows preset and run under Wine by the Linux
# test build. Included from the top-level CMakeLists when WIN32; paths are relative to this file.
add_executable(prefix_setup_probe ${CMAKE_CURRENT_LIST_DIR}/prefix_setup_probe.cpp)
target_link_libraries(prefix_setup_probe PRIVATE simwin_wine_prefix project_warnings)
set_target_properties(prefix_setup_probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                    ${PROJECT_BINARY_DIR}/tests/wine)
if(MINGW)
    target_link_options(prefix_setup_probe PRIVATE -municode -static)
endif()

add_executable(wide_launcher ${CMAKE_CURRENT_LIST_DIR}/wide_launcher.cpp)
target_link_libraries(wide_launcher PRIVATE project_warnings)
set_target_properties(wide_launcher PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                               ${PROJECT_BINARY_DIR}/tests/wine)
if(MINGW)
    target_link_options(wide_launcher PRIVATE -municode -static)
endif()

add_executable(limited_launcher ${CMAKE_CURRENT_LIST_DIR}/limited_launcher.cpp)
target_link_libraries(limited_launcher PRIVATE project_warnings)
set_target_properties(limited_launcher PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                                  ${PROJECT_BINARY_DIR}/tests/wine)
if(MINGW)
    target_link_options(limited_launcher PRIVATE -municode -static)
endif()
