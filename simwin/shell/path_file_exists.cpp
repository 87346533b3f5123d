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
    simwin::detail::Record("PathFileExistsW " + simwin::detail::JournalText(path) + " -> " +
                           std::to_string(result));
    return result;
}

}  // namespace

BOOL PathFileExistsW(LPCWSTR path) {
    if (auto fault = simwin::detail::TakeFault("PathFileExistsW")) {
        fault->ApplyLastError();
        return Recorded(path, static_cast<BOOL>(fault->result));
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
