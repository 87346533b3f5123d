// Removing the components: each way out of one removal cycle, and the Uninstall sequence.
#include "fault_case.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace installer_test;  // the fixtures, the expected pieces and the helpers

const std::string kFail = "hr='-2147467259' / hr='0x80004005'";
const std::string kEnter = "DeviceManager::UninstallDriver() | Enter...";
const std::string kExit = "DeviceManager::UninstallDriver() | Exit...";
// HrGetINetCfg's lines when another client holds the write lock.
const LineList kHolderRefusal =
    Join({{"DeviceManager::HrGetINetCfg() | Enter...",
           "DeviceManager::HrGetINetCfg() | QueryInterface returns OK..."},
          kReleaseOne,
          kReleaseOne,
          {"DeviceManager::HrGetINetCfg() | Exit..."}});
// The cycle's steps that went well, in their order.
const std::string kFound = "DeviceManager::UninstallDriver() FindComponent was successful.";
const std::string kGuidOk = "DeviceManager::UninstallDriver() ClassGuid OK..";
const std::string kClassOk = "DeviceManager::UninstallDriver() QueryNetCfgClass OK..";
const std::string kSetupOk = "DeviceManager::UninstallDriver() QueryInterface OK..";
const std::string kRemoved = "DeviceManager::UninstallDriver() Uninstall OK...";
// A cycle that acquired the configuration: its own lines between the acquisition and release.
LineList Cycle(const LineList& steps) {
    return Join({{kEnter}, kGetWithLockOk, steps, kReleaseWithLock, {kExit}});
}
// A cycle whose every step went well: the component, its class and the class's setup interface
// released after the removal.
const LineList kRemovedCycle = Cycle(
    Join({{kFound, kGuidOk, kClassOk, kSetupOk, kRemoved}, kReleaseOne, kReleaseOne, kReleaseOne}));

struct RemovalCase : FaultCase<HRESULT> {
    bool installed;  // the adapter, before the cycle
    bool removed;
};

class UninstallDriverTest : public FaultCaseTest<RemovalCase> {};

TEST_P(UninstallDriverTest, TracesEachWayOut) {
    const RemovalCase& c = GetParam();
    PreInstall(c.installed, false);
    RunCase([&] { return manager_->UninstallDriver(L"root\\quorixvmini60_a"); });
    ExpectLines(Lines(), c.lines);
    bool present = false;
    for (const std::string& id : ComponentIds()) {
        present = present || id.rfind("root\\quorixvmini60_a | ", 0) == 0;
    }
    EXPECT_EQ(present, c.installed && !c.removed);
}

