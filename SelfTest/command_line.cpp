#include "command_line.h"

#include <windows.h>

#include <cwchar>

namespace selftest {

const wchar_t kUsage[] =
    L"usage: driverinstaller-selftest [--install-cycle FOLDER] [--report FOLDER] | --version";

namespace {

// The path in full, so that a run in another working folder still finds it; the text as given
// when it cannot be made full.
std::wstring FullPath(const wchar_t* path) {
    std::wstring full(32768, L'\0');
    const DWORD length = GetFullPathNameW(path, static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0 || length >= full.size()) {
        return path;
    }
    full.resize(length);
    // A folder's trailing separator is dropped, so that names join it with one.
    if (full.size() > 3 && full.back() == L'\\') {
        full.pop_back();
    }
    return full;
}

}  // namespace

bool ParseCommandLine(int argc, wchar_t* argv[], Options* options) {
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc && argv[i + 1][0] != L'\0';
        if (std::wcscmp(argv[i], L"--version") == 0) {
            options->version = true;
        } else if (std::wcscmp(argv[i], L"--install-cycle") == 0 && hasValue) {
            options->installCycle = FullPath(argv[++i]);
        } else if (std::wcscmp(argv[i], L"--report") == 0 && hasValue) {
            options->reportFolder = FullPath(argv[++i]);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace selftest
