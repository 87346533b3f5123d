#include "machine/inf_lookup.h"

#include "base/atomic_file.h"
#include "base/utf8.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace simwin {

namespace {

std::wstring SystemInfFolder() {
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        return std::wstring();
    }
    return std::wstring(windows) + L"\\inf";
}

// The INF files of a folder, in name order. Windows publishes a copy as "oemN.inf"; Wine keeps
// the original file name, so every INF file of the folder is a candidate.
std::vector<std::wstring> InfFileNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"\\*.inf").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::optional<InfDriver> FindInfDriver(const std::string& root, const std::wstring& hardwareId) {
    (void)root;
    const std::wstring folder = SystemInfFolder();
    if (folder.empty()) {
        return std::nullopt;
    }
    for (const std::wstring& name : InfFileNames(folder)) {
        std::string bytes;
        std::string error;
        InfDriver driver;
        if (!ReadWholeFile(ToUtf8(folder + L"\\" + name), &bytes) ||
            InfFile::Parse(bytes, &driver.inf, &error) != InfParseResult::Ok) {
            continue;
        }
        if (auto model = driver.inf.FindModel(hardwareId)) {
            driver.publishedName = ToUtf8(name);
            driver.model = *model;
            return driver;
        }
    }
    return std::nullopt;
}

}  // namespace simwin
