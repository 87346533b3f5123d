// SetDefaultDllDirectories: the folders that later DLL loads search.
#include <windows.h>

#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cstdio>
#include <string>

namespace {

constexpr DWORD kFolderFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                               LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

BOOL Recorded(DWORD directoryFlags, BOOL result) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%08x", static_cast<unsigned>(directoryFlags));
    return simwin::detail::RecordResult(std::string("SetDefaultDllDirectories ") + flags, result);
}

}  // namespace

BOOL SetDefaultDllDirectories(DWORD directoryFlags) {
    if (const auto answer = simwin::detail::FaultAnswer<BOOL>("SetDefaultDllDirectories")) {
        return Recorded(directoryFlags, *answer);
    }
    // Windows takes one or more folder flags and nothing else.
    if (directoryFlags == 0 || (directoryFlags & ~kFolderFlags) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return Recorded(directoryFlags, FALSE);
    }
    return Recorded(directoryFlags, TRUE);
}
