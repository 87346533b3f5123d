// Simulated Windows platform: the path functions of <shlwapi.h>.
#pragma once

#include <windows.h>

// Joins with exactly one '/'; FALSE, buffer untouched, when the result would not fit MAX_PATH.
BOOL PathAppendW(LPWSTR path, LPCWSTR more);
BOOL PathFileExistsW(LPCWSTR path);
