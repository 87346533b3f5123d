// What DriverInstaller.exe carries, read back from the built executable with the cross tools:
// its application manifest, the libraries it needs at run time, and the hardening an elevated
// installer needs (ASLR, DEP, the stack guard).
#include "support/process.h"
#include "support/temp_machine.h"
#include "wine/resource_file.h"
#include "wine/wine_session.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <optional>
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

    // objdump's output on the image with one option: "-p" its private headers, "-t" its symbol
    // table, "-d" its disassembly. A failing objdump fails the test.
    std::string Objdump(const std::string& option) const {
        const std::string output = folder_.path() + "/objdump" + option + ".txt";
        EXPECT_EQ(testsupport::RunProcess(OBJDUMP_PROGRAM, {option, DRIVERINSTALLER_WINDOWS_EXE},
                                          {}, output),
                  0)
            << "objdump " << option;
        return testsupport::ReadFile(output);
    }

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
    const std::set<std::string> imports = ImportedDlls(Objdump("-p"));

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

// The functions that objdump's private headers list for the image's import table, each as
// "dll!name" in lower case.
std::set<std::string> ImportedFunctions(const std::string& objdumpOutput) {
    std::set<std::string> functions;
    std::istringstream lines(objdumpOutput);
    const std::string marker = "DLL Name: ";
    std::string dll;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t at = line.find(marker);
        if (at != std::string::npos) {
            dll = Lower(line.substr(at + marker.size()));
            continue;
        }
        // Each import is a line "\tHINT-RVA  ORDINAL  NAME" under its DLL's name.
        std::istringstream fields(line);
        std::string rva, ordinal, name;
        if (!dll.empty() && line.rfind('\t', 0) == 0 && (fields >> rva >> ordinal >> name)) {
            functions.insert(dll + "!" + Lower(name));
        }
    }
    return functions;
}

// Windows refuses to start a program that imports a function its kernel32 lacks:
// SetDefaultDllDirectories (Windows 7, Server 2008 R2, Vista and Server 2008 without update
// KB2533623) is looked up by name at run time instead.
TEST_F(ExecutableImageTest, LooksUpSetDefaultDllDirectoriesInsteadOfImportingIt) {
    const std::set<std::string> imports = ImportedFunctions(Objdump("-p"));
    EXPECT_EQ(imports.count("kernel32.dll!setdefaultdlldirectories"), 0u);
    // The lookup's own functions are imported, as a check that the list is read at all.
    EXPECT_EQ(imports.count("kernel32.dll!getprocaddress"), 1u);
    EXPECT_EQ(imports.count("kernel32.dll!getmodulehandlew"), 1u);
    // The name GetProcAddress is given, in the image's data.
    const std::string image = testsupport::ReadFile(DRIVERINSTALLER_WINDOWS_EXE);
    EXPECT_NE(image.find(std::string("SetDefaultDllDirectories") + '\0'), std::string::npos);
}

// The image's DllCharacteristics, as objdump's private headers give them in hexadecimal.
std::optional<unsigned> DllCharacteristics(const std::string& objdumpOutput) {
    std::istringstream lines(objdumpOutput);
    const std::string field = "DllCharacteristics";
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind(field, 0) == 0) {
            return static_cast<unsigned>(std::stoul(line.substr(field.size()), nullptr, 16));
        }
    }
    return std::nullopt;
}

TEST_F(ExecutableImageTest, LoadsAtRandomHighAddressesWithDataNeverExecuted) {
    const std::string headers = Objdump("-p");
    const std::optional<unsigned> characteristics = DllCharacteristics(headers);
    ASSERT_TRUE(characteristics.has_value()) << headers.substr(0, 2000);
    constexpr unsigned kHighEntropyVa = 0x0020;  // IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA
    constexpr unsigned kDynamicBase = 0x0040;    // IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE
    constexpr unsigned kNxCompat = 0x0100;       // IMAGE_DLLCHARACTERISTICS_NX_COMPAT
    EXPECT_EQ(*characteristics & kDynamicBase, kDynamicBase) << "no ASLR";
    EXPECT_EQ(*characteristics & kHighEntropyVa, kHighEntropyVa) << "no 64-bit ASLR";
    EXPECT_EQ(*characteristics & kNxCompat, kNxCompat) << "no DEP";
    // Windows can move an image only when it keeps its base relocations.
    EXPECT_NE(headers.find("Base Relocation Directory [.reloc]"), std::string::npos);
}

// The image keeps its symbol table (nothing strips it), which names the guard's runtime.
TEST_F(ExecutableImageTest, ChecksItsStackWithTheGuardLinkedIn) {
    const std::string table = Objdump("-t");
    // Defined in the image: the runtime is linked in, not imported (no libssp DLL, see above).
    for (const char* name : {"__stack_chk_fail", "__stack_chk_guard"}) {
        EXPECT_NE(table.find(std::string(" ") + name + "\n"), std::string::npos) << name;
    }
    // The program's functions with buffers on their stack call the guard's failure handler.
    std::istringstream lines(Objdump("-d"));
    int guardCalls = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("call") != std::string::npos &&
            line.find("<__stack_chk_fail>") != std::string::npos) {
            ++guardCalls;
        }
    }
    EXPECT_GT(guardCalls, 0);
}

}  // namespace
