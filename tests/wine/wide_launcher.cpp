// wide_launcher.exe: starts a program through CreateProcessW with arguments that a Linux command
// line cannot hand to a Windows program, for the Wine tests.
//
//   wide_launcher.exe [--copy FROM TO] PROGRAM [ARGUMENT...]
//
// In every word, "{U+XXXX}" stands for the UTF-16 unit XXXX (four hexadecimal digits), so that an
// unpaired surrogate, which NTFS allows in a file name, can be passed. --copy first copies the
// file FROM to TO (CopyFileW), so that a file of such a name exists. The program gets this
// process's standard handles. Exit code: the program's, or 255 when the copy failed or the
// program could not be started.
#include <windows.h>

#include "launched_process.h"

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kEscapeStart[] = L"{U+";
constexpr std::size_t kEscapeLength = 8;  // {U+XXXX}

// word with each "{U+XXXX}" replaced by the unit it names.
std::wstring Unescaped(const std::wstring& word) {
    std::wstring text;
    for (std::size_t i = 0; i < word.size();) {
        if (word.compare(i, 3, kEscapeStart) == 0 && i + kEscapeLength <= word.size() &&
            word[i + kEscapeLength - 1] == L'}') {
            const std::wstring digits = word.substr(i + 3, 4);
            wchar_t* end = nullptr;
            const unsigned long unit = std::wcstoul(digits.c_str(), &end, 16);
            if (end == digits.c_str() + digits.size()) {
                text += static_cast<wchar_t>(unit);
                i += kEscapeLength;
                continue;
            }
        }
        text += word[i++];
    }
    return text;
}

// One argument of a command line, quoted as the runtime's parser reads it back; none of the
// tests' words holds a quote, so only the backslashes before the closing quote are doubled.
std::wstring Quoted(const std::wstring& argument) {
    std::size_t trailing = 0;
    while (trailing < argument.size() && argument[argument.size() - 1 - trailing] == L'\\') {
        ++trailing;
    }
    return L"\"" + argument + std::wstring(trailing, L'\\') + L"\"";
}

void InheritStandardHandle(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
}

}  // namespace

int wmain(int argc, wchar_t* argv[]) {
    int first = 1;
    if (argc > 3 && std::wcscmp(argv[1], L"--copy") == 0) {
        if (!CopyFileW(Unescaped(argv[2]).c_str(), Unescaped(argv[3]).c_str(), FALSE)) {
            std::fprintf(stderr, "wide_launcher: copy failed, error %lu\n", GetLastError());
            return kExitNotStarted;
        }
        first = 4;
    }
    if (first >= argc) {
        std::fprintf(stderr, "usage: wide_launcher.exe [--copy FROM TO] PROGRAM [ARGUMENT...]\n");
        return kExitNotStarted;
    }
    const std::wstring program = Unescaped(argv[first]);
    std::wstring commandLine = Quoted(program);
    for (int i = first + 1; i < argc; ++i) {
        commandLine += L" " + Quoted(Unescaped(argv[i]));
    }
    InheritStandardHandle(STD_INPUT_HANDLE);
    InheritStandardHandle(STD_OUTPUT_HANDLE);
    InheritStandardHandle(STD_ERROR_HANDLE);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                        nullptr, &startup, &process)) {
        std::fprintf(stderr, "wide_launcher: CreateProcessW failed, error %lu\n", GetLastError());
        return kExitNotStarted;
    }
    return ExitCodeOnceEnded(process);
}
