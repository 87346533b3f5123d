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

#include <shellapi.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
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

// A repair runs Install again, which adds an adapter instance; Uninstall removes every one.
TEST_F(InstallerProcessTest, UninstallRemovesEveryAdapterInstanceThatInstallsAdded) {
    const simwin::MachineState baseline = machine_.State();
    ASSERT_EQ(Run({"Install"}), kExitOk);
    ASSERT_EQ(Run({"Install"}), kExitOk);
    EXPECT_THAT(ComponentsOf(machine_.State()),
                testing::IsSupersetOf({"root\\quorixvmini60_a | Tandrel QUORIX Virtual Ethernet "
                                       "Adapter",
                                       "root\\quorixvmini60_a | Tandrel QUORIX Virtual Ethernet "
                                       "Adapter #2"}));
    fs::remove(testsupport::LogFileIn(logFolder_));

    EXPECT_EQ(Run({"Uninstall"}), kExitOk);

    EXPECT_EQ(LogLines(logFolder_), expected_runs::UninstallSucceeds(2));
    EXPECT_EQ(ComponentsOf(machine_.State()), ComponentsOf(baseline));
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
// folder, so that none comes from the setup folder it runs in; whatever the command. The function
// is looked up, not imported: where kernel32 lacks it, the run goes on as it would with it.
TEST_F(InstallerProcessTest, RestrictsTheDllSearchFirstWhereWindowsHasTheCall) {
    const std::string journal = machine_.root() + "/journal.log";
    const struct {
        std::vector<std::string> arguments;
        const char* fault;  // a machine fault rule, or ""
        int exitCode;
        std::vector<std::string> first;  // the journal's first entries
    } cases[] = {
        {{},
         "",
         kExitNoArgument,
         {"GetModuleHandleW kernel32.dll -> 1", "GetProcAddress SetDefaultDllDirectories -> 1",
          "SetDefaultDllDirectories 0x00000800 -> 1"}},
        {{"Uninstall"},
         "",
         kExitAdapterRemovalFailed,
         {"GetModuleHandleW kernel32.dll -> 1", "GetProcAddress SetDefaultDllDirectories -> 1",
          "SetDefaultDllDirectories 0x00000800 -> 1"}},
        {{}, "GetModuleHandleW 0", kExitNoArgument, {"GetModuleHandleW kernel32.dll -> 0"}},
        // A Windows without the function (Windows 7 without KB2533623).
        {{},
         "GetProcAddress 0",
         kExitNoArgument,
         {"GetModuleHandleW kernel32.dll -> 1", "GetProcAddress SetDefaultDllDirectories -> 0"}},
        {{},
         "SetDefaultDllDirectories FALSE error 87",
         kExitNoArgument,
         {"GetModuleHandleW kernel32.dll -> 1", "GetProcAddress SetDefaultDllDirectories -> 1",
          "SetDefaultDllDirectories 0x00000800 -> 0"}},
    };
    for (const auto& c : cases) {
        testsupport::WriteFile(journal, "");  // the journal is on while the file exists
        testsupport::WriteFile(machine_.root() + "/faults",
                               *c.fault != '\0' ? c.fault + std::string("\n") : "");
        EXPECT_EQ(Run(c.arguments), c.exitCode) << c.fault;
        std::istringstream entries(testsupport::ReadFile(journal));
        std::string header;
        ASSERT_TRUE(std::getline(entries, header));
        EXPECT_THAT(header, StartsWith("# process "));
        std::vector<std::string> rest;
        for (std::string entry; std::getline(entries, entry);) {
            rest.push_back(entry);
        }
        ASSERT_GE(rest.size(), c.first.size()) << c.fault;
        EXPECT_EQ(std::vector<std::string>(rest.begin(), rest.begin() + c.first.size()), c.first)
            << c.fault;
        // Looked up once, called at most once.
        EXPECT_EQ(std::count_if(rest.begin(), rest.end(),
                                [](const std::string& entry) {
                                    return entry.rfind("SetDefaultDllDirectories", 0) == 0;
                                }),
                  c.first.size() == 3 ? 1 : 0)
            << c.fault;
    }
}

// The time prefix is the local time of the time zone the process runs in: here TZ names one
// 5 h 45 min east of UTC, in TZ's own form, which needs no time zone files. The bounds come from
// CLOCK_REALTIME (system_clock), the clock the platform's GetLocalTime reads: time() reads the
// kernel's coarse clock, which lags it by up to a tick.
TEST_F(InstallerProcessTest, TimePrefixIsTheLocalTimeOfTheProcessTimeZone) {
    ProcessOptions options = machine_.RunOptions();
    options.environment["TZ"] = "<+0545>-05:45";
    using SystemClock = std::chrono::system_clock;
    const std::time_t before = SystemClock::to_time_t(SystemClock::now());
    ASSERT_EQ(RunProcess(DRIVERINSTALLER_EXE, {}, options), kExitNoArgument);
    const std::time_t after = SystemClock::to_time_t(SystemClock::now());

    const std::string log = testsupport::ReadFile(testsupport::LogFileIn(logFolder_));
    constexpr std::time_t kOffset = (5 * 60 + 45) * 60;
    std::vector<std::string> accepted;
    for (std::time_t moment = before; moment <= after; ++moment) {
        const std::time_t local = moment + kOffset;
        std::tm parts{};
        ::gmtime_r(&local, &parts);
        char prefix[32] = {};
        std::strftime(prefix, sizeof prefix, "%Y-%m-%d___%H:%M:%S | ", &parts);
        accepted.push_back(prefix);
        if (log.rfind(prefix, 0) == 0) {
            return;
        }
    }
    ADD_FAILURE() << "the log starts " << log.substr(0, 24) << ", none of "
                  << ::testing::PrintToString(accepted);
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

// Another client holds the write lock for longer than every cycle waits for it, describing itself
// as it likes: each cycle makes its own attempt at the lock and names that client, on one line.
struct LockHolderCase {
    const char* name;
    const char* description;  // as the other client gives it
    const char* logged;       // as the log must show it
};

class LockHeldTest : public testsupport::CaseTest<LockHolderCase, InstallerProcessTest> {};

TEST_P(LockHeldTest, EveryCycleIsRefusedAndNamesTheHolderOnOneLine) {
    const simwin::MachineState before = machine_.State();
    ProcessOptions holderOptions;
    holderOptions.environment = {{"SIMWIN_ROOT", machine_.root()}};
    const pid_t holder = testsupport::Spawn(
        NETCFG_SIM_EXE, {"lock", "--hold", "30", "--as", GetParam().description}, holderOptions);
    ASSERT_GT(holder, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (machine_.State().lockHolder.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(Narrow(machine_.State().lockHolder), GetParam().description);

    const int installStatus = Run({"Install"});
    const int uninstallStatus = Run({"Uninstall"});
    ::kill(holder, SIGKILL);
    testsupport::WaitFor(holder);

    EXPECT_EQ(installStatus, kExitAdapterInstallFailed);
    EXPECT_EQ(uninstallStatus, kExitAdapterRemovalFailed);
    EXPECT_EQ(LogLines(logFolder_),
              expected_runs::Join({expected_runs::InstallWhileLockHeld(
                                       GetParam().logged, setupFolder_ + "/quorixvmini60.inf"),
                                   expected_runs::UninstallWhileLockHeld(GetParam().logged)}));
    EXPECT_EQ(ComponentsOf(machine_.State()), ComponentsOf(before));
}

INSTANTIATE_TEST_SUITE_P(
    Holders, LockHeldTest,
    ::testing::Values(
        LockHolderCase{"PlainDescription", "Other Setup Wizard", "Other Setup Wizard"},
        // Line breaks, a terminal's escape sequence and a tab, which would otherwise forge a line
        // of a successful run, are written as escapes; the rest of the text stays as it is.
        LockHolderCase{"DescriptionWithControlCharacters",
                       "Other\r\n2026-12-08___04:38:25 | Configuration of IPv6 and Virtual "
                       "Switch succeeded.\n\x1b[2K\tx",
                       "Other\\r\\n2026-12-08___04:38:25 | Configuration of IPv6 and Virtual "
                       "Switch succeeded.\\n\\x1b[2K\\tx"}),
    testsupport::CaseName());

// The log's folder may be named through a link: only a link at the log's own name is refused.
TEST_F(InstallerProcessTest, AFolderNamedThroughALinkGetsTheLines) {
    const std::string linkedFolder = machine_.root() + "/logs-link";
    fs::create_directory_symlink(logFolder_, linkedFolder);
    ProcessOptions options = machine_.RunOptions();
    options.environment["AutInstLog"] = linkedFolder;

    EXPECT_EQ(RunProcess(DRIVERINSTALLER_EXE, {"Instal"}, options), kExitRefused);

    const std::string equals(68, '=');
    EXPECT_THAT(LogLines(logFolder_), ElementsAre("", "", "", equals, "< START >", equals,
                                                  "Command found: invalid command"));
}

// A net.exe planted in the setup folder, which is the current folder of the run: a program that
// starts "net.exe" by its bare name finds it before the system's, so DriverInstaller must name the
// system's own.
TEST_F(InstallerProcessTest, NetExePlantedInTheSetupFolderIsNeverRun) {
    const std::string marker = machine_.root() + "/planted-net-exe-ran";
    const std::string planted = setupFolder_ + "/net.exe";
    testsupport::WriteFile(planted, "#!/bin/sh\necho ran >> " + marker + "\n");
    ::chmod(planted.c_str(), 0755);
    const auto markerAppears = [&marker] {
        for (int i = 0; i < 500 && !fs::exists(marker); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return fs::exists(marker);
    };

    // Started by its bare name from the setup folder, as the launch once named it, the planted
    // one runs: this test can tell the two apart.
    const fs::path previousFolder = fs::current_path();
    const char* previousRoot = std::getenv("SIMWIN_ROOT");
    const std::string savedRoot = previousRoot != nullptr ? previousRoot : "";
    fs::current_path(setupFolder_);
    ::setenv("SIMWIN_ROOT", machine_.root().c_str(), 1);
    const HINSTANCE bareLaunch =
        ShellExecuteW(nullptr, L"open", L"net.exe", L"start npf", L"C:\\", SW_HIDE);
    if (previousRoot != nullptr) {
        ::setenv("SIMWIN_ROOT", savedRoot.c_str(), 1);
    } else {
        ::unsetenv("SIMWIN_ROOT");
    }
    fs::current_path(previousFolder);
    EXPECT_GT(reinterpret_cast<INT_PTR>(bareLaunch), 32);
    ASSERT_TRUE(markerAppears()) << "the planted net.exe did not run when started by name";
    fs::remove(marker);

    ASSERT_EQ(Run({"Install"}), kExitOk);

    // One launch: npf running means the system's net.exe was the one started.
    EXPECT_TRUE(ServiceRunning(WaitForService("npf"), "npf"));
    EXPECT_FALSE(fs::exists(marker)) << "DriverInstaller ran the planted net.exe";
}

}  // namespace
