// The thread's last error.
#include <windows.h>

#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <string>

namespace {

thread_local DWORD g_lastError = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError() {
    // A rule on GetLastError replaces the value that is read, not the one that is kept.
    if (auto fault = simwin::detail::TakeFault("GetLastError")) {
        fault->ApplyLastError();
        const auto faked = static_cast<DWORD>(fault->result);
        simwin::detail::Record("GetLastError -> " + std::to_string(faked));
        return faked;
    }
    simwin::detail::Record("GetLastError -> " + std::to_string(g_lastError));
    return g_lastError;
}

void SetLastError(DWORD errorCode) {
    g_lastError = errorCode;
}
