// ShellExecuteW: starts a program by name without waiting for it.
#include <shellapi.h>

#include "base/utf8.h"
#include "base/machine_root.h"
#include "shell/command_line.h"
#include "shell/detached_launch.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::intptr_t kLaunched = 42;  // any value above 32 means success

struct Outcome {
    std::intptr_t code;  // what ShellExecuteW returns
    DWORD error;         // the last error on failure
};

bool IsFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsDrivePath(const std::wstring& path) {
    return path.size() >= 3 && std::iswalpha(path[0]) && path[1] == L':' &&
           (path[2] == L'\\' || path[2] == L'/');
}

// A path on a drive ("C:\Windows\System32\net.exe", any drive letter) is on the machine's
// drive, its backslashes the separators; any other path is a Linux path.
std::string LinuxPath(const std::wstring& path) {
    if (!IsDrivePath(path)) {
        return simwin::ToUtf8(path);
    }
    std::string onDrive = simwin::ToUtf8(path.substr(3));
    for (char& ch : onDrive) {
        ch = ch == '\\' ? '/' : ch;
    }
    return onDrive.empty() ? simwin::DriveFolder() : simwin::DriveFolder() + "/" + onDrive;
}

// The folder of the running program's own file.
std::string ProgramFolder() {
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0) {
        return std::string();
    }
    const std::string program(buffer, static_cast<std::size_t>(length));
    return program.substr(0, program.find_last_of('/'));
}

// The caller's current folder, which the started program does not share: it starts in its own.
std::string CurrentFolder() {
    char* current = ::getcwd(nullptr, 0);
    const std::string folder = current != nullptr ? current : "";
    std::free(current);
    return folder;
}

// A name with a folder in it is a path (a relative one from the working folder); a bare name is
// searched as Windows documents for a program started by name: the calling program's folder,
// the current folder, the system folder, then PATH.
std::string FindProgram(const std::wstring& file, const std::string& folder) {
    const std::string name = LinuxPath(file);
    if (IsDrivePath(file) || name.find('/') != std::string::npos) {
        const std::string path = name[0] == '/' ? name : folder + "/" + name;
        return IsFile(path) ? path : std::string();
    }
    const std::string current = CurrentFolder();
    std::vector<std::string> searched = {ProgramFolder(), current, simwin::SystemFolder()};
    const char* searchPath = std::getenv("PATH");
    std::string remaining = searchPath != nullptr ? searchPath : "";
    while (!remaining.empty()) {
        const std::string::size_type colon = remaining.find(':');
        const std::string entry = remaining.substr(0, colon);
        remaining = colon == std::string::npos ? std::string() : remaining.substr(colon + 1);
        searched.push_back(entry.empty() || entry[0] != '/' ? current + "/" + entry : entry);
    }
    for (const std::string& place : searched) {
        const std::string candidate = place + "/" + name;
        if (!place.empty() && IsFile(candidate)) {
            return candidate;
        }
    }
    return std::string();
}

// The return value Windows gives for a failed start: the Win32 error itself when it is one of
// the small codes ShellExecuteW shares with it.
Outcome FailedStart(const simwin::detail::LaunchFailure& failure) {
    if (failure.inFolder) {
        return {SE_ERR_PNF, ERROR_PATH_NOT_FOUND};
    }
    switch (failure.error) {
        case ENOENT:
            return {SE_ERR_FNF, ERROR_FILE_NOT_FOUND};
        case EACCES:
        case EPERM:
            return {SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED};
        case ENOEXEC:
            return {ERROR_BAD_FORMAT, ERROR_BAD_FORMAT};
        case ENOMEM:
        case EAGAIN:
            return {SE_ERR_OOM, ERROR_NOT_ENOUGH_MEMORY};
        default:
            return {ERROR_GEN_FAILURE, ERROR_GEN_FAILURE};
    }
}

Outcome Launch(LPCWSTR operation, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory) {
    // Only "open" (or no verb, which means the same) is known; no file type has other verbs.
    if (operation != nullptr && std::wcscmp(operation, L"open") != 0) {
        return {SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION};
    }
    if (file == nullptr || file[0] == L'\0') {
        return {SE_ERR_FNF, ERROR_FILE_NOT_FOUND};
    }
    const std::string folder =
        directory != nullptr && directory[0] != L'\0' ? LinuxPath(directory) : std::string(".");
    if (!IsFolder(folder)) {
        return {SE_ERR_PNF, ERROR_PATH_NOT_FOUND};
    }
    const std::string program = FindProgram(file, folder);
    if (program.empty()) {
        return {SE_ERR_FNF, ERROR_FILE_NOT_FOUND};
    }
    if (::access(program.c_str(), X_OK) != 0) {
        return {SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED};
    }
    std::vector<std::string> arguments{simwin::ToUtf8(file)};
    for (const std::wstring& parameter : simwin::detail::SplitParameters(parameters)) {
        arguments.push_back(simwin::ToUtf8(parameter));
    }
    simwin::detail::LaunchFailure failure;
    if (!simwin::detail::LaunchDetached(program, arguments, folder, &failure)) {
        return FailedStart(failure);
    }
    return {kLaunched, ERROR_SUCCESS};
}

HINSTANCE AsInstance(std::intptr_t code) {
    return reinterpret_cast<HINSTANCE>(code);
}

}  // namespace

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, INT showCommand) {
    // There is no window to own or to show on this platform.
    (void)owner;
    const std::string call =
        "ShellExecuteW " + simwin::detail::JournalText(operation) + " " +
        simwin::detail::JournalText(file) + " " +
        (parameters == nullptr ? std::string("(null)")
                               : "\"" + simwin::detail::JournalText(parameters) + "\"") +
        " " + simwin::detail::JournalText(directory) + " " + std::to_string(showCommand);
    // A rule's result is returned without starting anything.
    if (auto fault = simwin::detail::TakeFault("ShellExecuteW")) {
        fault->ApplyLastError();
        simwin::detail::Record(call + " -> " + std::to_string(fault->result));
        return AsInstance(static_cast<std::intptr_t>(fault->result));
    }
    const Outcome outcome = Launch(operation, file, parameters, directory);
    // As on Windows, a successful start leaves the last error as it was.
    if (outcome.code <= 32) {
        SetLastError(outcome.error);
    }
    simwin::detail::Record(call + " -> " + std::to_string(outcome.code));
    return AsInstance(outcome.code);
}
