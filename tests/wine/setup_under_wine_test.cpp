// The example setup program (examples/nsis/setup.nsi, built by the windows preset) run under Wine
// as an administrator runs it, silently, against our network configuration engine: it secures the
// install folder, unpacks DriverInstaller.exe, driverinstaller-log.exe and the INF files, removes
// an earlier installation's drivers first, runs DriverInstaller.exe Install, rolls back what the
// run left when the installation fails, and its uninstaller removes the drivers and then the
// files. Each case compares the setup program's exit code, the machine, the files left in the
// install folder, the setup's own log and DriverInstaller's whole log.
#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/process.h"
#include "support/text_file.h"
#include "wine/engine_prefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace winetest;
using namespace testsupport::exit_code;
using expected_runs::Join;
using expected_runs::Lines;

const char kSetupLogName[] = "Quorix.DriverSetup.log";
const char kFail[] = "hr='-2147467259' / hr='0x80004005'";
// NSIS's exit code for a setup that its script aborted.
const int kSetupAborted = 2;
// The install folder's and the drivers folder's security descriptor, as the setup must ask for it.
const std::string kFolderSddl = "O:BAD:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// "{drivers}" in an expected line stands for the drivers folder as the setup names it.
using ExpectedLog = std::function<Lines(const std::string& drivers)>;

// What the machine is made to do, or what has happened to it, before the program runs.
enum class Before {
    Nothing,
    LockHeld,               // another client holds the write lock
    SwitchInstallFails,     // the class installer refuses the second component it is given
    SetupRan,               // the setup installed the drivers
    SwitchShared,           // the setup ran, and another product installed the switch as well
    SetupRanLockHeld,       // the setup installed the drivers, then another client took the lock
    SwitchAndRollbackFail,  // the class installer refuses the switch and every DeInstall
    UninstallFailedPartly,  // the setup ran, an uninstall failed at the adapter, the fault cleared
    LinksAtTheSetupLog,     // the setup ran with a symbolic link at the setup log's name; now a
                            // hard link is there
    DriversFolderLinked,  // the install folder holds a link to nowhere at the drivers folder's name
};

enum class Program { Setup, Uninstaller };

// What the program's run leaves behind.
struct SetupLeaves {
    std::string machine;            // what netcfg-sim.exe show prints, from its components on
    std::vector<std::string> left;  // the install folder's files and folders afterwards, sorted
};

struct SetupCase {
    const char* name;
    Before before;
    Program program;
    int exitCode;
    SetupLeaves leaves;
    Lines setupLog;   // the setup's own log of the program's run
    ExpectedLog log;  // DriverInstaller's log of the program's run; none: no log
    // The program's calls that set a folder's security, as a relay trace shows them; none: not
    // traced.
    Lines securityCalls = {};
};

const std::vector<std::string> kInstalledFiles = {"drivers",
                                                  "drivers/DriverInstaller.exe",
                                                  "drivers/driverinstaller-log.exe",
                                                  "drivers/quorixlwf.inf",
                                                  "drivers/quorixvmini60.inf",
                                                  "uninstall.exe"};

// What the files that the links at the setup log's name lead to hold, each line ended by CR LF as
// the setup ends its own.
const char kSymbolicLinkTarget[] = "the file a symbolic link names";
const char kHardLinkTarget[] = "the file a hard link shares";
// The setup log where a hard link is at its name: the lines of the file it shares, unchanged.
const Lines kHardLinkTargetLines = {kHardLinkTarget};

// "{install}" stands for the install folder, "{drivers}" for its drivers folder.
const std::string kInstalling = "Quorix network drivers: installing into {drivers}";
const std::string kRemoving = "Quorix network drivers: removing, from {drivers}";
const std::string kInstallFolderSecured = "SetNamedSecurityInfoW({install}, " + kFolderSddl +
                                          ") returned 0: only administrators and SYSTEM can "
                                          "change the folder";
const std::string kDriversFolderSecured = "SetNamedSecurityInfoW({drivers}, " + kFolderSddl +
                                          ") returned 0: only administrators and SYSTEM can "
                                          "change the folder";
const std::string kInstalled =
    "DriverInstaller.exe Install returned 0: the virtual ethernet adapter and the virtual switch "
    "are installed";
