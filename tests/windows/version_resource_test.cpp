// The version resources of the shipped executables, read back under Wine as Windows' file
// properties and a setup's version checks read them (GetFileVersionInfoW, VerQueryValueW), and
// compared with the project's version.
#include "support/case_name.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct ShippedExecutable {
    const char* name;
    const char* path;  // a Windows path
    const wchar_t* originalFilename;
    const wchar_t* internalName;
    const wchar_t* fileDescription;
};

std::wstring Widened(const char* text) {
    return std::wstring(text, text + std::char_traits<char>::length(text));
}

// The whole version resource of the file, or nothing when it has none.
std::vector<BYTE> VersionResource(const std::wstring& path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        return {};
    }
    std::vector<BYTE> resource(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, resource.data())) {
        return {};
    }
    return resource;
}

// A value of the resource's string table for its first translation, as Windows' file properties
// pick it; "(missing)" when there is none.
std::wstring StringValue(const std::vector<BYTE>& resource, const std::wstring& name) {
    void* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(resource.data(), L"\\VarFileInfo\\Translation", &translations, &length) ||
        length < 2 * sizeof(WORD)) {
        return L"(missing)";
    }
    const WORD* language = static_cast<const WORD*>(translations);
    wchar_t block[64];
    swprintf(block, sizeof(block) / sizeof(block[0]), L"\\StringFileInfo\\%04x%04x\\%ls",
             language[0], language[1], name.c_str());
    void* value = nullptr;
    if (!VerQueryValueW(resource.data(), block, &value, &length) || length == 0) {
        return L"(missing)";
    }
    return static_cast<const wchar_t*>(value);
}

class VersionResourceTest : public testsupport::CaseTest<ShippedExecutable> {};

TEST_P(VersionResourceTest, CarriesTheProjectVersion) {
    const ShippedExecutable& c = GetParam();
    const std::vector<BYTE> resource = VersionResource(Widened(c.path));
    ASSERT_FALSE(resource.empty()) << c.path << " has no version resource";

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(resource.data(), L"\\", &value, &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    const VS_FIXEDFILEINFO* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    // major.minor in the high double word, patch.0 in the low one.
    const DWORD high = MAKELONG(PROJECT_VERSION_MINOR, PROJECT_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, PROJECT_VERSION_PATCH);
    EXPECT_EQ(fixed->dwFileVersionMS, high);
    EXPECT_EQ(fixed->dwFileVersionLS, low);
    EXPECT_EQ(fixed->dwProductVersionMS, high);
    EXPECT_EQ(fixed->dwProductVersionLS, low);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const std::wstring version = Widened(PROJECT_VERSION);
    EXPECT_EQ(StringValue(resource, L"FileVersion"), version);
    EXPECT_EQ(StringValue(resource, L"ProductVersion"), version);
    EXPECT_EQ(StringValue(resource, L"ProductName"), L"DriverInstaller");
    EXPECT_EQ(StringValue(resource, L"OriginalFilename"), c.originalFilename);
    EXPECT_EQ(StringValue(resource, L"InternalName"), c.internalName);
    EXPECT_EQ(StringValue(resource, L"FileDescription"), c.fileDescription);
}

INSTANTIATE_TEST_SUITE_P(
    Shipped, VersionResourceTest,
    ::testing::Values(
        ShippedExecutable{
            "DriverInstaller", DRIVERINSTALLER_EXE, L"DriverInstaller.exe", L"DriverInstaller",
            L"Installs and removes the QUORIX virtual ethernet adapter and virtual switch"},
        ShippedExecutable{"LogReader", DRIVERINSTALLER_LOG_EXE, L"driverinstaller-log.exe",
                          L"driverinstaller-log", L"Summarises DriverInstaller's log"},
        ShippedExecutable{"SelfTest", DRIVERINSTALLER_SELFTEST_EXE, L"driverinstaller-selftest.exe",
                          L"driverinstaller-selftest",
                          L"Checks what DriverInstaller assumes of this Windows"}),
    testsupport::CaseName{});

}  // namespace
