// DriverInstaller.exe run whole under Wine against our network configuration engine: a prefix
// prepared by netcfg-sim.exe init --with-npf, whose CLSID_CNetCfg is the engine's DLL and whose
// "npf" is our stand-in service, started by Wine's own net.exe through the real ShellExecuteW.
// Every run is compared whole with the same expected logs as the Linux process tests.
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/inf_files.h"
#include "support/process.h"
#include "support/temp_machine.h"
#include "wine/wine_session.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using expected_runs::Lines;
using winetest::CaseFolder;
using winetest::EnginePrefix;
using winetest::ExpectLog;
using winetest::WindowsPath;

using testsupport::kLogFileName;
constexpr char kHolder[] = "Other Setup Wizard";

// What `netcfg-sim.exe show` prints of a machine, from its components on; the machine's own
// folder line comes first and is left out.
const char kBaselineComponents[] =
    "Components\n"
    "  net\n"
    "    pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"  (net1000.inf)\n"
    "    pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"  (net8139.inf)\n"
    "  nettrans\n"
    "    ms_tcpip  \"Internet Protocol Version 4 (TCP/IPv4)\"  (nettcpip.inf)\n"
    "    ms_tcpip6  \"Internet Protocol Version 6 (TCP/IPv6)\"  (nettcpip.inf)\n"
    "  netservice\n"
    "    ms_pacer  \"QoS Packet Scheduler\"  (netpacer.inf)\n";
const char kBaselineBindings[] =
    "Binding paths\n"
    "  enabled   ms_tcpip -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_tcpip -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  enabled   ms_tcpip6 -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_tcpip6 -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  enabled   ms_pacer -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_pacer -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n";
// Wine publishes an INF under its own name, which the component's INF column shows.
const char kInstalledComponents[] =
    "Components\n"
    "  net\n"
    "    pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"  (net1000.inf)\n"
    "    pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"  (net8139.inf)\n"
    "    root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet Adapter\"  (quorixvmini60.inf)\n"
    "  nettrans\n"
    "    ms_tcpip  \"Internet Protocol Version 4 (TCP/IPv4)\"  (nettcpip.inf)\n"
    "    ms_tcpip6  \"Internet Protocol Version 6 (TCP/IPv6)\"  (nettcpip.inf)\n"
    "  netservice\n"
    "    ms_pacer  \"QoS Packet Scheduler\"  (netpacer.inf)\n"
    "    quorix_ndislwf  \"Tandrel QUORIX Virtual Switch\"  (quorixlwf.inf)\n"
    "      on behalf of: user\n";
// The switch bound to the virtual adapter alone, IPv6 unbound from it, everything else as it was.
const char kInstalledBindings[] =
    "Binding paths\n"
    "  enabled   ms_tcpip -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_tcpip -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  enabled   ms_tcpip -> root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet Adapter\"\n"
    "  enabled   ms_tcpip6 -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_tcpip6 -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  disabled  ms_tcpip6 -> root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet Adapter\"\n"
    "  enabled   ms_pacer -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_pacer -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  enabled   ms_pacer -> root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet Adapter\"\n"
    "  disabled  quorix_ndislwf -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network "
    "Connection\"\n"
    "  disabled  quorix_ndislwf -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet "
    "NIC\"\n"
    "  enabled   quorix_ndislwf -> root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet "
    "Adapter\"\n";
// On Windows the INF store is the system's INF folder, which show does not list.
const char kInfStore[] = "INF store\n  (empty)\n";
const char kNpfStopped[] = "Services\n  npf  stopped\n";
const char kNpfRunning[] = "Services\n  npf  running\n";
const char kLockFree[] = "Write lock\n  free\n";
const char kLockHeld[] = "Write lock\n  held by \"Other Setup Wizard\"\n";

std::string Show(const char* components, const char* bindings, const char* services,
                 const char* lock) {
    return std::string(components) + bindings + kInfStore + services + lock;
}

class EngineUnderWineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(EnginePrefix().Ensure()) << "Wine could not create its prefix";
        ASSERT_FALSE(folder_.path().empty());
        // A fresh server for each test, kept up between its processes: Wine stops a prefix's
        // services when its last process ends, and npf must outlive DriverInstaller.exe.
        EnginePrefix().Server({"-k"});
        ASSERT_EQ(EnginePrefix().Server({"-p"}), 0);
        setupFolder_ = folder_.Make("setup");
        logFolder_ = folder_.Make("logs");
        testsupport::CopyInfFiles(setupFolder_);
        ASSERT_EQ(NetCfgSim({"init", "--with-npf", "--force"}), 0) << Output();
    }

    void TearDown() override { EnginePrefix().Server({"-k"}); }

    int NetCfgSim(const std::vector<std::string>& arguments) const {
        std::vector<std::string> words = {NETCFG_SIM_WINDOWS_EXE};
        words.insert(words.end(), arguments.begin(), arguments.end());
        return EnginePrefix().Run(words, folder_.path(), {}, {}, OutputPath());
    }

    // What netcfg-sim.exe show prints, without its first line (the machine's folder).
    std::string ShowMachine() const {
        if (NetCfgSim({"show"}) != 0) {
            return "show failed: " + Output();
        }
        // A Windows program's standard output ends its lines in CR LF.
        std::string shown;
        for (char ch : Output()) {
            if (ch != '\r') {
                shown += ch;
            }
        }
        shown.erase(0, shown.find('\n') + 1);
        return shown;
    }

    // The machine as shown once it shows every one of parts, or after twenty seconds: the npf
    // service and another client's lock come up in processes of their own.
    std::string ShowOnceItShows(std::initializer_list<const char*> parts) const {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        std::string shown = ShowMachine();
        const auto showsAll = [&shown, &parts] {
            for (const char* part : parts) {
                if (shown.find(part) == std::string::npos) {
                    return false;
                }
            }
            return true;
        };
        while (!showsAll() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            shown = ShowMachine();
        }
        return shown;
    }

    int Run(const std::string& command) const {
        fs::remove(fs::path(logFolder_) / kLogFileName);
        const std::string logFolder = WindowsPath(logFolder_);
        return winetest::RunInstaller({command}, setupFolder_, &logFolder, EnginePrefix());
    }

    winetest::LogFile Log() const { return winetest::ReadLog(logFolder_ + "/" + kLogFileName); }

    std::string OutputPath() const { return folder_.path() + "/tool-output.txt"; }
    std::string Output() const { return testsupport::ReadFile(OutputPath()); }

    CaseFolder folder_;
    std::string setupFolder_;
    std::string logFolder_;
};

TEST_F(EngineUnderWineTest, InstallSetsUpEverythingAndUninstallRestoresTheBaseline) {
    EXPECT_EQ(ShowMachine(), Show(kBaselineComponents, kBaselineBindings, kNpfStopped, kLockFree));

    EXPECT_EQ(Run("Install"), testsupport::kExitOk);
    ExpectLog(Log(), expected_runs::InstallSucceeds());
    EXPECT_EQ(ShowOnceItShows({kNpfRunning}),
              Show(kInstalledComponents, kInstalledBindings, kNpfRunning, kLockFree));

    EXPECT_EQ(Run("Uninstall"), testsupport::kExitOk);
    ExpectLog(Log(), expected_runs::UninstallSucceeds());
    EXPECT_EQ(ShowMachine(), Show(kBaselineComponents, kBaselineBindings, kNpfRunning, kLockFree));

    // Nothing left to remove: FindComponent answers S_FALSE for both components.
    EXPECT_EQ(Run("Uninstall"), testsupport::kExitAdapterRemovalFailed);
    ExpectLog(Log(), expected_runs::UninstallFindsNothing("hr='1' / hr='0x00000001'"));
}

// Apply answering NETCFG_S_REBOOT is an informational success that the installer counts as a
// failure of the cycle it ends.
TEST_F(EngineUnderWineTest, ApplyAnsweringRebootEndsTheRunWithItsCode) {
    ASSERT_EQ(NetCfgSim({"fault", "add", "INetCfg::Apply", "NETCFG_S_REBOOT", "nth", "2"}), 0);
    EXPECT_EQ(Run("Install"), testsupport::kExitAdapterInstallFailed);
    ExpectLog(Log(), expected_runs::InstallAdapterApplyAnswersReboot(WindowsPath(setupFolder_) +
                                                                     "\\quorixvmini60.inf"));

    ASSERT_EQ(NetCfgSim({"fault", "clear"}), 0);
    ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    ASSERT_EQ(NetCfgSim({"fault", "add", "INetCfg::Apply", "NETCFG_S_REBOOT", "nth", "1"}), 0);
    EXPECT_EQ(Run("Uninstall"), testsupport::kExitSwitchRemovalFailed);
    ExpectLog(Log(), expected_runs::UninstallSwitchApplyAnswersReboot());
}