const std::string kRemoved =
    "DriverInstaller.exe Uninstall returned 0: the virtual switch and the virtual ethernet "
    "adapter are removed";
const std::string kNothingLeft =
    "driverinstaller-log.exe --last --left-installed returned 0: nothing of the product is "
    "installed after that run";
const std::string kUninstallAnswered903 =
    "DriverInstaller.exe Uninstall returned 903: removing the virtual ethernet adapter failed";
const std::string kCannotTell =
    "driverinstaller-log.exe --last --left-installed returned 2: the log cannot tell what that "
    "run left installed";
const std::string kSomethingLeft =
    "driverinstaller-log.exe --last --left-installed returned 1: something of the product is, "
    "or may be, installed after that run";
const std::string kSwitchFailed =
    "DriverInstaller.exe Install returned 902: installing the virtual switch failed (the adapter "
    "stays installed)";
const std::string kSwitchRemovalNotNeeded =
    "DriverInstaller.exe Uninstall returned 904: removing the virtual switch failed (the adapter "
    "was removed)";
const std::string kCountsAsRemoved904 =
    "Exit code 904 counts as a complete removal: what it reports as not removed was not "
    "installed, and nothing of the product is left";
const std::string kEarlierFound =
    "An earlier installation is in {install}: its drivers are removed before the new ones are "
    "installed";

// A relay trace's calls into the security functions: "Call advapi32.F(...)" with the string
// argument shown as L"...", then "Ret  advapi32.F() retval=...".
const std::string kHex = "([0-9a-f]+)";
const std::string kWideString = "[0-9a-f]+ L\"([^\"]*)\"";
const std::regex kConvertCall(
    "Call advapi32\\.ConvertStringSecurityDescriptorToSecurityDescriptorW\\(" + kWideString + "," +
    kHex + ",");
const std::regex kSetCall("Call advapi32\\.SetNamedSecurityInfoW\\(" + kWideString + "," + kHex +
                          "," + kHex + "," + kHex + "," + kHex + "," + kHex + "," + kHex + "\\)");
const std::regex kSecurityReturn(
    "Ret  advapi32\\.(ConvertStringSecurityDescriptorToSecurityDescriptorW|SetNamedSecurityInfoW)"
    "\\(\\) retval=" +
    kHex);

std::string Present(const std::string& pointer) {
    return std::stoull(pointer, nullptr, 16) == 0 ? "null" : "set";
}

// The security calls of a relay trace, one line each with its result: the descriptor string
// converted, and each folder given the security, with the parts of the descriptor handed over
// (the owner, the group, the DACL, the SACL: "set" or "null").
Lines SecurityCalls(const std::string& trace) {
    Lines calls;
    std::istringstream lines(trace);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_search(line, match, kConvertCall)) {
            calls.push_back("ConvertStringSecurityDescriptorToSecurityDescriptorW(" +
                            match[1].str() + ", revision " + match[2].str() + ")");
        } else if (std::regex_search(line, match, kSetCall)) {
            // The trace doubles the backslashes of a wide string.
            const std::string path =
                std::regex_replace(match[1].str(), std::regex(R"(\\\\)"), "\\");
            calls.push_back("SetNamedSecurityInfoW(" + path + ", type " + match[2].str() +
                            ", information " + match[3].str() + ", owner " +
                            Present(match[4].str()) + ", group " + Present(match[5].str()) +
                            ", DACL " + Present(match[6].str()) + ", SACL " +
                            Present(match[7].str()) + ")");
        } else if (std::regex_search(line, match, kSecurityReturn) && !calls.empty()) {
            calls.back() += " returned " + match[2].str();
        }
    }
    return calls;
}

// The trace of a folder given the descriptor: SE_FILE_OBJECT (1); the owner, the DACL and its
// protection (0x80000005); the descriptor's owner and DACL, no group and no SACL.
std::string FolderSecured(const std::string& folder, const std::string& result) {
    return "SetNamedSecurityInfoW(" + folder +
           ", type 00000001, information 80000005, owner set, group null, DACL set, SACL null) "
           "returned " +
           result;
}
const std::string kDescriptorConverted = "ConvertStringSecurityDescriptorToSecurityDescriptorW(" +
                                         kFolderSddl + ", revision 00000001) returned 00000001";

