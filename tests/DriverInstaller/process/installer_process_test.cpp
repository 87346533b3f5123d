// DriverInstaller run as a process on a fresh simulated machine, the way a setup program runs it:
// the exit code, the machine's state afterwards and the log.
#include "support/expected_runs.h"
#include "support/process.h"
#include "support/temp_machine.h"

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
using testsupport::ProcessOptions;
using testsupport::RunProcess;
using testsupport::TempMachine;

constexpr char kLogName[] = "Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log";
constexpr wchar_t kAdapterId[] = L"root\\quorixvmini60_a";
constexpr wchar_t kSwitchId[] = L"quorix_ndislwf";

// Exit codes as a Linux parent sees them: the code modulo 256.
constexpr int kExitOk = 0;
constexpr int kExitRemoveAdapterFailed = 903 % 256;
constexpr int kExitNoArgument = 905 % 256;
constexpr int kExitRefused = 906 % 256;
constexpr int kExitInfMissing = 908 % 256;

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

// Components and binding paths in a form that compares whole and prints readably.
std::multiset<std::string> Components(const simwin::MachineState& state) {
    std::multiset<std::string> out;
    for (const auto& component : state.components) {
        out.insert(Narrow(component.id) + " | " + Narrow(component.displayName));
    }
    return out;
}

std::multiset<std::string> Bindings(const simwin::MachineState& state) {
    std::multiset<std::string> out;
    for (const auto& path : state.bindings) {
        out.insert(Narrow(path.upperId) + " -> " + Narrow(path.lowerDisplayName) +
                   (path.enabled ? " enabled" : " disabled"));
    }
    return out;
}

bool ServiceRunning(const simwin::MachineState& state, const std::string& name) {
    return std::any_of(state.services.begin(), state.services.end(),
                       [&](const simwin::ServiceInfo& s) { return s.name == name && s.running; });
}

// The log's lines with the time prefix removed.
std::vector<std::string> LogLines(const std::string& folder) {
    std::istringstream text(testsupport::ReadFile(folder + "/" + kLogName));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(text, line)) {
        const auto bar = line.find(" | ");
        lines.push_back(bar == std::string::npos ? line : line.substr(bar + 3));
    }
    return lines;
}

class InstallerProcessTest : public ::testing::Test {
protected:
    InstallerProcessTest()
        : machine_(simwin::MachineOptions{true}),
          setupFolder_(machine_.MakeFolder("setup")),
          logFolder_(machine_.MakeFolder("logs")) {
        for (const char* name : {"quorixvmini60.inf", "quorixlwf.inf"}) {
            fs::copy_file(fs::path(INF_FOLDER) / name, fs::path(setupFolder_) / name);
        }
    }

    // Adds a fault rule to the machine, as `netcfg-sim fault add` does.
    void AddMachineFault(const std::string& rule) {
        const std::string path = machine_.root() + "/faults";
        testsupport::WriteFile(path, testsupport::ReadFile(path) + rule + "\n");
    }

