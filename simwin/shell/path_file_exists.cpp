// PathFileExistsW: whether a file or folder exists.
#include <shlwapi.h>

#include "base/utf8.h"
#include "kernel/win32_error.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>

namespace {

BOOL Recorded(LPCWSTR path, BOOL result) {
    return simwin::detail::RecordResult("PathFileExistsW " + simwin::detail::JournalText(path),
                                        result);
}

}  // namespace

BOOL PathFileExistsW(LPCWSTR path) {
    if (const auto answer = simwin::detail::FaultAnswer<BOOL>("PathFileExistsW")) {
        return Recorded(path, *answer);
    }
    if (path == nullptr || path[0] == L'\0') {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return Recorded(path, FALSE);
    }
    struct stat info {};
    if (::stat(simwin::ToUtf8(path).c_str(), &info) != 0) {
        SetLastError(simwin::detail::Win32ErrorFromErrno(errno));
        return Recorded(path, FALSE);
    }
    return Recorded(path, TRUE);
}
