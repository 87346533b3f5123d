// limited_launcher.exe: starts a program with the limited token linked to this process's
// elevated one, as User Account Control gives an administrator before elevation, for the Wine
// tests (Wine gives every process an elevated token, and links a limited one to it).
//
//   limited_launcher.exe PROGRAM [ARGUMENT...]
//
// The program gets this process's standard handles. Exit code: the program's, or 255 when the
// limited token could not be had or the program could not be started.
#include <windows.h>

#include "launched_process.h"

#include <string>

namespace {

// One argument of a command line; none of the tests' words holds a quote, so only the
// backslashes before the closing quote are doubled.
std::wstring Quoted(const std::wstring& argument) {
    std::size_t trailing = 0;
    while (trailing < argument.size() && argument[argument.size() - 1 - trailing] == L'\\') {
        ++trailing;
    }
    return L"\"" + argument + std::wstring(trailing, L'\\') + L"\"";
}

// The limited token linked to this process's token, as a primary token; null when there is none.
HANDLE LimitedToken() {
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) == FALSE) {
        return nullptr;
    }
    TOKEN_LINKED_TOKEN linked = {};
    DWORD length = 0;
    const BOOL read = GetTokenInformation(token, TokenLinkedToken, &linked, sizeof linked, &length);
    CloseHandle(token);
    if (read == FALSE) {
        return nullptr;
    }
    HANDLE primary = nullptr;
    const BOOL duplicated = DuplicateTokenEx(linked.LinkedToken, MAXIMUM_ALLOWED, nullptr,
                                             SecurityImpersonation, TokenPrimary, &primary);
    CloseHandle(linked.LinkedToken);
    return duplicated != FALSE ? primary : nullptr;
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    if (argc < 2) {
        return kExitNotStarted;
    }
    std::wstring commandLine = Quoted(argv[1]);
    for (int i = 2; i < argc; ++i) {
        commandLine += L" " + Quoted(argv[i]);
    }
    const HANDLE limited = LimitedToken();
    if (limited == nullptr) {
        return kExitNotStarted;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    const BOOL started = CreateProcessAsUserW(limited, argv[1], &commandLine[0], nullptr, nullptr,
                                              TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(limited);
    if (started == FALSE) {
        return kExitNotStarted;
    }
    return ExitCodeOnceEnded(process);
}
