# What a setup author is handed, from the windows-release preset: one ZIP archive (CPack) of the
# shipped executables (ship_executable), README.txt and SHA256SUMS, and the debug files beside
# the stripped executables in an archive of their own:
#   DriverInstaller-<version>-win64.zip         DriverInstaller.exe, driverinstaller-log.exe,
#                                               driverinstaller-selftest.exe, README.txt,
#                                               SHA256SUMS
#   DriverInstaller-<version>-win64-debug.zip   DriverInstaller.exe.debug,
#                                               driverinstaller-log.exe.debug,
#                                               driverinstaller-selftest.exe.debug
# Included from the top-level CMakeLists for MinGW builds, after the executables are added.
get_property(shipped GLOBAL PROPERTY DRIVERINSTALLER_SHIPPED_TARGETS)

install(TARGETS ${shipped} RUNTIME DESTINATION . COMPONENT runtime)
set(release_readme "${PROJECT_BINARY_DIR}/release/README.txt")
configure_file("${CMAKE_CURRENT_LIST_DIR}/release/README.txt.in" "${release_readme}" @ONLY
               NEWLINE_STYLE CRLF)
install(FILES "${release_readme}" DESTINATION . COMPONENT runtime)
set(checksummed README.txt)
foreach(target IN LISTS shipped)
    list(APPEND checksummed ${target}.exe)
endforeach()
install(CODE "
    set(DRIVERINSTALLER_CHECKSUMMED \"${checksummed}\")
    set(DRIVERINSTALLER_CHECKSUMS_FILE \"${PROJECT_BINARY_DIR}/release/SHA256SUMS\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/release/install_checksums.cmake\")"
    COMPONENT runtime)
if(DRIVERINSTALLER_SPLIT_DEBUG)
    foreach(target IN LISTS shipped)
        install(FILES $<TARGET_FILE:${target}>.debug DESTINATION . COMPONENT debug)
    endforeach()
endif()

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME "${PROJECT_NAME}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_FILE_NAME "${PROJECT_NAME}-${PROJECT_VERSION}-win64")
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_GROUPING IGNORE)
set(CPACK_ARCHIVE_RUNTIME_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}")
set(CPACK_ARCHIVE_DEBUG_FILE_NAME "${CPACK_PACKAGE_FILE_NAME}-debug")
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# The same archive bytes from every build (see the script).
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/release/normalize_archives.cmake")
set(CPACK_DRIVERINSTALLER_SOURCE_DIR "${PROJECT_SOURCE_DIR}")
include(CPack)
