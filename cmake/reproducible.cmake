# The same bytes from every build of the Windows executables, wherever and whenever it runs: no
# link time in the image's header, and no build folder in the image or its debug information
# (the sources read as ".", the build folder as "build"). Included before the targets are added.
if(MINGW)
    # The prefix added last is tried first: the build folder may lie inside the sources.
    add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}=."
                        "-ffile-prefix-map=${PROJECT_BINARY_DIR}=build")
    add_link_options(-Wl,--no-insert-timestamp)
endif()
