// WriteFile: writes a block to a file handle.
#include <windows.h>

#include "kernel/handles.h"
#include "kernel/win32_error.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <string>
#include <unistd.h>

namespace {

BOOL Recorded(DWORD bytesToWrite, BOOL result) {
    return simwin::detail::RecordResult("WriteFile " + std::to_string(bytesToWrite), result);
}

BOOL Fail(DWORD bytesToWrite, DWORD error) {
    SetLastError(error);
    return Recorded(bytesToWrite, FALSE);
}

}  // namespace

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               void* overlapped) {
    if (bytesWritten != nullptr) {
        *bytesWritten = 0;
    }
    if (const auto answer = simwin::detail::FaultAnswer<BOOL>("WriteFile")) {
        return Recorded(bytesToWrite, *answer);
    }
    simwin::detail::HandleView view;
    if (!simwin::detail::LookUpHandle(file, simwin::detail::HandleKind::File, &view)) {
        return Fail(bytesToWrite, ERROR_INVALID_HANDLE);
    }
    if (overlapped != nullptr || (buffer == nullptr && bytesToWrite > 0)) {
        return Fail(bytesToWrite, ERROR_INVALID_PARAMETER);
    }
    if ((view.access & (GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA)) == 0) {
        return Fail(bytesToWrite, ERROR_ACCESS_DENIED);
    }
    if (bytesToWrite == 0) {
        return Recorded(bytesToWrite, TRUE);
    }
    // One write(2), so that an O_APPEND block lands whole at the end of the file; an interrupted
    // call wrote nothing and is tried again.
    ssize_t written = -1;
    do {
        written = ::write(view.fd, buffer, bytesToWrite);
    } while (written < 0 && errno == EINTR);
    if (written < 0) {
        return Fail(bytesToWrite, simwin::detail::Win32ErrorFromErrno(errno));
    }
    if (bytesWritten != nullptr) {
        *bytesWritten = static_cast<DWORD>(written);
    }
    // A short write leaves part of the block behind: the disk (or quota) is full.
    if (static_cast<DWORD>(written) != bytesToWrite) {
        return Fail(bytesToWrite, ERROR_DISK_FULL);
    }
    return Recorded(bytesToWrite, TRUE);
}
