// GetFileType: what kind of object an open file handle refers to.
#include <windows.h>

#include "kernel/handles.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <string>
#include <sys/stat.h>

namespace {

DWORD Recorded(DWORD result) {
    return simwin::detail::RecordResult("GetFileType", result);
}

}  // namespace

DWORD GetFileType(HANDLE file) {
    if (const auto answer = simwin::detail::FaultAnswer<DWORD>("GetFileType")) {
        return Recorded(*answer);
    }
    simwin::detail::HandleView view;
    struct stat info {};
    if (!simwin::detail::LookUpHandle(file, simwin::detail::HandleKind::File, &view) ||
        ::fstat(view.fd, &info) != 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return Recorded(FILE_TYPE_UNKNOWN);
    }
    // Success leaves the last error alone: every open file here has a known type, and only a
    // valid FILE_TYPE_UNKNOWN would clear it.
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) {
        return Recorded(FILE_TYPE_CHAR);
    }
    // CreateFileW refuses FIFOs and sockets; a handle of one would be a pipe.
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
        return Recorded(FILE_TYPE_PIPE);
    }
    return Recorded(FILE_TYPE_DISK);
}