INSTANTIATE_TEST_SUITE_P(
    WaysOut, UninstallDriverTest,
    ::testing::Values(
        RemovalCase{{"Removed", "", S_OK, kRemovedCycle}, true, true},
        RemovalCase{{"LockHeldWithHolder",
                     "INetCfgLock::AcquireWriteLock S_FALSE nth 1 text Other Setup Tool",
                     NETCFG_E_NO_WRITE_LOCK,
                     Join({{kEnter},
                           kHolderRefusal,
                           {E("DeviceManager::UninstallDriver() Other Setup Tool currently holds "
                              "the lock, try later."),
                            E("DeviceManager::UninstallDriver() HrGetINetCfg returned "
                              "hr='-2147180508' / hr='0x8004a024'"),
                            kExit}})},
                    true,
                    false},
        RemovalCase{
            {"LockHeldWithoutHolder", "INetCfgLock::AcquireWriteLock NETCFG_E_NO_WRITE_LOCK nth 1",
             NETCFG_E_NO_WRITE_LOCK,
             Join({{kEnter},
                   kHolderRefusal,
                   {E("DeviceManager::UninstallDriver() Couldn't get the notify object "
                      "interface. HrGetINetCfg returned hr='-2147180508' / "
                      "hr='0x8004a024'"),
                    kExit}})},
            true,
            false},
        RemovalCase{{"NotInstalled", "", S_FALSE,
                     Cycle({E("DeviceManager::UninstallDriver() Couldn't get an interface pointer "
                              "to root\\quorixvmini60_a."),
                            E("DeviceManager::UninstallDriver() FindComponent returned hr='1' / "
                              "hr='0x00000001'")})},
                    false,
                    false},
        RemovalCase{
            {"ClassGuidFails", "INetCfgComponent::GetClassGuid E_FAIL nth 1", E_FAIL,
             Cycle(Join({{kFound,
                          E("DeviceManager::UninstallDriver() Couldn't get the class guid "
                            "of root\\quorixvmini60_a."),
                          E("DeviceManager::UninstallDriver() GetClassGuid returned " + kFail)},
                         kReleaseOne}))},
            true,
            false},
        RemovalCase{
            {"ClassFails", "INetCfg::QueryNetCfgClass E_FAIL nth 1", E_FAIL,
             Cycle(Join({{kFound, kGuidOk,
                          E("DeviceManager::UninstallDriver() Couldn't get a pointer to "
                            "class interface of root\\quorixvmini60_a."),
                          E("DeviceManager::UninstallDriver() QueryNetCfgClass returned " + kFail)},
                         kReleaseOne}))},
            true,
            false},
        RemovalCase{
            {"SetupInterfaceFails", "INetCfgClass::QueryInterface 0x80004002 nth 1", E_NOINTERFACE,
             Cycle(Join({{kFound, kGuidOk, kClassOk,
                          E("DeviceManager::UninstallDriver() Couldn't get an interface to "
                            "setup class. QueryInterface returned hr='-2147467262' / "
                            "hr='0x80004002'")},
                         kReleaseOne,
                         kReleaseOne}))},
            true,
            false},
        RemovalCase{{"DeInstallFails", "INetCfgClassSetup::DeInstall E_FAIL nth 1", E_FAIL,
                     Cycle(Join({{kFound, kGuidOk, kClassOk, kSetupOk,
                                  E("DeviceManager::UninstallDriver() Failed to uninstall "
                                    "root\\quorixvmini60_a."),
                                  E(" " + kFail)},
                                 kReleaseOne,
                                 kReleaseOne,
                                 kReleaseOne}))},
                    true,
                    false},
        RemovalCase{{"DeInstallAsksForReboot", "INetCfgClassSetup::DeInstall NETCFG_S_REBOOT nth 1",
                     S_OK, kRemovedCycle},
                    true,
                    true},
        RemovalCase{{"ApplyFails", "INetCfg::Apply E_FAIL nth 1", E_FAIL,
                     Cycle(Join({{kFound, kGuidOk, kClassOk, kSetupOk, kRemoved,
                                  E("DeviceManager::UninstallDriver() Couldn't apply the changes "
                                    "after uninstalling root\\quorixvmini60_a.")},
                                 kReleaseOne,
                                 kReleaseOne,
                                 kReleaseOne}))},
                    true,
                    false},
        RemovalCase{{"ApplyAsksForReboot", "INetCfg::Apply NETCFG_S_REBOOT nth 1", NETCFG_S_REBOOT,
                     kRemovedCycle},
                    true,
                    true}),
    CaseName());

TEST_F(InstallerTest, FailedDeInstallIsNotApplied) {
    PreInstall(true, false);
    AddFault("INetCfgClassSetup::DeInstall E_FAIL nth 1");
    manager_->UninstallDriver(L"root\\quorixvmini60_a");
    EXPECT_TRUE(JournalCalls({"INetCfg::Apply"}).empty());
    EXPECT_EQ(JournalCalls({"INetCfgLock::ReleaseWriteLock"}).size(), 1u);
}

// lines: the Uninstaller's own lines.
struct SequenceCase : FaultCase<int> {
    int adapterInstances;  // each Install of the adapter adds one
    bool virtualSwitch;
    int remaining;  // components of ours still installed afterwards
    int cycles;     // removal cycles run, the switch's included
};

class UninstallerTest : public FaultCaseTest<SequenceCase> {};

