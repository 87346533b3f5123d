// The Install command's sequence: finding the INF files, the order of the two installations and
// the result code.
#include "fault_case.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace installer_test;  // the fixtures, the expected pieces and the helpers

const LineList kNotFound = {
    "DeviceManager::Installer() | Enter...",
    E("DeviceManager::Installer() *.inf files for virtual ethernet adapter or virtual switch not "
      "found"),
    E("DeviceManager::Installer() | Exit...")};

struct MissingCase {
    const char* name;
    std::vector<std::string> infs;
    std::string fault;  // a fault rule, or ""
    unsigned existenceTests;
};

TEST_F(InstallerTest, MissingInfFilesEndTheRunWith908) {
    const MissingCase cases[] = {
        {"neither", {}, "", 1},
        {"adapter's missing: the switch's is not looked for", {"quorixlwf.inf"}, "", 1},
        {"switch's missing", {"quorixvmini60.inf"}, "", 2},
        {"no current directory",
         {"quorixvmini60.inf", "quorixlwf.inf"},
         "GetCurrentDirectoryW 0 error 5",
         0},
    };
    const auto baseline = ComponentIds();
    for (const MissingCase& c : cases) {
        SCOPED_TRACE(c.name);
        EnterInfFolder(c.infs);
        if (!c.fault.empty()) {
            AddFault(c.fault);
        }
        EXPECT_EQ(manager_->Installer(), kInfMissing);
        ExpectLines(Lines(), kNotFound);
        EXPECT_EQ(JournalCalls({"PathFileExistsW"}).size(), c.existenceTests);
        EXPECT_TRUE(JournalCalls({"Sleep", "CoInitializeEx"}).empty());
        EXPECT_EQ(ComponentIds(), baseline);
        ClearLog();
        simwin::ClearJournal();
        simwin::ClearFaultRules();
        AddFault("Sleep 0");
    }
}

TEST_F(InstallerTest, FileNameThatDoesNotFitCountsAsMissing) {
    // The directory fits in MAX_PATH, the directory with the file name does not.
    std::string folder = machine_.MakeFolder("d");
    folder += "/" + std::string(250 - folder.size(), 'x');
    fs::create_directories(folder);
    fs::copy_file(fs::path(INF_FOLDER) / "quorixvmini60.inf",
                  fs::path(folder) / "quorixvmini60.inf");
    fs::copy_file(fs::path(INF_FOLDER) / "quorixlwf.inf", fs::path(folder) / "quorixlwf.inf");
    fs::current_path(folder);
    EXPECT_EQ(manager_->Installer(), kInfMissing);
    ExpectLines(Lines(), kNotFound);
}

// lines: the Installer's own lines.
struct SequenceCase : FaultCase<int> {
    unsigned installCycles;
};

class InstallerSequenceTest : public FaultCaseTest<SequenceCase> {};

TEST_P(InstallerSequenceTest, InstallsAdapterThenSwitch) {
    const SequenceCase& c = GetParam();
    EnterInfFolder();
    RunCase([&] { return manager_->Installer(); });
    LineList own;
    for (const std::string& line : Lines()) {
        if (line.find("DeviceManager::Installer()") != std::string::npos) {
            own.push_back(line);
        }
    }
    EXPECT_EQ(own, c.lines);
    EXPECT_EQ(JournalCalls({"INetCfgClassSetup::Install"}).size(), c.installCycles);
    // One 2000 ms wait before the first cycle.
    LineList waits;
    for (const std::string& entry : simwin::JournalEntries()) {
        if (entry.rfind("Sleep ", 0) == 0) {
            waits.push_back(entry.substr(0, entry.find(" -> ")));
        }
    }
    EXPECT_EQ(waits, LineList{"Sleep 2000"});
}

INSTANTIATE_TEST_SUITE_P(
    Results, InstallerSequenceTest,
    ::testing::Values(
        SequenceCase{{"BothInstalled",
                      "",
                      kOk,
                      {"DeviceManager::Installer() | Enter...",
                       "DeviceManager::Installer() Installing Virtual Ethernet Adapter...",
                       "DeviceManager::Installer() Installing Virtual Ethernet Adapter succeeded.",
                       "DeviceManager::Installer() Installing Virtual Switch...",
                       "DeviceManager::Installer() Installing Virtual Switch succeeded.",
                       "DeviceManager::Installer() | Exit..."}},
                     2},
        SequenceCase{{"AdapterFails",
                      "INetCfgClassSetup::Install E_FAIL nth 1",
                      kAdapterInstallFailed,
                      {"DeviceManager::Installer() | Enter...",
                       "DeviceManager::Installer() Installing Virtual Ethernet Adapter...",
                       E("DeviceManager::Installer() Installing Virtual Ethernet adapter failed. "
                         "'InstallDriver()' returned hr='-2147467259' / hr='0x80004005'"),
                       "DeviceManager::Installer() | Exit..."}},
                     1},
        SequenceCase{{"AdapterAsksForReboot",
                      "INetCfg::Apply NETCFG_S_REBOOT nth 2",
                      kAdapterInstallFailed,
                      {"DeviceManager::Installer() | Enter...",
                       "DeviceManager::Installer() Installing Virtual Ethernet Adapter...",
                       E("DeviceManager::Installer() Installing Virtual Ethernet adapter failed. "
                         "'InstallDriver()' returned hr='303136' / hr='0x0004a020'"),
                       "DeviceManager::Installer() | Exit..."}},
                     1},
        SequenceCase{{"SwitchFails",
                      "INetCfgClassSetup::Install E_FAIL nth 2",
                      kSwitchInstallFailed,
                      {"DeviceManager::Installer() | Enter...",
                       "DeviceManager::Installer() Installing Virtual Ethernet Adapter...",
                       "DeviceManager::Installer() Installing Virtual Ethernet Adapter succeeded.",
                       "DeviceManager::Installer() Installing Virtual Switch...",
                       E("DeviceManager::Installer() Installing Virtual Switch failed. "
                         "'InstallDriver()' returned hr='-2147467259' / hr='0x80004005'"),
                       "DeviceManager::Installer() | Exit..."}},
                     2}),
    CaseName());

TEST_F(InstallerTest, BothInstalledLeavesBothComponentsAndTheirInfs) {
    EnterInfFolder();
    ASSERT_EQ(manager_->Installer(), kOk);
    const auto ids = ComponentIds();
    EXPECT_EQ(std::count(ids.begin(), ids.end(),
                         "root\\quorixvmini60_a | Tandrel QUORIX Virtual Ethernet Adapter"),
              1);
    EXPECT_EQ(std::count(ids.begin(), ids.end(), "quorix_ndislwf | Tandrel QUORIX Virtual Switch"),
              1);
    EXPECT_EQ(machine_.State().infs.size(), 2u);
    // The wait lies between the file test and the first cycle.
    EXPECT_EQ(JournalCalls({"PathFileExistsW", "Sleep", "CoInitializeEx"}),
              (LineList{"PathFileExistsW", "PathFileExistsW", "Sleep", "CoInitializeEx",
                        "CoInitializeEx"}));
}

}  // namespace
