// DriverInstaller run as a process on a fresh simulated machine, the way a setup program runs it:
// the exit code, the machine's state afterwards and the log.
#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/log_file.h"
#include "support/machine_views.h"
#include "support/process.h"
#include "support/setup_machine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <set>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::Not;
using ::testing::StartsWith;
using testsupport::BindingsOf;
using testsupport::ComponentsOf;
using namespace testsupport::exit_status;
using testsupport::Narrow;
using testsupport::ProcessOptions;
using testsupport::RunProcess;
using testsupport::ServiceRunning;

// The log's messages; a line without its time prefix or LF fails the test.
std::vector<std::string> LogLines(const std::string& folder) {
    const testsupport::LogFile log = testsupport::ReadLog(testsupport::LogFileIn(folder), "\n");
    EXPECT_EQ(log.malformedLines, std::vector<std::string>{});
    return log.messages;
}

class InstallerProcessTest : public ::testing::Test {
protected:
    // Adds a fault rule to the machine, as `netcfg-sim fault add` does.
    void AddMachineFault(const std::string& rule) {
        const std::string path = machine_.root() + "/faults";
        testsupport::WriteFile(path, testsupport::ReadFile(path) + rule + "\n");
    }

    int Run(const std::vector<std::string>& arguments, std::vector<std::string> prefix = {}) {
        ProcessOptions options = machine_.RunOptions();
        options.prefix = std::move(prefix);
        return RunProcess(DRIVERINSTALLER_EXE, arguments, options);
    }

    simwin::MachineState WaitForService(const std::string& name) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        simwin::MachineState state = machine_.State();
        while (!ServiceRunning(state, name) && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            state = machine_.State();
        }
        return state;
    }

    testsupport::SetupMachine machine_;
    const std::string& setupFolder_ = machine_.setupFolder();
    const std::string& logFolder_ = machine_.logFolder();
};

TEST_F(InstallerProcessTest,
       InstallSetsUpBothComponentsBindingsAndServiceAndUninstallRestoresBaseline) {
    const simwin::MachineState baseline = machine_.State();

    ASSERT_EQ(Run({"Install"}), kExitOk);

    const simwin::MachineState installed = WaitForService("npf");
    EXPECT_TRUE(ServiceRunning(installed, "npf"));
    EXPECT_EQ(ComponentsOf(installed), testsupport::kComponentsInstalled);
    EXPECT_EQ(BindingsOf(installed), testsupport::kBindingsInstalled);
    const auto log = LogLines(logFolder_);
    EXPECT_THAT(log, Contains("Configuration of IPv6 and Virtual Switch succeeded."));
    EXPECT_THAT(log, Contains("DeviceManager::StartNPFService() was successful."));
    EXPECT_THAT(log, Each(Not(StartsWith("<ERROR>"))));

    ASSERT_EQ(Run({"Uninstall"}), kExitOk);
    const simwin::MachineState removed = machine_.State();
    EXPECT_EQ(ComponentsOf(removed), ComponentsOf(baseline));
    EXPECT_EQ(BindingsOf(removed), BindingsOf(baseline));

    EXPECT_EQ(Run({"Uninstall"}), kExitAdapterRemovalFailed);
}

// A whole run, from a state reached by earlier runs, compared with the log every build must write.
struct WholeRunCase {
    const char* name;
    bool installFirst;  // an Install run before the run under test
    const char* fault;  // a fault rule added for the run under test, or ""
    const char* store;  // text that replaces the store before the run under test, or null
    const char* command;
    int exitCode;
    // The whole log of the run under test, given the setup folder's INF path of the adapter.
    expected_runs::Lines (*log)(const std::string& adapterInfPath);
};

class WholeRunTest : public testsupport::CaseTest<WholeRunCase, InstallerProcessTest> {};