// The trace of the descriptor given to the install folder, then to the drivers folder with
// driversResult.
Lines BothFoldersSecured(const std::string& driversResult) {
    return {kDescriptorConverted, FolderSecured("{install}", "00000000"), kDescriptorConverted,
            FolderSecured("{drivers}", driversResult)};
}

// The drivers' files kept in the install folder, and the machine as shown.
SetupLeaves DriversKept(const std::string& machine) {
    return {machine, kInstalledFiles};
}

// Both drivers installed, with the lock as given.
SetupLeaves Installed(const char* lock) {
    return DriversKept(Show(kInstalledComponents, kInstalledBindings, kNpfRunning, lock));
}

// The baseline machine, with npf and the lock as given, and left in the install folder.
SetupLeaves Baseline(const char* npf, const std::vector<std::string>& left,
                     const char* lock = kLockFree) {
    return {Show(kBaselineComponents, kBaselineBindings, npf, lock), left};
}

// The setup's log of a run that secured both folders: its first lines, then lines.
Lines Installing(const Lines& lines) {
    return Join({{kInstalling, kInstallFolderSecured, kDriversFolderSecured}, lines});
}

// The setup's log of the uninstaller's run: its first line, then lines.
Lines Removing(const Lines& lines) {
    return Join({{kRemoving}, lines});
}

// DriverInstaller's log as expected, whichever the drivers folder.
ExpectedLog Always(const Lines& lines) {
    return [lines](const std::string&) { return lines; };
}

// DriverInstaller's log of an Install refused at the switch, then of the rollback's Uninstall.
ExpectedLog SwitchRefusedThen(const Lines& rollback) {
    return [rollback](const std::string& drivers) {
        return Join(
            {expected_runs::InstallSwitchRefused(kFail, drivers + "\\quorixlwf.inf"), rollback});
    };
}

class SetupUnderWineTest : public testsupport::CaseTest<SetupCase, EnginePrefixTest> {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(DRIVERINSTALLER_SETUP_WINDOWS_EXE))
            << "the windows preset builds the setup program when makensis is installed";
        EnginePrefixTest::SetUp();
        installFolder_ = folder_.path() + "/Tandrel/Quorix";
    }

    void TearDown() override {
        if (traced_) {
            EnginePrefix().Run({"reg", "delete", kRelayKey, "/v", "RelayInclude", "/f"},
                               folder_.path(), {}, {}, OutputPath());
        }
        EnginePrefixTest::TearDown();
    }

    // Removes both logs, so that a run's logs hold that run alone; a link planted at the setup
    // log's name stays.
    void ClearLogs() const {
        fs::remove(fs::path(logFolder_) / testsupport::kLogFileName);
        const fs::path setupLog = fs::path(logFolder_) / kSetupLogName;
        std::error_code missing;
        if (fs::is_regular_file(fs::symlink_status(setupLog, missing)) &&
            fs::hard_link_count(setupLog, missing) == 1) {
            fs::remove(setupLog);
        }
    }

    // Runs the setup program or the uninstaller silently, with the logs going to the log folder,
    // after clearing them; its exit status as a Linux parent sees it. Traced, Wine's relay trace
    // of the security calls goes to the program's output.
    int RunProgram(Program program, bool traced = false) {
        ClearLogs();
        std::map<std::string, std::string> environment = {{"AutInstLog", WindowsPath(logFolder_)}};
        if (traced) {
            // Relay thunks for these two functions alone keep the trace short.
            EXPECT_EQ(EnginePrefix().Run(
                          {"reg", "add", kRelayKey, "/v", "RelayInclude", "/t", "REG_SZ", "/d",
                           "ConvertStringSecurityDescriptorToSecurityDescriptorW;"
                           "SetNamedSecurityInfoW",
                           "/f"},
                          folder_.path(), {}, {}, OutputPath()),
                      0)
                << Output();
            traced_ = true;
            environment["WINEDEBUG"] = "+relay";
        }
        if (program == Program::Setup) {
            // /D= must come last, unquoted.
            return EnginePrefix().Run(
                {DRIVERINSTALLER_SETUP_WINDOWS_EXE, "/S", "/D=" + WindowsPath(installFolder_)},
                folder_.path(), environment, {}, ProgramOutputPath());
        }
        // Without _?= the uninstaller would start a copy of itself and return at once.
        return EnginePrefix().Run(
            {installFolder_ + "/uninstall.exe", "/S", "_?=" + WindowsPath(installFolder_)},
            folder_.path(), environment, {}, ProgramOutputPath());
    }

    std::string ProgramOutputPath() const { return folder_.path() + "/setup-output.txt"; }

    // The install folder's files and folders, relative to it and sorted; none when it is gone.
    std::vector<std::string> Left() const { return FilesUnder(installFolder_); }

    static constexpr char kRelayKey[] = "HKCU\\Software\\Wine\\Debug";
    std::string installFolder_;
    bool traced_ = false;
};

