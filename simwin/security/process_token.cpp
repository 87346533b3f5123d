// GetCurrentProcess and OpenProcessToken: the process's access token.
#include <windows.h>

#include "kernel/handles.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cstdio>
#include <string>

namespace {

BOOL Recorded(DWORD desiredAccess, BOOL result) {
    char access[16];
    std::snprintf(access, sizeof access, "0x%x", static_cast<unsigned>(desiredAccess));
    return simwin::detail::RecordResult("OpenProcessToken " + std::string(access), result);
}

}  // namespace

// As on Windows, the pseudo handle (-1) stands for the calling process wherever a process
// handle is taken, and needs no closing.
HANDLE GetCurrentProcess() {
    return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token) {
    if (auto fault = simwin::detail::TakeFault("OpenProcessToken")) {
        fault->ApplyLastError();
        if (fault->result == FALSE) {
            return Recorded(desiredAccess, FALSE);
        }
        // A success result still opens a token, which the caller must close.
    }
    if (token == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return Recorded(desiredAccess, FALSE);
    }
    if (process != GetCurrentProcess()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return Recorded(desiredAccess, FALSE);
    }
    *token = simwin::detail::NewHandle(simwin::detail::HandleKind::Token, -1, desiredAccess);
    return Recorded(desiredAccess, TRUE);
}
