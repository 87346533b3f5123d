# Run at install time (install(CODE), component runtime) after the shipped files are installed:
# writes SHA256SUMS, the SHA-256 of each of DRIVERINSTALLER_CHECKSUMMED (names in the install
# folder) in the form sha256sum -c reads, to DRIVERINSTALLER_CHECKSUMS_FILE and installs it beside
# them. Computed from the installed files, so that it holds what the archive holds (signed
# executables included).
set(installed "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(names ${DRIVERINSTALLER_CHECKSUMMED})
list(SORT names)
set(sums "")
foreach(name IN LISTS names)
    if(NOT EXISTS "${installed}/${name}")
        message(FATAL_ERROR "SHA256SUMS: ${name} was not installed")
    endif()
    file(SHA256 "${installed}/${name}" sum)
    string(APPEND sums "${sum}  ${name}\n")
endforeach()
file(WRITE "${DRIVERINSTALLER_CHECKSUMS_FILE}" "${sums}")
file(INSTALL DESTINATION "${CMAKE_INSTALL_PREFIX}" TYPE FILE
     FILES "${DRIVERINSTALLER_CHECKSUMS_FILE}")