// Another client holds the write lock through the engine, as netcfg-sim.exe lock does; killed, it
// gives the lock back at once, as the system releases a dead process's file locks.
TEST_F(EngineUnderWineTest, AHeldLockIsNamedAndAKilledHolderFreesItAtOnce) {
    ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    // The child is Wine running the Windows process itself, so that killing it kills the holder.
    testsupport::ProcessOptions options;
    options.environment = EnginePrefix().BaseEnvironment();
    options.unsetEnvironment = {"SIMWIN_ROOT"};
    options.outputPath = folder_.path() + "/holder-output.txt";
    const pid_t holder = testsupport::Spawn(
        WINE_PROGRAM, {NETCFG_SIM_WINDOWS_EXE, "lock", "--hold", "60", "--as", kHolder}, options);
    ASSERT_GT(holder, 0);
    const std::string shown = ShowOnceItShows({kNpfRunning, kLockHeld});
    EXPECT_EQ(shown, Show(kInstalledComponents, kInstalledBindings, kNpfRunning, kLockHeld));

    EXPECT_EQ(Run("Uninstall"), testsupport::kExitAdapterRemovalFailed);
    ExpectLog(Log(), expected_runs::UninstallWhileLockHeld(kHolder));

    // The holder would keep the lock for a minute: a removal that gets it proves the kill freed it.
    ::kill(holder, SIGKILL);
    testsupport::WaitFor(holder);
    EXPECT_EQ(Run("Uninstall"), testsupport::kExitOk);
    ExpectLog(Log(), expected_runs::UninstallSucceeds());
}

// A corrupt store is refused by Initialize and never overwritten, as on Linux.
TEST_F(EngineUnderWineTest, ACorruptStoreIsRefusedAndLeftAsItWas) {
    const std::string store = EnginePrefix().DriveC() + "/ProgramData/simwin/netcfg.store";
    ASSERT_TRUE(fs::exists(store));
    testsupport::WriteFile(store, "garbage\n");

    EXPECT_EQ(Run("Uninstall"), testsupport::kExitAdapterRemovalFailed);

    ExpectLog(Log(), expected_runs::UninstallStoreCorrupt());
    EXPECT_EQ(testsupport::ReadFile(store), "garbage\n");
}

// A switch that another product also installed stays when the installer removes its own
// reference: DeInstall answers NETCFG_S_STILL_REFERENCED, which the installer counts as a failed
// removal (904), and the adapter goes.
TEST_F(EngineUnderWineTest, UninstallKeepsASwitchThatAnotherProductStillNeeds) {
    ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    ASSERT_EQ(NetCfgSim({"ref", "add", "QUORIX_NdisLwf", "--software", "Corvel", "Packet Lab",
                         "Corvel Packet Lab 3"}),
              0)
        << Output();

    EXPECT_EQ(Run("Uninstall"), testsupport::kExitSwitchRemovalFailed);
    ExpectLog(Log(), expected_runs::UninstallSwitchStillReferenced());
    const std::string shown = ShowMachine();
    EXPECT_NE(shown.find("    quorix_ndislwf  \"Tandrel QUORIX Virtual Switch\"  (quorixlwf.inf)\n"
                         "      on behalf of: user; software \"Corvel\" \"Packet Lab\" \"Corvel "
                         "Packet Lab 3\"\n"),
              std::string::npos)
        << shown;
    EXPECT_EQ(shown.find("root\\quorixvmini60_a"), std::string::npos) << shown;
}

// A message of more than 255 characters is written whole: the INF copy failure line of a setup
// folder deep enough. Wine refuses to copy an INF whose CatalogFile is missing beside it; with no
// published INF of the adapter, the installation then fails as well.
TEST_F(EngineUnderWineTest, AnInfCopyFailureInADeepFolderIsLoggedWhole) {
    std::string deepFolder = folder_.path();
    while (deepFolder.size() < 190) {
        deepFolder += "/a-setup-folder-deep-enough";
    }
    fs::create_directories(deepFolder);
    const std::string inf = testsupport::ReadFile(std::string(INF_FOLDER) + "/quorixvmini60.inf");
    const std::string version = "[Version]\n";
    std::string withCatalog = inf;
    withCatalog.insert(inf.find(version) + version.size(), "CatalogFile=quorixvmini60.cat\n");
    testsupport::WriteFile(deepFolder + "/quorixvmini60.inf", withCatalog);
    fs::copy_file(fs::path(INF_FOLDER) / "quorixlwf.inf", fs::path(deepFolder) / "quorixlwf.inf");
    const fs::path infFolder = fs::path(EnginePrefix().DriveC()) / "windows" / "inf";
    fs::remove(infFolder / "quorixvmini60.inf");
    fs::remove(infFolder / "quorixlwf.inf");
    setupFolder_ = deepFolder;
    const std::string infPath = WindowsPath(deepFolder) + "\\quorixvmini60.inf";
    ASSERT_GT(infPath.size(), 165u);

    EXPECT_EQ(Run("Install"), testsupport::kExitAdapterInstallFailed);

    ExpectLog(Log(), expected_runs::InstallAdapterInfNotCopied(infPath));
    EXPECT_FALSE(fs::exists(infFolder / "quorixvmini60.inf"));
}

}  // namespace
