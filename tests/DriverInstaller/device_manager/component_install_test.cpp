// Installing one component: the whole trace of each way through a cycle, its result, and the
// platform calls the log cannot show.
#include "fault_case.h"
#include "support/installer_fixture.h"

#include <devguid.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace installer_test;  // the fixtures, the expected pieces and the helpers

const LineList kDriverEnter = {"DeviceManager::InstallDriver() | Enter...",
                               "DeviceManager::InstallSpecifiedComponent() | Enter..."};
const LineList kDriverExit = {"DeviceManager::InstallSpecifiedComponent() | Exit...",
                              "DeviceManager::InstallDriver() | Exit..."};
const std::string kNetEnter = "DeviceManager::HrInstallNetComponent() | Enter...";
const std::string kNetExit = "DeviceManager::HrInstallNetComponent() | Exit...";
const std::string kCompEnter = "DeviceManager::HrInstallComponent() | Enter...";
const std::string kCompExit = "DeviceManager::HrInstallComponent() | Exit...";
const std::string kClassOk = "DeviceManager::HrInstallComponent() QueryNetCfgClass returns OK...";
const LineList kComponentOk =
    Join({{kCompEnter, kClassOk, "DeviceManager::HrInstallComponent() Install returns OK..."},
          kReleaseOne,
          kReleaseOne,
          {kCompExit}});
// A cycle that installed its component, up to the configuration's release.
const LineList kInstalledCycle =
    Join({kDriverEnter, kGetWithLockOk, {kNetEnter}, kComponentOk, {kNetExit}, kReleaseWithLock});
// The two lines InstallDriver adds to a failure; "{path}" is the INF file's full path.
LineList DriverFailure(const std::string& hr) {
    return {E("DeviceManager::InstallDriver() InstallSpecifiedComponent returned " + hr),
            E("DeviceManager::InstallDriver() InstallSpecifiedComponent szFileFullPath='{path}'")};
}
// How a failed cycle ends: InstallDriver's two error lines come after the cycle's Exit line.
LineList FailedExit(const std::string& hr) {
    return Join({{"DeviceManager::InstallSpecifiedComponent() | Exit..."},
                 DriverFailure(hr),
                 {"DeviceManager::InstallDriver() | Exit..."}});
}
LineList InstallRefused(const std::string& hr) {
    return Join({{kCompEnter, kClassOk, E("root\\quorixvmini60_a"),
                  E("DeviceManager::HrInstallComponent() Install not successful... " + hr)},
                 kReleaseOne,
                 {kCompExit, E("DeviceManager::HrInstallNetComponent() failed! " + hr), kNetExit}});
}
std::string CouldNotInstall(const std::string& hr) {
    return E(
        "DeviceManager::InstallSpecifiedComponent() Couldn't install the network component. "
        "HrInstallNetComponent returned " +
        hr);
}

const std::string kFail = "hr='-2147467259' / hr='0x80004005'";
const std::string kCancel = "hr='-2147023673' / hr='0x800704c7'";
const std::string kReboot = "hr='303136' / hr='0x0004a020'";

// lines: "{path}" stands for the INF file's full path.
struct InstallCase : FaultCase<HRESULT> {
    unsigned applies;  // INetCfg::Apply calls made
    bool installed;    // the adapter is installed afterwards
};

class InstallDriverTest : public FaultCaseTest<InstallCase> {};

TEST_P(InstallDriverTest, TracesTheWholeCycle) {
    const InstallCase& c = GetParam();
    const std::string infPath = EnterInfFolder() + "/quorixvmini60.inf";
    if (c.fault.rfind("SetupCopyOEMInfW ", 0) == 0) {
        // Already in the store from an earlier copy, so that the installation can go on.
        ASSERT_NE(SetupCopyOEMInfW(fs::path(infPath).wstring().c_str(),
                                   fs::path(infPath).parent_path().wstring().c_str(), SPOST_PATH, 0,
                                   nullptr, 0, nullptr, nullptr),
                  FALSE);
        simwin::ClearJournal();
    }
    RunCase([&] {
        return manager_->InstallDriver(fs::path(infPath).wstring().c_str(), GUID_DEVCLASS_NET,
                                       L"root\\quorixvmini60_a");
    });
    LineList expected = c.lines;
    for (std::string& line : expected) {
        if (const auto at = line.find("{path}"); at != std::string::npos) {
            line.replace(at, 6, infPath);
        }
    }
    ExpectLines(Lines(), expected);
    EXPECT_EQ(JournalCalls({"INetCfg::Apply"}).size(), c.applies);
    bool found = false;
    for (const std::string& id : ComponentIds()) {
        found = found || id.rfind("root\\quorixvmini60_a | ", 0) == 0;
    }
    EXPECT_EQ(found, c.installed);
}

