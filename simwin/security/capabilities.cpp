#include "security/capabilities.h"

#include "base/elevation.h"
#include "kernel/win32_error.h"

namespace simwin::detail {

bool HoldsNetAdmin(bool* holds, DWORD* error) {
    int reason = 0;
    if (ReadProcessElevation(holds, &reason)) {
        return true;
    }
    *error = reason != 0 ? Win32ErrorFromErrno(reason) : static_cast<DWORD>(ERROR_INVALID_DATA);
    return false;
}

}  // namespace simwin::detail
