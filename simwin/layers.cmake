# The simulated platform's layers, each a static library that sees only the folders of its own
# layer and of those below it: an include that points up finds no file and does not build.
#
# Each layer gets an include root of its own in the build folder, holding links to the folders it
# may include from ("base/utf8.h" finds base/ through it). Sources include their own folder's
# headers through the same root.

# simwin_layer(TARGET FOLDERS folder... SOURCES source... [LINKS library...])
function(simwin_layer target)
    cmake_parse_arguments(LAYER "" "" "FOLDERS;SOURCES;LINKS" ${ARGN})
    set(root ${CMAKE_CURRENT_BINARY_DIR}/include-roots/${target})
    file(MAKE_DIRECTORY ${root})
    foreach(folder IN LISTS LAYER_FOLDERS)
        if(NOT EXISTS ${root}/${folder})
            file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
        endif()
    endforeach()
    add_library(${target} STATIC ${LAYER_SOURCES})
    target_include_directories(${target} PRIVATE ${root}
                                         PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/public)
    if(NOT WIN32)
        # The SDK's headers, which every layer may include, as a Windows program does.
        target_include_directories(${target} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
    endif()
    target_link_libraries(${target} PRIVATE ${LAYER_LINKS} project_warnings)
endfunction()