TEST_P(WholeRunTest, EndsWithItsCodeAndWritesTheWholeLog) {
    const WholeRunCase& c = GetParam();
    if (c.installFirst) {
        ASSERT_EQ(Run({"Install"}), kExitOk);
        fs::remove(testsupport::LogFileIn(logFolder_));
    }
    if (*c.fault != '\0') {
        AddMachineFault(c.fault);
    }
    if (c.store != nullptr) {
        testsupport::WriteFile(machine_.root() + "/netcfg.store", c.store);
    }

    EXPECT_EQ(Run({c.command}), c.exitCode);

    EXPECT_EQ(LogLines(logFolder_), c.log(setupFolder_ + "/quorixvmini60.inf"));
    if (c.store != nullptr) {
        // A corrupt store is refused, never overwritten.
        EXPECT_EQ(testsupport::ReadFile(machine_.root() + "/netcfg.store"), c.store);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, WholeRunTest,
    ::testing::Values(
        WholeRunCase{"InstallOnAFreshMachine", false, "", nullptr, "Install", kExitOk,
                     [](const std::string&) { return expected_runs::InstallSucceeds(); }},
        WholeRunCase{"UninstallAfterInstall", true, "", nullptr, "Uninstall", kExitOk,
                     [](const std::string&) { return expected_runs::UninstallSucceeds(); }},
        WholeRunCase{"UninstallWithNothingInstalled", false, "", nullptr, "Uninstall",
                     kExitAdapterRemovalFailed,
                     [](const std::string&) {
                         // FindComponent answers S_FALSE for a component that is not there.
                         return expected_runs::UninstallFindsNothing("hr='1' / hr='0x00000001'");
                     }},
        WholeRunCase{"UninstallWithACorruptStore", false, "", "garbage\n", "Uninstall",
                     kExitAdapterRemovalFailed,
                     [](const std::string&) { return expected_runs::UninstallStoreCorrupt(); }},
        WholeRunCase{"InstallWhoseAdapterApplyAnswersReboot", false,
                     "INetCfg::Apply NETCFG_S_REBOOT nth 2", nullptr, "Install",
                     kExitAdapterInstallFailed, expected_runs::InstallAdapterApplyAnswersReboot},
        WholeRunCase{
            "UninstallWhoseSwitchApplyAnswersReboot", true, "INetCfg::Apply NETCFG_S_REBOOT nth 1",
            nullptr, "Uninstall", kExitSwitchRemovalFailed,
            [](const std::string&) { return expected_runs::UninstallSwitchApplyAnswersReboot(); }}),
    testsupport::CaseName());

// Before anything else, the process restricts the DLLs that are loaded later to the system
// folder, so that none comes from the setup folder it runs in; whatever the command.
TEST_F(InstallerProcessTest, RestrictsTheDllSearchFirst) {
    const std::string journal = machine_.root() + "/journal.log";
    for (const std::vector<std::string>& arguments :
         {std::vector<std::string>{}, std::vector<std::string>{"Uninstall"}}) {
        testsupport::WriteFile(journal, "");  // the journal is on while the file exists
        Run(arguments);
        std::istringstream entries(testsupport::ReadFile(journal));
        std::string header;
        std::string first;
        ASSERT_TRUE(std::getline(entries, header) && std::getline(entries, first));
        EXPECT_THAT(header, StartsWith("# process "));
        EXPECT_EQ(first, "SetDefaultDllDirectories 0x00000800 -> 1");
    }
}

TEST_F(InstallerProcessTest, EveryRunStartsWithTheBannerAndRefusalsHaveTheirCodes) {
    EXPECT_EQ(Run({}), kExitNoArgument);
    EXPECT_EQ(Run({"Instal"}), kExitRefused);
    const std::string equals(68, '=');
    EXPECT_THAT(LogLines(logFolder_),
                ElementsAre("", "", "", equals, "< START >", equals,
                            "Too less command arguments, [install] or [uninstall] expected", "", "",
                            "", equals, "< START >", equals, "Command found: invalid command"));
}

TEST_F(InstallerProcessTest, WithoutPrivilegeNothingIsChanged) {
    const simwin::MachineState before = machine_.State();

    EXPECT_EQ(Run({"Install"}, {"setpriv", "--bounding-set=-all", "--inh-caps=-all", "--"}),
              kExitRefused);

    const simwin::MachineState after = machine_.State();
    EXPECT_EQ(ComponentsOf(after), ComponentsOf(before));
    EXPECT_EQ(BindingsOf(after), BindingsOf(before));
    EXPECT_TRUE(after.infs.empty());
    EXPECT_THAT(LogLines(logFolder_),
                Contains("<ERROR> | Admin rights are required to install the driver!"));
}

TEST_F(InstallerProcessTest, AMissingInfFileChangesNothing) {
    const simwin::MachineState before = machine_.State();
    for (const char* missing : {"quorixvmini60.inf", "quorixlwf.inf"}) {
        SCOPED_TRACE(missing);
        const fs::path path = fs::path(setupFolder_) / missing;
        const fs::path aside = fs::path(setupFolder_) / "aside";
        fs::rename(path, aside);

        EXPECT_EQ(Run({"Install"}), kExitInfMissing);

        fs::rename(aside, path);
        const simwin::MachineState after = machine_.State();
        EXPECT_EQ(ComponentsOf(after), ComponentsOf(before));
        EXPECT_EQ(BindingsOf(after), BindingsOf(before));
        EXPECT_TRUE(after.infs.empty());
    }
}

// SIMWIN_ROOT naming no machine is a system without the network configuration class: the
// creation fails before any lock is asked for, and the log shows it as any failed creation.
TEST_F(InstallerProcessTest, WithoutAMachineTheConfigurationClassIsNotRegistered) {
    ProcessOptions options = machine_.RunOptions();
    options.environment["SIMWIN_ROOT"] = machine_.root() + "/no-machine";

    EXPECT_EQ(RunProcess(DRIVERINSTALLER_EXE, {"Install"}, options), kExitAdapterInstallFailed);

    EXPECT_EQ(LogLines(logFolder_),
              expected_runs::InstallWithoutConfigurationClass(setupFolder_ + "/quorixvmini60.inf"));
    EXPECT_FALSE(fs::exists(machine_.root() + "/no-machine")) << "a machine folder was made";
}

TEST_F(InstallerProcessTest, UninstallWhileAnotherClientHoldsTheLockNamesThatClient) {
    ASSERT_EQ(Run({"Install"}), kExitOk);
    const simwin::MachineState installed = machine_.State();

    // The other client holds the write lock for longer than both removal cycles wait for it.
    ProcessOptions holderOptions;
    holderOptions.environment = {{"SIMWIN_ROOT", machine_.root()}};
    const pid_t holder = testsupport::Spawn(
        NETCFG_SIM_EXE, {"lock", "--hold", "30", "--as", "Other Setup Wizard"}, holderOptions);
    ASSERT_GT(holder, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (machine_.State().lockHolder.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(Narrow(machine_.State().lockHolder), "Other Setup Wizard");

    const int status = Run({"Uninstall"});
    ::kill(holder, SIGKILL);
    testsupport::WaitFor(holder);

    EXPECT_EQ(status, kExitAdapterRemovalFailed);
    // Each removal cycle makes its own attempt at the lock and reports the holder.
    const auto log = LogLines(logFolder_);
    const auto uninstallRun = std::find(log.rbegin(), log.rend(), "< START >").base() - 5;
    EXPECT_EQ(std::vector<std::string>(uninstallRun, log.end()),
              expected_runs::UninstallWhileLockHeld("Other Setup Wizard"));
    EXPECT_EQ(ComponentsOf(machine_.State()), ComponentsOf(installed));
}

}  // namespace