INSTANTIATE_TEST_SUITE_P(
    Cycles, InstallDriverTest,
    ::testing::Values(
        InstallCase{{"Succeeds", "", S_OK, Join({kInstalledCycle, kDriverExit})}, 2, true},
        InstallCase{{"LockHeldWithHolder",
                     "INetCfgLock::AcquireWriteLock S_FALSE nth 1 text Other Setup Tool",
                     NETCFG_E_NO_WRITE_LOCK,
                     Join({kDriverEnter,
                           {"DeviceManager::HrGetINetCfg() | Enter...",
                            "DeviceManager::HrGetINetCfg() | QueryInterface returns OK..."},
                           kReleaseOne,
                           kReleaseOne,
                           {"DeviceManager::HrGetINetCfg() | Exit...",
                            E(" hr='-2147180508' / hr='0x8004a024'"),
                            E("DeviceManager::InstallSpecifiedComponent() Other Setup Tool "
                              "currently holds the lock, try later."),
                            "DeviceManager::InstallSpecifiedComponent() | Exit..."},
                           DriverFailure("hr='-2147180508' / hr='0x8004a024'"),
                           {"DeviceManager::InstallDriver() | Exit..."}})},
                    0,
                    false},
        InstallCase{{"NoConfigurationObject", "CoCreateInstance E_FAIL nth 1", E_FAIL,
                     Join({kDriverEnter,
                           {"DeviceManager::HrGetINetCfg() | Enter...", E(" " + kFail),
                            "DeviceManager::HrGetINetCfg() | Exit...", E(" " + kFail),
                            E("DeviceManager::InstallSpecifiedComponent() Couldn't the get notify "
                              "object interface. HrGetINetCfg returned " +
                              kFail),
                            "DeviceManager::InstallSpecifiedComponent() | Exit..."},
                           DriverFailure(kFail),
                           {"DeviceManager::InstallDriver() | Exit..."}})},
                    0,
                    false},
        InstallCase{{"InfCopyFails", "SetupCopyOEMInfW FALSE nth 2", S_OK,
                     Join({kDriverEnter,
                           kGetWithLockOk,
                           {kNetEnter, E("DeviceManager::HrInstallNetComponent() Couldn't copy the "
                                         "setup INF file. lpszInfFullPath='{path}'")},
                           kComponentOk,
                           {kNetExit},
                           kReleaseWithLock,
                           kDriverExit})},
                    2,
                    true},
        InstallCase{{"ClassSetupMissing", "INetCfg::QueryNetCfgClass E_FAIL nth 1", E_FAIL,
                     Join({kDriverEnter,
                           kGetWithLockOk,
                           {kNetEnter, kCompEnter, E(" " + kFail), kCompExit,
                            E("DeviceManager::HrInstallNetComponent() failed! " + kFail), kNetExit,
                            CouldNotInstall(kFail)},
                           kReleaseWithLock,
                           FailedExit(kFail)})},
                    0,
                    false},
        InstallCase{{"InstallCancelled", "INetCfgClassSetup::Install 0x800704C7 nth 1",
                     static_cast<HRESULT>(0x800704C7),
                     Join({kDriverEnter,
                           kGetWithLockOk,
                           {kNetEnter},
                           InstallRefused(kCancel),
                           kReleaseWithLock,
                           FailedExit(kCancel)})},
                    0,
                    false},
        InstallCase{
            {"InstallAsksForReboot", "INetCfgClassSetup::Install NETCFG_S_REBOOT nth 1", S_OK,
             Join({kDriverEnter,
                   kGetWithLockOk,
                   {kNetEnter},
                   InstallRefused(kReboot),
                   kReleaseWithLock,
                   kDriverExit})},
            1,
            true},
        InstallCase{{"InstallFails", "INetCfgClassSetup::Install E_FAIL nth 1", E_FAIL,
                     Join({kDriverEnter,
                           kGetWithLockOk,
                           {kNetEnter},
                           InstallRefused(kFail),
                           {CouldNotInstall(kFail)},
                           kReleaseWithLock,
                           FailedExit(kFail)})},
                    0,
                    false},
        InstallCase{
            {"FirstApplyCancelled", "INetCfg::Apply 0x800704C7 nth 1",
             static_cast<HRESULT>(0x800704C7), Join({kInstalledCycle, FailedExit(kCancel)})},
            1,
            false},
        InstallCase{{"FirstApplyFails", "INetCfg::Apply E_FAIL nth 1", E_FAIL,
                     Join({kDriverEnter,
                           kGetWithLockOk,
                           {kNetEnter},
                           kComponentOk,
                           {kNetExit, CouldNotInstall(kFail)},
                           kReleaseWithLock,
                           FailedExit(kFail)})},
                    1,
                    false},
        InstallCase{{"SecondApplyAsksForReboot", "INetCfg::Apply NETCFG_S_REBOOT nth 2",
                     NETCFG_S_REBOOT, Join({kInstalledCycle, FailedExit(kReboot)})},
                    2,
                    true}),
    CaseName());

