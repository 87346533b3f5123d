// The example setup program (examples/nsis/setup.nsi, built by the windows preset) run under Wine
// as an administrator runs it, silently, against our network configuration engine: it unpacks
// DriverInstaller.exe and the INF files, runs DriverInstaller.exe there, rolls back and removes
// its files when the installation fails, and its uninstaller removes the drivers and then the
// files. Each case compares the setup program's exit code, the machine, the files left in the
// install folder, the setup's own log and DriverInstaller's whole log.
#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/process.h"
#include "support/text_file.h"
#include "wine/engine_prefix.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
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

// "{drivers}" in an expected line stands for the drivers folder as the setup names it.
using ExpectedLog = std::function<Lines(const std::string& drivers)>;

// What the machine is made to do, or what has happened to it, before the program runs.
enum class Before {
    Nothing,
    LockHeld,            // another client holds the write lock
    SwitchInstallFails,  // the class installer refuses the second component it is given
    SetupRan,            // the setup installed the drivers
    SwitchShared,        // the setup ran, and another product installed the switch as well
};

enum class Program { Setup, Uninstaller };

struct SetupCase {
    const char* name;
    Before before;
    Program program;
    int exitCode;
    std::string machine;            // what netcfg-sim.exe show prints, from its components on
    std::vector<std::string> left;  // the install folder's files and folders afterwards, sorted
    Lines setupLog;                 // the setup's own log of the program's run
    ExpectedLog log;                // DriverInstaller's log of the program's run
};

const std::vector<std::string> kInstalledFiles = {"drivers", "drivers/DriverInstaller.exe",
                                                  "drivers/quorixlwf.inf",
                                                  "drivers/quorixvmini60.inf", "uninstall.exe"};

// The switch kept for another product after the adapter's removal; its bindings to the physical
// adapters stay as the installation set them.
const std::string kSwitchKeptComponents =
    std::string(kBaselineComponents) +
    "    quorix_ndislwf  \"Tandrel QUORIX Virtual Switch\"  (quorixlwf.inf)\n"
    "      on behalf of: user; software \"Corvel\" \"Packet Lab\" \"Corvel Packet Lab 3\"\n";
const std::string kSwitchKeptBindings =
    std::string(kBaselineBindings) +
    "  disabled  quorix_ndislwf -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network "
    "Connection\"\n"
    "  disabled  quorix_ndislwf -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet "
    "NIC\"\n";

const std::string kInstalling = "Quorix network drivers: installing into {drivers}";
const std::string kRemoving = "Quorix network drivers: removing, from {drivers}";

class SetupUnderWineTest : public testsupport::CaseTest<SetupCase, EnginePrefixTest> {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(DRIVERINSTALLER_SETUP_WINDOWS_EXE))
            << "the windows preset builds the setup program when makensis is installed";
        EnginePrefixTest::SetUp();
        installFolder_ = folder_.path() + "/Tandrel/Quorix";
    }

    // Runs the setup program or the uninstaller silently, with the logs going to the log folder,
    // after removing both logs; its exit status as a Linux parent sees it.
    int RunProgram(Program program) const {
        fs::remove(fs::path(logFolder_) / testsupport::kLogFileName);
        fs::remove(fs::path(logFolder_) / kSetupLogName);
        const std::map<std::string, std::string> environment = {
            {"AutInstLog", WindowsPath(logFolder_)}};
        const std::string output = folder_.path() + "/setup-output.txt";
        if (program == Program::Setup) {
            // /D= must come last, unquoted.
            return EnginePrefix().Run(
                {DRIVERINSTALLER_SETUP_WINDOWS_EXE, "/S", "/D=" + WindowsPath(installFolder_)},
                folder_.path(), environment, {}, output);
        }
        // Without _?= the uninstaller would start a copy of itself and return at once.
        return EnginePrefix().Run(
            {installFolder_ + "/uninstall.exe", "/S", "_?=" + WindowsPath(installFolder_)},
            folder_.path(), environment, {}, output);
    }

    // The install folder's files and folders, relative to it and sorted; none when it is gone.
    std::vector<std::string> Left() const {
        std::vector<std::string> left;
        std::error_code missing;
        for (const auto& entry : fs::recursive_directory_iterator(installFolder_, missing)) {
            left.push_back(fs::relative(entry.path(), installFolder_).generic_string());
        }
        std::sort(left.begin(), left.end());
        return left;
    }

    std::string installFolder_;
};

// The setup's log as it must be written: the lines with "{drivers}" filled in, each ended by CR LF.
std::string SetupLogText(const Lines& lines, const std::string& drivers) {
    std::string text;
    for (std::string line : lines) {
        if (const auto at = line.find("{drivers}"); at != std::string::npos) {
            line.replace(at, 9, drivers);
        }
        text += line + "\r\n";
    }
    return text;
}

