#include "base/elevation.h"

#include <windows.h>

namespace simwin {

bool ReadProcessElevation(bool* elevated, int* error) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        *error = static_cast<int>(GetLastError());
        return false;
    }
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    const BOOL read =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &returned);
    const DWORD lastError = GetLastError();
    CloseHandle(token);
    if (!read) {
        *error = static_cast<int>(lastError);
        return false;
    }
    *elevated = elevation.TokenIsElevated != 0;
    return true;
}

}  // namespace simwin
