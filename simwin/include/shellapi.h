// Simulated Windows platform: ShellExecuteW of <shellapi.h>.
#pragma once

#include <windows.h>

// Starts the file without waiting for it; looks it up in the simulated machine's system folder,
// then on PATH. A drive root as the directory maps to the machine's drive folder. Returns a value
// greater than 32 on success; otherwise a value of at most 32, with the thread's last error set.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, INT showCommand);
