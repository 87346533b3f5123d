# The same bytes from every build of the Windows executables, wherever and whenever it runs. No
# MinGW build writes its link time into the image's header; a reproducible one (the
# windows-release preset) also keeps the build folders out of the image and its debug
# information: the sources read as ".", the build folder as "build". Other builds keep their
# folders, so that a debugger finds the sources and the compiler cache is shared between
# checkouts. The windows-release preset also builds without a compiler launcher: a compiler cache
# that rewrites paths (ccache's base_dir) would change the debug information. Included before the
# targets are added.
option(DRIVERINSTALLER_REPRODUCIBLE "Keep the build's folders out of the Windows executables" OFF)
if(MINGW)
    add_link_options(-Wl,--no-insert-timestamp)
endif()
if(MINGW AND DRIVERINSTALLER_REPRODUCIBLE)
    # The prefix added last is tried first: the build folder may lie inside the sources.
    add_compile_options("-ffile-prefix-map=${PROJECT_SOURCE_DIR}=."
                        "-ffile-prefix-map=${PROJECT_BINARY_DIR}=build")
endif()
