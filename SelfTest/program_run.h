// Running another program and waiting for its end.
#pragma once

#include <windows.h>

#include <string>

namespace selftest {

struct ProgramRun {
    bool started = false;
    DWORD startError = 0;  // GetLastError of CreateProcessW, when it did not start
    DWORD exitCode = 0;
};

// Runs program with arguments (already quoted as its command line wants them) in
// workingFolder, its standard output and error into outputPath (created, or replaced), with the
// environment of this process, and waits for its end.
ProgramRun RunProgram(const std::wstring& program, const std::wstring& arguments,
                      const std::wstring& workingFolder, const std::wstring& outputPath);

// text in double quotes, as a command line passes one argument that may hold blanks. The
// backslashes before the closing quote are doubled, so that they do not escape it; the paths
// quoted here hold no quote.
std::wstring Quoted(const std::wstring& text);

}  // namespace selftest