TEST_P(SetupUnderWineTest, MapsTheExitCode) {
    const SetupCase& c = GetParam();
    pid_t holder = -1;
    switch (c.before) {
        case Before::Nothing:
            break;
        case Before::LockHeld:
            holder = HoldLock();
            ASSERT_GT(holder, 0);
            break;
        case Before::SwitchInstallFails:
            // Counted in each process: the adapter's Install is the first, the switch's the second.
            ASSERT_EQ(
                NetCfgSim({"fault", "add", "INetCfgClassSetup::Install", "E_FAIL", "nth", "2"}), 0)
                << Output();
            break;
        case Before::SetupRan:
        case Before::SwitchShared:
            ASSERT_EQ(RunProgram(Program::Setup), testsupport::kExitOk);
            break;
    }
    if (c.before == Before::SwitchShared) {
        ASSERT_EQ(NetCfgSim({"ref", "add", "QUORIX_NdisLwf", "--software", "Corvel", "Packet Lab",
                             "Corvel Packet Lab 3"}),
                  0)
            << Output();
    }

    // The setup program's own exit code is DriverInstaller's, as a Linux parent sees it.
    EXPECT_EQ(RunProgram(c.program), testsupport::SeenOnLinux(c.exitCode));

    const std::string drivers = WindowsPath(installFolder_) + "\\drivers";
    // npf comes up in a process of its own, after DriverInstaller.exe has asked for it.
    EXPECT_EQ(ShowOnceItShows({c.machine.c_str()}), c.machine);
    EXPECT_EQ(Left(), c.left);
    EXPECT_EQ(testsupport::ReadFile(logFolder_ + "/" + kSetupLogName),
              SetupLogText(c.setupLog, drivers));
    ExpectLog(Log(), c.log(drivers));

    if (holder > 0) {
        ::kill(holder, SIGKILL);
        testsupport::WaitFor(holder);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Setup, SetupUnderWineTest,
    ::testing::Values(
        SetupCase{"InstallsBothDrivers",
                  Before::Nothing,
                  Program::Setup,
                  kOk,
                  Show(kInstalledComponents, kInstalledBindings, kNpfRunning, kLockFree),
                  kInstalledFiles,
                  {kInstalling,
                   "DriverInstaller.exe Install returned 0: the virtual ethernet "
                   "adapter and the virtual switch are installed"},
                  [](const std::string&) { return expected_runs::InstallSucceeds(); }},
        // 901 with nothing installed: the rollback's Uninstall is refused the lock as well.
        SetupCase{"RollsBackWhenTheLockIsHeld",
                  Before::LockHeld,
                  Program::Setup,
                  kAdapterInstallFailed,
                  Show(kBaselineComponents, kBaselineBindings, kNpfStopped, kLockHeld),
                  {},
                  {kInstalling,
                   "DriverInstaller.exe Install returned 901: installing the virtual ethernet "
                   "adapter failed",
                   "Rollback: DriverInstaller.exe Uninstall returned 903",
                   "The drivers were not installed: the setup ends with exit code 901"},
                  [](const std::string& drivers) {
                      return Join({expected_runs::InstallWhileLockHeld(
                                       kLockHolder, drivers + "\\quorixvmini60.inf"),
                                   expected_runs::UninstallWhileLockHeld(kLockHolder)});
                  }},
        // 902 leaves the adapter installed; the rollback removes it.
        SetupCase{"RollsBackTheAdapterWhenTheSwitchFails",
                  Before::SwitchInstallFails,
                  Program::Setup,
                  kSwitchInstallFailed,
                  Show(kBaselineComponents, kBaselineBindings, kNpfStopped, kLockFree),
                  {},
                  {kInstalling,
                   "DriverInstaller.exe Install returned 902: installing the virtual switch "
                   "failed (the adapter stays installed)",
                   "Rollback: DriverInstaller.exe Uninstall returned 904",
                   "The drivers were not installed: the setup ends with exit code 902"},
                  [](const std::string& drivers) {
                      return Join(
                          {expected_runs::InstallSwitchRefused(kFail, drivers + "\\quorixlwf.inf"),
                           expected_runs::UninstallAdapterAlone()});
                  }},
        // The uninstaller cannot delete itself while it runs in place (_?=).
        SetupCase{"UninstallerRestoresTheBaseline",
                  Before::SetupRan,
                  Program::Uninstaller,
                  kOk,
                  Show(kBaselineComponents, kBaselineBindings, kNpfRunning, kLockFree),
                  {"uninstall.exe"},
                  {kRemoving,
                   "DriverInstaller.exe Uninstall returned 0: the virtual switch and "
                   "the virtual ethernet adapter are removed"},
                  [](const std::string&) { return expected_runs::UninstallSucceeds(); }},
        // The switch's DeInstall answers NETCFG_S_STILL_REFERENCED: the removal is not complete,
        // and the files stay so that the uninstaller can run again.
        SetupCase{
            "UninstallerKeepsTheDriversWhileTheSwitchIsShared",
            Before::SwitchShared,
            Program::Uninstaller,
            kSwitchRemovalFailed,
            Show(kSwitchKeptComponents.c_str(), kSwitchKeptBindings.c_str(), kNpfRunning,
                 kLockFree),
            kInstalledFiles,
            {kRemoving,
             "DriverInstaller.exe Uninstall returned 904: removing the virtual switch "
             "failed (the adapter was removed)",
             "The drivers were not removed completely: {drivers} is kept, and the "
             "uninstaller ends with exit code 904"},
            [](const std::string&) { return expected_runs::UninstallSwitchStillReferenced(); }}),
    testsupport::CaseName());

}  // namespace
