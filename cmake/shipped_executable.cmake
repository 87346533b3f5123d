# What each executable a setup author ships gets in the Windows build: the project's one version
# (set in the top-level project()) in a version resource, where Windows' file properties and a
# setup's version checks read it; and, in the release (DRIVERINSTALLER_SPLIT_DEBUG), a stripped
# image whose debug information lies in a file beside it.

option(DRIVERINSTALLER_SPLIT_DEBUG
       "Strip the shipped Windows executables, their debug information in .debug files beside them"
       OFF)

# ship_executable(TARGET DESCRIPTION): marks the Windows executable TARGET as shipped (the release
# archive takes it, see release.cmake) and gives it a VERSIONINFO resource (FileVersion,
# ProductVersion, FileDescription DESCRIPTION, ProductName, InternalName, OriginalFilename).
# Nothing on other platforms. Called in the folder that adds TARGET.
function(ship_executable target description)
    if(NOT WIN32)
        return()
    endif()
    set_property(GLOBAL APPEND PROPERTY DRIVERINSTALLER_SHIPPED_TARGETS ${target})
    set(VERSION_DESCRIPTION "${description}")
    set(VERSION_INTERNAL_NAME "${target}")
    set(VERSION_FILE_NAME "${target}.exe")
    set(resource "${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc")
    configure_file("${PROJECT_SOURCE_DIR}/cmake/version.rc.in" "${resource}" @ONLY)
    target_sources(${target} PRIVATE "${resource}")

    if(NOT DRIVERINSTALLER_SPLIT_DEBUG)
        return()
    endif()
    # The debug file keeps what the stripped image loses; the debug link names it and carries its
    # checksum, so that a debugger finds it beside the executable. objcopy and strip write the
    # current time into the PE header they write unless SOURCE_DATE_EPOCH gives one: 0, as the
    # linker left it.
    set(binutils ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${binutils} ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}>
                $<TARGET_FILE:${target}>.debug
        COMMAND ${binutils} ${CMAKE_STRIP} --strip-all $<TARGET_FILE:${target}>
        COMMAND ${binutils} ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
                $<TARGET_FILE:${target}>
        COMMENT "Stripping ${target}.exe, its debug information in ${target}.exe.debug"
        VERBATIM)
endfunction()
