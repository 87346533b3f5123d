// What the Wine tests' launchers share: waiting for the program they started and handing on its
// exit code.
#pragma once

#include <windows.h>

// A launcher's exit code when the program could not be started.
constexpr int kExitNotStarted = 255;

// Waits until the started program ends, closes its handles and returns its exit code
// (kExitNotStarted when the code cannot be read).
inline int ExitCodeOnceEnded(const PROCESS_INFORMATION& process) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD exitCode = kExitNotStarted;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