    int Run(const std::vector<std::string>& arguments, std::vector<std::string> prefix = {}) {
        ProcessOptions options;
        options.workingFolder = setupFolder_;
        options.environment = {{"SIMWIN_ROOT", machine_.root()}, {"AutInstLog", logFolder_}};
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

    TempMachine machine_;
    std::string setupFolder_;
    std::string logFolder_;
};

TEST_F(InstallerProcessTest,
       InstallSetsUpBothComponentsBindingsAndServiceAndUninstallRestoresBaseline) {
    const simwin::MachineState baseline = machine_.State();

    ASSERT_EQ(Run({"Install"}), kExitOk);

    const simwin::MachineState installed = WaitForService("npf");
    EXPECT_TRUE(ServiceRunning(installed, "npf"));
    EXPECT_THAT(Components(installed),
                Contains("root\\quorixvmini60_a | Tandrel QUORIX Virtual Ethernet Adapter"));
    EXPECT_THAT(Components(installed), Contains("quorix_ndislwf | Tandrel QUORIX Virtual Switch"));
    int switchPaths = 0;
    for (const auto& path : installed.bindings) {
        const bool toVirtualAdapter = path.lowerId == kAdapterId;
        if (path.upperId == kSwitchId) {
            ++switchPaths;
            EXPECT_EQ(path.enabled, toVirtualAdapter) << "switch -> " << Narrow(path.lowerId);
        } else if (path.upperId == L"ms_tcpip6") {
            EXPECT_EQ(path.enabled, !toVirtualAdapter) << "IPv6 -> " << Narrow(path.lowerId);
        } else {
            EXPECT_TRUE(path.enabled) << Narrow(path.upperId) << " -> " << Narrow(path.lowerId);
        }
    }
    EXPECT_EQ(switchPaths, 3) << "one path from the switch to each of the three adapters";
    const auto log = LogLines(logFolder_);
    EXPECT_THAT(log, Contains("Configuration of IPv6 and Virtual Switch succeeded."));
    EXPECT_THAT(log, Contains("DeviceManager::StartNPFService() was successful."));
    EXPECT_THAT(log, Each(Not(StartsWith("<ERROR>"))));

    ASSERT_EQ(Run({"Uninstall"}), kExitOk);
    const simwin::MachineState removed = machine_.State();
    EXPECT_EQ(Components(removed), Components(baseline));
    EXPECT_EQ(Bindings(removed), Bindings(baseline));

    EXPECT_EQ(Run({"Uninstall"}), kExitRemoveAdapterFailed);
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

void PrintTo(const WholeRunCase& c, std::ostream* os) {
    *os << c.name;
}

class WholeRunTest : public InstallerProcessTest,
                     public ::testing::WithParamInterface<WholeRunCase> {};

TEST_P(WholeRunTest, EndsWithItsCodeAndWritesTheWholeLog) {
    const WholeRunCase& c = GetParam();
    if (c.installFirst) {
        ASSERT_EQ(Run({"Install"}), kExitOk);
        fs::remove(fs::path(logFolder_) / kLogName);
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
                     kExitRemoveAdapterFailed,
                     [](const std::string&) {
                         // FindComponent answers S_FALSE for a component that is not there.
                         return expected_runs::UninstallFindsNothing("hr='1' / hr='0x00000001'");
                     }},
        WholeRunCase{"UninstallWithACorruptStore", false, "", "garbage\n", "Uninstall",
                     kExitRemoveAdapterFailed,
                     [](const std::string&) { return expected_runs::UninstallStoreCorrupt(); }},
        WholeRunCase{"InstallWhoseAdapterApplyAnswersReboot", false,
                     "INetCfg::Apply NETCFG_S_REBOOT nth 2", nullptr, "Install",
                     expected_runs::kExitAdapterInstallFailed,
                     expected_runs::InstallAdapterApplyAnswersReboot},
        WholeRunCase{
            "UninstallWhoseSwitchApplyAnswersReboot", true, "INetCfg::Apply NETCFG_S_REBOOT nth 1",
            nullptr, "Uninstall", expected_runs::kExitSwitchRemovalFailed,
            [](const std::string&) { return expected_runs::UninstallSwitchApplyAnswersReboot(); }}),
    [](const ::testing::TestParamInfo<WholeRunCase>& runCase) { return runCase.param.name; });

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
    EXPECT_EQ(Components(after), Components(before));
    EXPECT_EQ(Bindings(after), Bindings(before));
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
        EXPECT_EQ(Components(after), Components(before));
        EXPECT_EQ(Bindings(after), Bindings(before));
        EXPECT_TRUE(after.infs.empty());
    }
}

TEST_F(InstallerProcessTest, UninstallWhileAnotherClientHoldsTheLockNamesThatClient) {
    ASSERT_EQ(Run({"Install"}), kExitOk);
    const simwin::MachineState installed = machine_.State();

    // The other client holds the write lock for longer than both removal cycles wait for it.
    const pid_t holder = ::fork();
    ASSERT_GE(holder, 0);
    if (holder == 0) {
        ::setenv("SIMWIN_ROOT", machine_.root().c_str(), 1);
        ::execl(NETCFG_SIM_EXE, NETCFG_SIM_EXE, "lock", "--hold", "30", "--as",
                "Other Setup Wizard", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (machine_.State().lockHolder.empty() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(Narrow(machine_.State().lockHolder), "Other Setup Wizard");

    const int status = Run({"Uninstall"});
    ::kill(holder, SIGKILL);
    ::waitpid(holder, nullptr, 0);

    EXPECT_EQ(status, kExitRemoveAdapterFailed);
    // Each removal cycle makes its own attempt at the lock and reports the holder.
    const auto log = LogLines(logFolder_);
    const auto uninstallRun = std::find(log.rbegin(), log.rend(), "< START >").base() - 5;
    EXPECT_EQ(std::vector<std::string>(uninstallRun, log.end()),
              expected_runs::UninstallWhileLockHeld("Other Setup Wizard"));
    EXPECT_EQ(Components(machine_.State()), Components(installed));
}

}  // namespace
