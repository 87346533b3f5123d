# Windows programs of the Wine tests, built by the windows preset and run under Wine by the Linux
# test build. Included from the top-level CMakeLists when WIN32; paths are relative to this file.

# A console program of the Wine tests, from the source file of its name, written to the tests'
# Wine folder.
function(wine_test_program name)
    add_executable(${name} ${CMAKE_CURRENT_LIST_DIR}/${name}.cpp)
    target_link_libraries(${name} PRIVATE project_warnings)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                                             ${PROJECT_BINARY_DIR}/tests/wine)
    if(MINGW)
        target_link_options(${name} PRIVATE -municode -static)
    endif()
endfunction()

wine_test_program(prefix_setup_probe)
target_link_libraries(prefix_setup_probe PRIVATE simwin_wine_prefix)
wine_test_program(wide_launcher)
wine_test_program(limited_launcher)
