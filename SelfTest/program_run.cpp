#include "program_run.h"

namespace selftest {

std::wstring Quoted(const std::wstring& text) {
    std::size_t trailing = 0;
    while (trailing < text.size() && text[text.size() - 1 - trailing] == L'\\') {
        ++trailing;
    }
    return L"\"" + text + std::wstring(trailing, L'\\') + L"\"";
}

ProgramRun RunProgram(const std::wstring& program, const std::wstring& arguments,
                      const std::wstring& workingFolder, const std::wstring& outputPath) {
    ProgramRun run;
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    const HANDLE output = CreateFileW(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                      &inheritable, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) {
        run.startError = GetLastError();
        return run;
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nullptr;
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    // CreateProcessW may write into the command line, so it gets a copy of its own.
    std::wstring commandLine = Quoted(program) + L" " + arguments;
    run.started =
        CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                       nullptr, workingFolder.c_str(), &startup, &process) != FALSE;
    if (!run.started) {
        run.startError = GetLastError();
        CloseHandle(output);
        return run;
    }
    CloseHandle(output);
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exitCode);
    CloseHandle(process.hProcess);
    return run;
}

}  // namespace selftest