// An expected setup log line with "{install}" and "{drivers}" filled in.
std::string Filled(std::string line, const std::string& install) {
    for (const auto& [mark, value] :
         {std::pair<std::string, std::string>{"{install}", install},
          std::pair<std::string, std::string>{"{drivers}", install + "\\drivers"}}) {
        for (auto at = line.find(mark); at != std::string::npos; at = line.find(mark)) {
            line.replace(at, mark.size(), value);
        }
    }
    return line;
}

// The setup's log as it must be written: the lines filled in, each ended by CR LF.
std::string SetupLogText(const Lines& lines, const std::string& install) {
    std::string text;
    for (const std::string& line : lines) {
        text += Filled(line, install) + "\r\n";
    }
    return text;
}

TEST_P(SetupUnderWineTest, MapsTheExitCode) {
    const SetupCase& c = GetParam();
    const fs::path setupLog = fs::path(logFolder_) / kSetupLogName;
    const std::string symbolicLinkTarget = folder_.path() + "/symbolic-link-target.txt";
    const std::string expectedTargetText = std::string(kSymbolicLinkTarget) + "\r\n";
    switch (c.before) {
        case Before::SetupRanLockHeld:
            ASSERT_EQ(RunProgram(Program::Setup), testsupport::kExitOk);
            [[fallthrough]];
        case Before::LockHeld:
            ASSERT_TRUE(HoldLockForTheTest());
            break;
        case Before::SetupRan:
            ASSERT_EQ(RunProgram(Program::Setup), testsupport::kExitOk);
            break;
        case Before::SwitchShared:
            ASSERT_EQ(RunProgram(Program::Setup), testsupport::kExitOk);
            ASSERT_EQ(NetCfgSim({"ref", "add", "QUORIX_NdisLwf", "--software", "Corvel",
                                 "Packet Lab", "Corvel Packet Lab 3"}),
                      0)
                << Output();
            break;
        case Before::SwitchInstallFails:
            ASSERT_EQ(FailSwitchInstall(), 0) << Output();
            break;
        case Before::SwitchAndRollbackFail:
            ASSERT_EQ(FailSwitchInstall(), 0) << Output();
            ASSERT_EQ(NetCfgSim({"fault", "add", "INetCfgClassSetup::DeInstall", "E_FAIL"}), 0)
                << Output();
            break;
        case Before::UninstallFailedPartly:
            ASSERT_EQ(RunProgram(Program::Setup), testsupport::kExitOk);
            // The switch's DeInstall is the first, the adapter's the second.
            ASSERT_EQ(
                NetCfgSim({"fault", "add", "INetCfgClassSetup::DeInstall", "E_FAIL", "nth", "2"}),
                0)
                << Output();
            ASSERT_EQ(RunProgram(Program::Uninstaller), testsupport::kExitAdapterRemovalFailed);
            ASSERT_EQ(NetCfgSim({"fault", "clear"}), 0) << Output();
            break;
        case Before::LinksAtTheSetupLog:
            testsupport::WriteFile(symbolicLinkTarget, expectedTargetText);
            fs::create_symlink(symbolicLinkTarget, setupLog);
            ASSERT_EQ(RunProgram(Program::Setup), testsupport::kExitOk);
            EXPECT_EQ(testsupport::ReadFile(symbolicLinkTarget), expectedTargetText);
            fs::remove(setupLog);
            testsupport::WriteFile(folder_.path() + "/hard-link-target.txt",
                                   std::string(kHardLinkTarget) + "\r\n");
            fs::create_hard_link(folder_.path() + "/hard-link-target.txt", setupLog);
            break;
        case Before::DriversFolderLinked:
            fs::create_directories(installFolder_);
            fs::create_directory_symlink(folder_.path() + "/nowhere",
                                         fs::path(installFolder_) / "drivers");
            break;
        case Before::Nothing:
            break;
    }

    // The setup program's own exit code is DriverInstaller's, as a Linux parent sees it.
    EXPECT_EQ(RunProgram(c.program, !c.securityCalls.empty()),
              testsupport::SeenOnLinux(c.exitCode));

    const std::string install = WindowsPath(installFolder_);
    const std::string drivers = install + "\\drivers";
    // npf comes up in a process of its own, after DriverInstaller.exe has asked for it.
    EXPECT_EQ(ShowOnceItShows({c.leaves.machine.c_str()}), c.leaves.machine);
    EXPECT_EQ(Left(), c.leaves.left);
    // Where a hard link is at the setup log's name, this is the file it shares, unchanged.
    EXPECT_EQ(testsupport::ReadFile(logFolder_ + "/" + kSetupLogName),
              SetupLogText(c.setupLog, install));
    if (c.log) {
        ExpectLog(Log(), c.log(drivers));
    } else {
        EXPECT_FALSE(Log().exists) << "DriverInstaller.exe ran";
    }
    if (!c.securityCalls.empty()) {
        Lines expected;
        for (const std::string& call : c.securityCalls) {
            expected.push_back(Filled(call, install));
        }
        EXPECT_EQ(SecurityCalls(testsupport::ReadFile(ProgramOutputPath())), expected);
    }
    if (c.before == Before::LinksAtTheSetupLog) {
        EXPECT_EQ(testsupport::ReadFile(symbolicLinkTarget), expectedTargetText);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Setup, SetupUnderWineTest,
    ::testing::Values(
        // The relay trace shows both folders given the descriptor before anything is unpacked.
        SetupCase{"InstallsBothDrivers", Before::Nothing, Program::Setup, kOk, Installed(kLockFree),
                  Installing({kInstalled}), Always(expected_runs::InstallSucceeds()),
                  BothFoldersSecured("00000000")},
        // 901 while another program holds the lock: the adapter's cycle was refused before it
        // changed anything and the switch was never tried, so the log reader answers that the
        // run left nothing; no rollback runs, and no file stays.
        SetupCase{
            "LeavesNothingWhenTheLockIsHeld", Before::LockHeld, Program::Setup,
            kAdapterInstallFailed, Baseline(kNpfStopped, {}, kLockHeld),
            Installing(
                {"DriverInstaller.exe Install returned 901: installing the virtual ethernet "
                 "adapter failed: another program (Other Setup Wizard) holds the network "
                 "configuration; close it and try again",
                 kNothingLeft,
                 "The drivers were not installed, and nothing of them is left: the setup ends "
                 "with exit code 901"}),
            [](const std::string& drivers) {
                return expected_runs::InstallWhileLockHeld(kLockHolder,
                                                           drivers + "\\quorixvmini60.inf");
            }},
        // 902 leaves the adapter installed; the rollback removes it, and its 904 (the switch
        // was not there) counts as a complete removal.
        SetupCase{
            "RollsBackTheAdapterWhenTheSwitchFails", Before::SwitchInstallFails, Program::Setup,
            kSwitchInstallFailed, Baseline(kNpfStopped, {}),
            Installing(
                {kSwitchFailed, kSomethingLeft, "Rollback: DriverInstaller.exe Uninstall",
                 kSwitchRemovalNotNeeded, kNothingLeft, kCountsAsRemoved904,
                 "The drivers were not installed, and nothing of them is left: the setup ends "
                 "with exit code 902"}),
            SwitchRefusedThen(expected_runs::UninstallAdapterAlone())},
        // The rollback's DeInstall of the adapter fails too: the adapter stays, and so do the
        // drivers folder and an uninstaller that can finish the removal.
        SetupCase{
            "KeepsTheMeansToFinishAFailedRollback", Before::SwitchAndRollbackFail, Program::Setup,
            kSwitchInstallFailed,
            DriversKept(Show(kAdapterAloneComponents, kAdapterAloneBindings, kNpfStopped,
                             kLockFree)),
            Installing(
                {kSwitchFailed, kSomethingLeft, "Rollback: DriverInstaller.exe Uninstall",
                 kUninstallAnswered903, kSomethingLeft,
                 "The rollback did not finish: {drivers} and {install}\\uninstall.exe are kept; "
                 "run uninstall.exe to finish the removal once the cause is dealt with. The "
                 "setup ends with exit code 902"}),
            SwitchRefusedThen(expected_runs::UninstallAdapterAloneStays())},
        // A repair: the earlier drivers are removed first, so the adapter is one instance.
        SetupCase{
            "RepairsAnEarlierInstallation", Before::SetupRan, Program::Setup, kOk,
            Installed(kLockFree),
            Installing({kEarlierFound, kRemoved, "The earlier drivers are removed", kInstalled}),
            Always(Join({expected_runs::UninstallSucceeds(), expected_runs::InstallSucceeds()}))},
        // The earlier drivers cannot be removed: the earlier installation stays whole.
        SetupCase{
            "KeepsTheEarlierInstallationWhenTheLockIsHeld", Before::SetupRanLockHeld,
            Program::Setup, kAdapterRemovalFailed, Installed(kLockHeld),
            Installing(
                {kEarlierFound, kUninstallAnswered903, kCannotTell,
                 "The earlier drivers could not be removed (removing the virtual ethernet "
                 "adapter failed: another program (Other Setup Wizard) holds the network "
                 "configuration; close it and try again): the earlier installation is kept as "
                 "it was, and the setup ends with exit code 903"}),
            Always(expected_runs::UninstallWhileLockHeld(kLockHolder))},
        // The uninstaller cannot delete itself while it runs in place (_?=).
        SetupCase{"UninstallerRestoresTheBaseline", Before::SetupRan, Program::Uninstaller, kOk,
                  Baseline(kNpfRunning, {"uninstall.exe"}), Removing({kRemoved}),
                  Always(expected_runs::UninstallSucceeds())},
        // The switch's DeInstall answers NETCFG_S_STILL_REFERENCED: the removal is not complete,
        // and the files stay so that the uninstaller can run again.
        SetupCase{
            "UninstallerKeepsTheDriversWhileTheSwitchIsShared", Before::SwitchShared,
            Program::Uninstaller, kSwitchRemovalFailed,
            DriversKept(Show(kSwitchKeptComponents, kSwitchKeptBindings, kNpfRunning, kLockFree)),
            Removing({kSwitchRemovalNotNeeded, kSomethingLeft,
                      "The drivers were not removed completely: {drivers} is kept, and the "
                      "uninstaller ends with exit code 904"}),
            Always(expected_runs::UninstallSwitchStillReferenced())},
        // The first uninstall removed the switch and failed at the adapter (903); once the fault
        // is gone, Uninstall finds no switch (904), and the log shows nothing left.
        SetupCase{"UninstallerFinishesAfterAPartialFailure", Before::UninstallFailedPartly,
                  Program::Uninstaller, kOk, Baseline(kNpfRunning, {"uninstall.exe"}),
                  Removing({kSwitchRemovalNotNeeded, kNothingLeft, kCountsAsRemoved904}),
                  Always(expected_runs::UninstallAdapterAlone())},
        // Links planted at the setup log's name get no line: the setup ran with a symbolic
        // link there, the uninstaller with a hard link. The log's file is then the hard link's
        // target, unchanged.
        SetupCase{"NeverWritesThroughALinkAtTheSetupLog", Before::LinksAtTheSetupLog,
                  Program::Uninstaller, kOk, Baseline(kNpfRunning, {"uninstall.exe"}),
                  kHardLinkTargetLines, Always(expected_runs::UninstallSucceeds())},
        // The drivers folder's name holds a link to nowhere, which cannot be given the
        // descriptor (ERROR_FILE_NOT_FOUND): the setup refuses before it unpacks or runs
        // anything, and leaves the install folder as it found it.
        SetupCase{"RefusesAFolderItCannotSecure",
                  Before::DriversFolderLinked,
                  Program::Setup,
                  kSetupAborted,
                  Baseline(kNpfStopped, {"drivers"}),
                  {kInstalling, kInstallFolderSecured,
                   "SetNamedSecurityInfoW({drivers}, " + kFolderSddl + ") failed with error 2",
                   "The setup refuses: only administrators may be able to change {drivers}, and "
                   "its security descriptor could not be set (error 2); nothing was unpacked, "
                   "installed or removed"},
                  nullptr,
                  BothFoldersSecured("00000002")}),
    testsupport::CaseName());

}  // namespace