TEST_F(InstallerTest, NoReleaseAfterAFailedAcquisition) {
    EnterInfFolder();
    AddFault("INetCfgLock::AcquireWriteLock S_FALSE nth 1 text Other Setup Tool");
    manager_->InstallSpecifiedComponent(L"quorixvmini60.inf", L"root\\quorixvmini60_a",
                                        GUID_DEVCLASS_NET);
    EXPECT_TRUE(JournalCalls({"INetCfg::Uninitialize", "INetCfgClassSetup::Install"}).empty());
}

TEST_F(InstallerTest, NullInfPathInstallsWithoutCopying) {
    // The INF is already in the store from an earlier copy.
    const std::string folder = EnterInfFolder();
    ASSERT_NE(SetupCopyOEMInfW(fs::path(folder + "/quorixlwf.inf").wstring().c_str(),
                               fs::path(folder + "/").wstring().c_str(), SPOST_PATH, 0, nullptr, 0,
                               nullptr, nullptr),
              FALSE);
    simwin::ClearJournal();
    EXPECT_EQ(
        manager_->InstallSpecifiedComponent(nullptr, L"QUORIX_NdisLwf", GUID_DEVCLASS_NETSERVICE),
        S_OK);
    EXPECT_TRUE(JournalCalls({"SetupCopyOEMInfW"}).empty());
    ExpectLines(
        Lines(),
        Join({{"DeviceManager::InstallSpecifiedComponent() | Enter..."},
              kGetWithLockOk,
              {kNetEnter},
              {kCompEnter, kClassOk, "DeviceManager::HrInstallComponent() Install returns OK..."},
              kReleaseOne,
              kReleaseOne,
              {kCompExit, kNetExit},
              kReleaseWithLock,
              {"DeviceManager::InstallSpecifiedComponent() | Exit..."}}));
}

TEST_F(InstallerTest, InfCopyRecordsTheFolderAsSourceLocation) {
    const std::string folder = EnterInfFolder();
    ASSERT_EQ(manager_->InstallDriver(fs::path(folder + "/quorixlwf.inf").wstring().c_str(),
                                      GUID_DEVCLASS_NETSERVICE, L"QUORIX_NdisLwf"),
              S_OK);
    const auto infs = machine_.State().infs;
    ASSERT_EQ(infs.size(), 1u);
    EXPECT_EQ(infs[0].originalName, "quorixlwf.inf");
    EXPECT_EQ(infs[0].sourceLocation, folder + "/");
}

// The cycle waits 5000 ms for the write lock, under the program's own name, and records the INF's
// folder as where its files lie.
TEST_F(InstallerTest, CycleAsksForTheLockWithItsWaitAndName) {
    const std::string folder = EnterInfFolder();
    ASSERT_EQ(manager_->InstallDriver(fs::path(folder + "/quorixvmini60.inf").wstring().c_str(),
                                      GUID_DEVCLASS_NET, L"root\\quorixvmini60_a"),
              S_OK);
    EXPECT_EQ(
        JournalEntriesOf({"INetCfgLock::AcquireWriteLock"}),
        (LineList{"INetCfgLock::AcquireWriteLock 5000 \"TANDREL QUORIX Hal\" -> 0x00000000"}));
}

}  // namespace
