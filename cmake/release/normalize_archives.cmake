# Run by CPack once it has written the archives (CPACK_POST_BUILD_SCRIPTS): strip-nondeterminism
# (Debian's strip-nondeterminism) gives every entry of each archive the same date and drops the
# access and change times the ZIP writer takes from the staged files, so that two builds give the
# same archive bytes. The date is SOURCE_DATE_EPOCH when set, else the time of the sources' last
# commit, else 1980-01-02 (the ZIP format's dates start in 1980); it is written in UTC, so that
# the machine's time zone does not matter either.
if(NOT CPACK_PACKAGE_FILES)
    message(FATAL_ERROR "normalize_archives.cmake runs from CPack (CPACK_POST_BUILD_SCRIPTS)")
endif()
find_program(STRIP_NONDETERMINISM strip-nondeterminism)
if(NOT STRIP_NONDETERMINISM)
    message(FATAL_ERROR "The release archives need strip-nondeterminism: run "
                        "scripts/install-build-deps.sh")
endif()

set(epoch "$ENV{SOURCE_DATE_EPOCH}")
if(epoch STREQUAL "")
    find_package(Git QUIET)
    if(GIT_FOUND)
        execute_process(COMMAND "${GIT_EXECUTABLE}" log -1 --format=%ct
                        WORKING_DIRECTORY "${CPACK_DRIVERINSTALLER_SOURCE_DIR}"
                        OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
                        RESULT_VARIABLE git_result)
        if(NOT git_result EQUAL 0)
            set(epoch "")
        endif()
    endif()
endif()
if(epoch STREQUAL "")
    set(epoch 315619200)
endif()

foreach(archive IN LISTS CPACK_PACKAGE_FILES)
    execute_process(COMMAND "${CMAKE_COMMAND}" -E env TZ=UTC
                            "${STRIP_NONDETERMINISM}" --type zip --timestamp "${epoch}" "${archive}"
                    RESULT_VARIABLE result)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "could not normalise ${archive}")
    endif()
endforeach()
