// CloseHandle: closes a file or token handle.
#include <windows.h>

#include "kernel/handles.h"
#include "kernel/win32_error.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

BOOL Recorded(BOOL result) {
    return simwin::detail::RecordResult("CloseHandle", result);
}

// Removes the name an open file has now, as Windows does at the close of a handle marked for
// deletion; a name that meanwhile leads to another file is left alone.
void RemoveName(int fd) {
    std::string path;
    struct stat opened {};
    struct stat named {};
    if (!simwin::detail::ReadFinalPath(fd, &path) || ::fstat(fd, &opened) != 0 ||
        ::lstat(path.c_str(), &named) != 0 || opened.st_dev != named.st_dev ||
        opened.st_ino != named.st_ino) {
        return;
    }
    if (S_ISDIR(named.st_mode)) {
        ::rmdir(path.c_str());
    } else {
        ::unlink(path.c_str());
    }
}

}  // namespace

BOOL CloseHandle(HANDLE handle) {
    if (const auto answer = simwin::detail::FaultAnswer<BOOL>("CloseHandle")) {
        return Recorded(*answer);
    }
    // The current process's pseudo handle needs no closing; closing it does nothing.
    if (handle == GetCurrentProcess()) {
        return Recorded(TRUE);
    }
    int fd = -1;
    bool deleteOnClose = false;
    if (!simwin::detail::TakeHandle(handle, &fd, &deleteOnClose)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return Recorded(FALSE);
    }
    if (deleteOnClose) {
        RemoveName(fd);
    }
    // The descriptor is gone after close(2) even when it reports an error (EINTR included).
    if (fd >= 0 && ::close(fd) != 0) {
        SetLastError(simwin::detail::Win32ErrorFromErrno(errno));
        return Recorded(FALSE);
    }
    return Recorded(TRUE);
}
