#include "main/elevation.h"

#include <windows.h>

bool IsProcessElevated() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) == FALSE) {
        return false;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD returnedLength = 0;
    const BOOL read =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &returnedLength);
    CloseHandle(token);
    return read != FALSE && elevation.TokenIsElevated != 0;
}
