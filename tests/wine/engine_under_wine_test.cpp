// DriverInstaller.exe run whole under Wine against our network configuration engine: a prefix
// prepared by netcfg-sim.exe init --with-npf, whose CLSID_CNetCfg is the engine's DLL and whose
// "npf" is our stand-in service, started by Wine's own net.exe through the real ShellExecuteW.
// Every run is compared whole with the same expected logs as the Linux process tests.
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/process.h"
#include "support/text_file.h"
#include "wine/engine_prefix.h"

#include <gtest/gtest.h>

#include <signal.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace winetest;

class EngineUnderWineTest : public EnginePrefixTest {};

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

// The adapter instances that `show` lists.
int AdapterInstances(const std::string& shown) {
    const std::string line = "    root\\quorixvmini60_a  ";
    int count = 0;
    for (std::size_t at = shown.find(line); at != std::string::npos;
         at = shown.find(line, at + line.size())) {
        ++count;
    }
    return count;
}

// A repair runs Install again, which adds an adapter instance, as Windows does; Uninstall removes
// every one, each in a cycle of its own.
TEST_F(EngineUnderWineTest, UninstallRemovesEveryAdapterInstanceThatInstallsAdded) {
    ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    const std::string installed = ShowOnceItShows({kNpfRunning});
    EXPECT_EQ(AdapterInstances(installed), 2) << installed;

    EXPECT_EQ(Run("Uninstall"), testsupport::kExitOk);
    ExpectLog(Log(), expected_runs::UninstallSucceeds(2));
    EXPECT_EQ(ShowMachine(), Show(kBaselineComponents, kBaselineBindings, kNpfRunning, kLockFree));

    EXPECT_EQ(Run("Uninstall"), testsupport::kExitAdapterRemovalFailed);
}

// The switch's removal is the first DeInstall, so the third fails the second adapter cycle: the
// removal stops there and the instances it did not reach stay.
TEST_F(EngineUnderWineTest, AFailedAdapterCycleEndsTheRemovalWith903) {
    for (int install = 0; install < 3; ++install) {
        ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    }
    ASSERT_EQ(NetCfgSim({"fault", "add", "INetCfgClassSetup::DeInstall", "E_FAIL", "nth", "3"}), 0);

    EXPECT_EQ(Run("Uninstall"), testsupport::kExitAdapterRemovalFailed);

    ExpectLog(Log(), expected_runs::UninstallSecondAdapterCycleFails());
    const std::string shown = ShowOnceItShows({kNpfRunning});
    EXPECT_EQ(AdapterInstances(shown), 2) << shown;
    EXPECT_EQ(shown.find("quorix_ndislwf"), std::string::npos) << shown;
}

// Apply answering NETCFG_S_REBOOT is an informational success that the installer counts as a
// failure of the cycle it ends.
TEST_F(EngineUnderWineTest, ApplyAnsweringRebootEndsTheRunWithItsCode) {
    ASSERT_EQ(NetCfgSim({"fault", "add", "INetCfg::Apply", "NETCFG_S_REBOOT", "nth", "2"}), 0);
    EXPECT_EQ(Run("Install"), testsupport::kExitAdapterInstallFailed);
    ExpectLog(Log(), expected_runs::InstallAdapterApplyAnswersReboot(WindowsPath(setupFolder_) +
                                                                     "\\quorixvmini60.inf"));

    // That Apply did its work: the adapter stays, and the Install run again, as a setup repairs,
    // adds a second instance, which the Uninstall removes as well.
    ASSERT_EQ(NetCfgSim({"fault", "clear"}), 0);
    ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    ASSERT_EQ(NetCfgSim({"fault", "add", "INetCfg::Apply", "NETCFG_S_REBOOT", "nth", "1"}), 0);
    EXPECT_EQ(Run("Uninstall"), testsupport::kExitSwitchRemovalFailed);
    ExpectLog(Log(), expected_runs::UninstallSwitchApplyAnswersReboot(2));
}

// Another client holds the write lock through the engine, as netcfg-sim.exe lock does; killed, it
// gives the lock back at once, as the system releases a dead process's file locks.
TEST_F(EngineUnderWineTest, AHeldLockIsNamedAndAKilledHolderFreesItAtOnce) {
    ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    const pid_t holder = HoldLock();
    ASSERT_GT(holder, 0);
    const std::string shown = ShowOnceItShows({kNpfRunning, kLockHeld});
    EXPECT_EQ(shown, Show(kInstalledComponents, kInstalledBindings, kNpfRunning, kLockHeld));

    EXPECT_EQ(Run("Uninstall"), testsupport::kExitAdapterRemovalFailed);
    ExpectLog(Log(), expected_runs::UninstallWhileLockHeld(kLockHolder));

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

// Links that any user who can write the log's folder may plant at the log's name. Wine opens the
// file a Unix symbolic link points to and reports no reparse point there; the final path (the
// link's target) and the link count (a hard link's 2) still tell that the file is not the log.
// A folder named through a link is the log's folder all the same.
TEST_F(EngineUnderWineTest, ALinkAtTheLogsNameGetsNoLineAndAFolderNamedThroughALinkDoes) {
    const std::string precious = folder_.path() + "/precious.txt";
    const std::string preciousText = "only administrators change this\n";
    const fs::path logPath = fs::path(logFolder_) / testsupport::kLogFileName;
    const std::string logFolder = WindowsPath(logFolder_);
    const struct {
        const char* name;
        void (*plant)(const fs::path& target, const fs::path& link);
    } plants[] = {
        {"symbolic link",
         [](const fs::path& target, const fs::path& link) { fs::create_symlink(target, link); }},
        {"hard link",
         [](const fs::path& target, const fs::path& link) { fs::create_hard_link(target, link); }},
    };
    for (const auto& plant : plants) {
        SCOPED_TRACE(plant.name);
        testsupport::WriteFile(precious, preciousText);
        plant.plant(precious, logPath);

        EXPECT_EQ(winetest::RunInstaller({"Install"}, setupFolder_, &logFolder, EnginePrefix()),
                  testsupport::kExitOk);
        EXPECT_EQ(winetest::RunInstaller({"Uninstall"}, setupFolder_, &logFolder, EnginePrefix()),
                  testsupport::kExitOk);

        EXPECT_EQ(testsupport::ReadFile(precious), preciousText);
        std::vector<fs::path> inLogFolder;
        for (const auto& entry : fs::directory_iterator(logFolder_)) {
            inLogFolder.push_back(entry.path());
        }
        EXPECT_EQ(inLogFolder, std::vector<fs::path>{logPath}) << "a line went somewhere else";
        fs::remove(logPath);
    }

    const std::string linkedFolder = folder_.path() + "/logs-link";
    fs::create_directory_symlink(logFolder_, linkedFolder);
    const std::string linkedWindowsFolder = WindowsPath(linkedFolder);
    EXPECT_EQ(
        winetest::RunInstaller({"Install"}, setupFolder_, &linkedWindowsFolder, EnginePrefix()),
        testsupport::kExitOk);
    ExpectLog(Log(), expected_runs::InstallSucceeds());
}

}  // namespace
