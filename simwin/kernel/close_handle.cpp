// CloseHandle: closes a file or token handle.
#include <windows.h>

#include "kernel/handles.h"
#include "kernel/win32_error.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <string>
#include <unistd.h>

namespace {

BOOL Recorded(BOOL result) {
    return simwin::detail::RecordResult("CloseHandle", result);
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
    if (!simwin::detail::TakeHandle(handle, &fd)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return Recorded(FALSE);
    }
    // The descriptor is gone after close(2) even when it reports an error (EINTR included).
    if (fd >= 0 && ::close(fd) != 0) {
        SetLastError(simwin::detail::Win32ErrorFromErrno(errno));
        return Recorded(FALSE);
    }
    return Recorded(TRUE);
}
