// Simulated Windows platform: ShellExecuteW of <shellapi.h>.
#pragma once

#include <windows.h>

// ShellExecuteW's own failure values (at most 32).
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31

// Starts the file without waiting for it. A bare name is looked up as Windows documents: in the
// calling program's folder, the current folder, the simulated machine's system folder, then on
// PATH. A path on a drive ("C:\Windows\System32\net.exe"), and a drive root as the directory,
// map into the machine's drive folder. Returns a value greater than 32 on success (42), leaving
// the last error untouched; otherwise a value of at most 32 with the thread's last error set:
// SE_ERR_FNF and ERROR_FILE_NOT_FOUND when the file is nowhere, SE_ERR_PNF and
// ERROR_PATH_NOT_FOUND for a missing directory, SE_ERR_ACCESSDENIED and ERROR_ACCESS_DENIED for a
// file that is not executable. Parameters are split into arguments on blanks, double quotes
// grouping. The program inherits no descriptor but 0, 1 and 2. A fault rule's result is returned
// without starting anything.
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, INT showCommand);
