// The program's tests on Windows (under Wine in this repository's test runs).
#include "support/test_platform.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <vector>

namespace installer_test {

namespace fs = std::filesystem;

const char kLogLineEnd[] = "\r\n";
const char kTemporaryFolderVariable[] = "TEMP";

namespace {

std::wstring Widen(const std::string& text) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (length <= 0) {
        ADD_FAILURE() << "cannot widen " << text;
        return std::wstring();
    }
    std::vector<wchar_t> wide(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), length);
    return wide.data();
}

// UTF-8 takes at most three bytes for each UTF-16 unit (four for a surrogate pair); an unpaired
// surrogate becomes U+FFFD.
std::string Narrow(const std::wstring& text) {
    std::string narrow(text.size() * 3, '\0');
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                            static_cast<int>(narrow.size()), nullptr, nullptr);
    narrow.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return narrow;
}

}  // namespace

unsigned AnsiCodePage() {
    return GetACP();
}

std::optional<std::string> GetVariable(const std::string& name) {
    const std::wstring wideName = Widen(name);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) {
        // Missing, or set but empty: Windows answers 0 for both; only a missing one says so.
        return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                        : std::optional<std::string>("");
    }
    std::vector<wchar_t> value(size);
    GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    return Narrow(value.data());
}

void SetVariable(const std::string& name, const std::optional<std::string>& value) {
    const BOOL set =
        SetEnvironmentVariableW(Widen(name).c_str(), value ? Widen(*value).c_str() : nullptr);
    EXPECT_NE(set, FALSE) << "cannot set " << name;
}

TestPlatform::TestPlatform() {
    std::random_device random;
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100 && folder_.empty(); ++attempt) {
        const fs::path candidate = base / ("driverinstaller-test-" + std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error)) {
            folder_ = candidate.string();
        }
    }
    if (folder_.empty()) {
        ADD_FAILURE() << "cannot create a folder in " << base.string();
    }
}

TestPlatform::~TestPlatform() {
    std::error_code ignored;
    if (!folder_.empty()) {
        fs::remove_all(folder_, ignored);
    }
}

std::string TestPlatform::MakeFolder(const std::string& name) const {
    const fs::path folder = fs::path(folder_) / fs::path(name).make_preferred();
    fs::create_directories(folder);
    return folder.string();
}

}  // namespace installer_test