TEST_P(UninstallerTest, RemovesSwitchThenAdapter) {
    const SequenceCase& c = GetParam();
    PreInstall(c.adapterInstances, c.virtualSwitch);
    RunCase([&] { return manager_->Uninstaller(); });
    LineList own;
    int cycles = 0;
    for (const std::string& line : Lines()) {
        if (line.find("DeviceManager::Uninstaller()") != std::string::npos) {
            own.push_back(line);
        }
        cycles += line == kEnter ? 1 : 0;
    }
    EXPECT_EQ(own, c.lines);
    // Both removals are always attempted, the adapter's in a cycle for each instance found.
    EXPECT_EQ(cycles, c.cycles);
    int remaining = 0;
    for (const std::string& id : ComponentIds()) {
        remaining += id.find("quorix") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(remaining, c.remaining);
}

const std::string kStart = "DeviceManager::Uninstaller() | Enter...";
const std::string kEnd = "DeviceManager::Uninstaller() | Exit...";
const std::string kSwitchOk = "DeviceManager::Uninstaller() Virtual Switch uninstall succeeded.";
const std::string kSwitchFailed =
    E("DeviceManager::Uninstaller() Virtual Switch uninstall failed.");
const std::string kAdapterOk =
    "DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall succeeded.";
const std::string kAdapterFailed =
    E("DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed.");
const std::string kAllOk =
    "DeviceManager::Uninstaller() Uninstall of virtual switch and virtual ethernet adapter "
    "succeeded.";
const std::string kSomeFailed =
    E("DeviceManager::Uninstaller() Uninstall of virtual switch and/or virtual ethernet adapter "
      "failed.");

const std::string kLockHeldAtFirst =
    "INetCfgLock::AcquireWriteLock S_FALSE nth 1 text Other Setup Tool";

INSTANTIATE_TEST_SUITE_P(
    Results, UninstallerTest,
    ::testing::Values(
        SequenceCase{
            {"BothRemoved", "", kOk, {kStart, kSwitchOk, kAdapterOk, kAllOk, kEnd}}, 1, true, 0, 2},
        SequenceCase{{"NeitherInstalled",
                      "",
                      kAdapterRemovalFailed,
                      {kStart, kSwitchFailed, kAdapterFailed, kSomeFailed, kEnd}},
                     0,
                     false,
                     0,
                     2},
        SequenceCase{{"OnlyAdapter",
                      "",
                      kSwitchRemovalFailed,
                      {kStart, kSwitchFailed, kAdapterOk, kSomeFailed, kEnd}},
                     1,
                     false,
                     0,
                     2},
        SequenceCase{{"OnlySwitch",
                      "",
                      kAdapterRemovalFailed,
                      {kStart, kSwitchOk, kAdapterFailed, kSomeFailed, kEnd}},
                     0,
                     true,
                     0,
                     2},
        // The switch's cycle is refused; the adapter's makes its own attempt and succeeds.
        SequenceCase{{"LockHeldDuringSwitch",
                      kLockHeldAtFirst,
                      kSwitchRemovalFailed,
                      {kStart, kSwitchFailed, kAdapterOk, kSomeFailed, kEnd}},
                     1,
                     true,
                     1,
                     2},
        // Each adapter instance goes in a cycle of its own.
        SequenceCase{
            {"ThreeAdapterInstances", "", kOk, {kStart, kSwitchOk, kAdapterOk, kAllOk, kEnd}},
            3,
            true,
            0,
            4},
        // The switch's removal is the first DeInstall: the second adapter cycle fails, and no
        // third one is tried.
        SequenceCase{{"SecondAdapterCycleFails",
                      "INetCfgClassSetup::DeInstall E_FAIL nth 3",
                      kAdapterRemovalFailed,
                      {kStart, kSwitchOk, kAdapterFailed, kSomeFailed, kEnd}},
                     3,
                     true,
                     2,
                     3},
        // The switch's lookup, the first adapter cycle's, then its look for another instance:
        // the fourth lookup stands for another client that removed the second instance between
        // the cycles. Not finding it is no failure after the first cycle.
        SequenceCase{{"LaterCycleFindsNothing",
                      "INetCfg::FindComponent S_FALSE nth 4",
                      kOk,
                      {kStart, kSwitchOk, kAdapterOk, kAllOk, kEnd}},
                     2,
                     true,
                     1,
                     3},
        // The look for another instance fails (third lookup): that is no answer, so the next
        // cycle looks for itself and removes the second instance.
        SequenceCase{{"LookForAnotherFails",
                      "INetCfg::FindComponent E_FAIL nth 3",
                      kOk,
                      {kStart, kSwitchOk, kAdapterOk, kAllOk, kEnd}},
                     2,
                     true,
                     0,
                     3},
        // At most 16 adapter cycles run; an instance left after them fails the removal.
        SequenceCase{{"MoreInstancesThanTheBound",
                      "",
                      kAdapterRemovalFailed,
                      {kStart, kSwitchOk, kAdapterFailed, kSomeFailed, kEnd}},
                     17,
                     true,
                     1,
                     17}),
    CaseName());

}  // namespace
