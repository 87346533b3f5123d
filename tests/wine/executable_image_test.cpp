// What DriverInstaller.exe carries, read back from the built executable with the cross tools:
// its application manifest and the libraries it needs at run time.
#include "support/process.h"
#include "support/temp_machine.h"
#include "wine/resource_file.h"
#include "wine/wine_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>
#include <string>

namespace {

constexpr std::uint16_t kManifestType = 24;  // RT_MANIFEST
constexpr std::uint16_t kProcessManifestId = 1;

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
    return text;
}

// The DLL names that objdump's private headers list for the image's import table.
std::set<std::string> ImportedDlls(const std::string& objdumpOutput) {
    std::set<std::string> dlls;
    std::istringstream lines(objdumpOutput);
    const std::string marker = "DLL Name: ";
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(marker);
        if (at != std::string::npos) {
            dlls.insert(Lower(line.substr(at + marker.size())));
        }
    }
    return dlls;
}

class ExecutableImageTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder_.path().empty()); }

    winetest::CaseFolder folder_;
};

TEST_F(ExecutableImageTest, CarriesTheManifestFileAsItsProcessManifest) {
    const std::string resFile = folder_.path() + "/resources.res";
    ASSERT_EQ(testsupport::RunProcess(WINDRES_PROGRAM,
                                      {"--input", DRIVERINSTALLER_WINDOWS_EXE, "--output-format",
                                       "res", "--output", resFile},
                                      {}, folder_.path() + "/windres.txt"),
              0);
    std::vector<winetest::Resource> resources;
    ASSERT_TRUE(winetest::ParseResourceFile(testsupport::ReadFile(resFile), &resources));

    std::vector<std::string> manifests;
    for (const winetest::Resource& resource : resources) {
        if (resource.type == kManifestType) {
            EXPECT_EQ(resource.id, kProcessManifestId);
            manifests.push_back(resource.data);
        }
    }
    ASSERT_EQ(manifests.size(), 1u);
    EXPECT_EQ(manifests.front(), testsupport::ReadFile(MANIFEST_FILE));
    EXPECT_NE(
        manifests.front().find(R"(<requestedExecutionLevel level="asInvoker" uiAccess="false"/>)"),
        std::string::npos);
}

TEST_F(ExecutableImageTest, ImportsOnlyLibrariesThatWindowsItselfProvides) {
    const std::string listing = folder_.path() + "/objdump.txt";
    ASSERT_EQ(
        testsupport::RunProcess(OBJDUMP_PROGRAM, {"-p", DRIVERINSTALLER_WINDOWS_EXE}, {}, listing),
        0);
    const std::set<std::string> imports = ImportedDlls(testsupport::ReadFile(listing));

    // The Windows libraries the program calls, and the C runtime every Windows has.
    const std::set<std::string> systemLibraries = {"advapi32.dll", "kernel32.dll", "msvcrt.dll",
                                                   "ole32.dll",    "setupapi.dll", "shell32.dll",
                                                   "shlwapi.dll",  "ucrtbase.dll"};
    for (const char* needed : {"kernel32.dll", "ole32.dll", "setupapi.dll", "shlwapi.dll",
                               "shell32.dll", "advapi32.dll"}) {
        EXPECT_EQ(imports.count(needed), 1u) << needed;
    }
    for (const std::string& dll : imports) {
        const bool universalCrt = dll.rfind("api-ms-win-crt-", 0) == 0;
        EXPECT_TRUE(systemLibraries.count(dll) == 1 || universalCrt)
            << dll << " is not part of Windows (a MinGW runtime library must be linked in)";
    }
}

}  // namespace
