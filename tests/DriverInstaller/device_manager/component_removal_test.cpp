// Removing the components: each way out of one removal cycle, and the Uninstall sequence.
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace installer_test;  // the fixtures, the expected pieces and the helpers

const std::string kFail = "hr='-2147467259' / hr='0x80004005'";
const std::string kEnter = "DeviceManager::UninstallDriver() | Enter...";
const std::string kExit = "DeviceManager::UninstallDriver() | Exit...";
const std::string kFound = "DeviceManager::UninstallDriver() FindComponent was successful.";
const std::string kGuidOk = "DeviceManager::UninstallDriver() ClassGuid OK..";
const std::string kClassOk = "DeviceManager::UninstallDriver() QueryNetCfgClass OK..";
const std::string kSetupOk = "DeviceManager::UninstallDriver() QueryInterface OK..";
const std::string kRemoved = "DeviceManager::UninstallDriver() Uninstall OK...";
const LineList kHolderRefusal =
    Join({{"DeviceManager::HrGetINetCfg() | Enter...",
           "DeviceManager::HrGetINetCfg() | QueryInterface returns OK..."},
          kReleaseOne,
          kReleaseOne,
          {"DeviceManager::HrGetINetCfg() | Exit..."}});
// A cycle that acquired the configuration: its own lines between the acquisition and release.
LineList Cycle(const LineList& steps) {
    return Join({{kEnter}, kGetWithLockOk, steps, kReleaseWithLock, {kExit}});
}

struct RemovalCase {
    const char* name;
    bool installed;
    std::string fault;  // a fault rule, or ""
    HRESULT expected;
    LineList lines;
    bool removed;
};

class UninstallDriverTest : public testsupport::CaseTest<RemovalCase, InstallerTest> {};

TEST_P(UninstallDriverTest, TracesEachWayOut) {
    const RemovalCase& c = GetParam();
    PreInstall(c.installed, false);
    if (!c.fault.empty()) {
        AddFault(c.fault);
    }
    EXPECT_EQ(manager_->UninstallDriver(L"root\\quorixvmini60_a"), c.expected);
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
        RemovalCase{"Removed", true, "", S_OK,
                    Cycle(Join({{kFound, kGuidOk, kClassOk, kSetupOk, kRemoved},
                                kReleaseOne,
                                kReleaseOne,
                                kReleaseOne})),
                    true},
        RemovalCase{"LockHeldWithHolder", true,
                    "INetCfgLock::AcquireWriteLock S_FALSE nth 1 text Other Setup Tool",
                    NETCFG_E_NO_WRITE_LOCK,
                    Join({{kEnter},
                          kHolderRefusal,
                          {E("DeviceManager::UninstallDriver() Other Setup Tool currently holds "
                             "the lock, try later."),
                           E("DeviceManager::UninstallDriver() HrGetINetCfg returned "
                             "hr='-2147180508' / hr='0x8004a024'"),
                           kExit}}),
                    false},
        RemovalCase{"LockHeldWithoutHolder", true,
                    "INetCfgLock::AcquireWriteLock NETCFG_E_NO_WRITE_LOCK nth 1",
                    NETCFG_E_NO_WRITE_LOCK,
                    Join({{kEnter},
                          kHolderRefusal,
                          {E("DeviceManager::UninstallDriver() Couldn't get the notify object "
                             "interface. HrGetINetCfg returned hr='-2147180508' / "
                             "hr='0x8004a024'"),
                           kExit}}),
                    false},
        RemovalCase{"NotInstalled", false, "", S_FALSE,
                    Cycle({E("DeviceManager::UninstallDriver() Couldn't get an interface pointer "
                             "to root\\quorixvmini60_a."),
                           E("DeviceManager::UninstallDriver() FindComponent returned hr='1' / "
                             "hr='0x00000001'")}),
                    false},
        RemovalCase{
            "ClassGuidFails", true, "INetCfgComponent::GetClassGuid E_FAIL nth 1", E_FAIL,
            Cycle(Join({{kFound,
                         E("DeviceManager::UninstallDriver() Couldn't get the class guid "
                           "of root\\quorixvmini60_a."),
                         E("DeviceManager::UninstallDriver() GetClassGuid returned " + kFail)},
                        kReleaseOne})),
            false},
        RemovalCase{
            "ClassFails", true, "INetCfg::QueryNetCfgClass E_FAIL nth 1", E_FAIL,
            Cycle(Join({{kFound, kGuidOk,
                         E("DeviceManager::UninstallDriver() Couldn't get a pointer to "
                           "class interface of root\\quorixvmini60_a."),
                         E("DeviceManager::UninstallDriver() QueryNetCfgClass returned " + kFail)},
                        kReleaseOne})),
            false},
        RemovalCase{"SetupInterfaceFails", true, "INetCfgClass::QueryInterface 0x80004002 nth 1",
                    E_NOINTERFACE,
                    Cycle(Join({{kFound, kGuidOk, kClassOk,
                                 E("DeviceManager::UninstallDriver() Couldn't get an interface to "
                                   "setup class. QueryInterface returned hr='-2147467262' / "
                                   "hr='0x80004002'")},
                                kReleaseOne,
                                kReleaseOne})),
                    false},
        RemovalCase{"DeInstallFails", true, "INetCfgClassSetup::DeInstall E_FAIL nth 1", E_FAIL,
                    Cycle(Join({{kFound, kGuidOk, kClassOk, kSetupOk,
                                 E("DeviceManager::UninstallDriver() Failed to uninstall "
                                   "root\\quorixvmini60_a."),
                                 E(" " + kFail)},
                                kReleaseOne,
                                kReleaseOne,
                                kReleaseOne})),
                    false},
        RemovalCase{"DeInstallAsksForReboot", true,
                    "INetCfgClassSetup::DeInstall NETCFG_S_REBOOT nth 1", S_OK,
                    Cycle(Join({{kFound, kGuidOk, kClassOk, kSetupOk, kRemoved},
                                kReleaseOne,
                                kReleaseOne,
                                kReleaseOne})),
                    true},
        RemovalCase{"ApplyFails", true, "INetCfg::Apply E_FAIL nth 1", E_FAIL,
                    Cycle(Join({{kFound, kGuidOk, kClassOk, kSetupOk, kRemoved,
                                 E("DeviceManager::UninstallDriver() Couldn't apply the changes "
                                   "after uninstalling root\\quorixvmini60_a.")},
                                kReleaseOne,
                                kReleaseOne,
                                kReleaseOne})),
                    false},
        RemovalCase{"ApplyAsksForReboot", true, "INetCfg::Apply NETCFG_S_REBOOT nth 1",
                    NETCFG_S_REBOOT,
                    Cycle(Join({{kFound, kGuidOk, kClassOk, kSetupOk, kRemoved},
                                kReleaseOne,
                                kReleaseOne,
                                kReleaseOne})),
                    true}),
    CaseName());

TEST_F(InstallerTest, FailedDeInstallIsNotApplied) {
    PreInstall(true, false);
    AddFault("INetCfgClassSetup::DeInstall E_FAIL nth 1");
    manager_->UninstallDriver(L"root\\quorixvmini60_a");
    EXPECT_TRUE(JournalCalls({"INetCfg::Apply"}).empty());
    EXPECT_EQ(JournalCalls({"INetCfgLock::ReleaseWriteLock"}).size(), 1u);
}

struct SequenceCase {
    const char* name;
    int adapterInstances;  // each Install of the adapter adds one
    bool virtualSwitch;
    std::string fault;  // a fault rule, or ""
    int expected;
    LineList lines;  // Uninstaller's own lines
    int remaining;   // components of ours still installed afterwards
    int cycles;      // removal cycles run, the switch's included
};

class UninstallerTest : public testsupport::CaseTest<SequenceCase, InstallerTest> {};

TEST_P(UninstallerTest, RemovesSwitchThenAdapter) {
    const SequenceCase& c = GetParam();
    PreInstall(c.adapterInstances, c.virtualSwitch);
    if (!c.fault.empty()) {
        AddFault(c.fault);
    }
    EXPECT_EQ(manager_->Uninstaller(), c.expected);
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
            "BothRemoved", 1, true, "", kOk, {kStart, kSwitchOk, kAdapterOk, kAllOk, kEnd}, 0, 2},
        SequenceCase{"NeitherInstalled",
                     0,
                     false,
                     "",
                     kAdapterRemovalFailed,
                     {kStart, kSwitchFailed, kAdapterFailed, kSomeFailed, kEnd},
                     0,
                     2},
        SequenceCase{"OnlyAdapter",
                     1,
                     false,
                     "",
                     kSwitchRemovalFailed,
                     {kStart, kSwitchFailed, kAdapterOk, kSomeFailed, kEnd},
                     0,
                     2},
        SequenceCase{"OnlySwitch",
                     0,
                     true,
                     "",
                     kAdapterRemovalFailed,
                     {kStart, kSwitchOk, kAdapterFailed, kSomeFailed, kEnd},
                     0,
                     2},
        // The switch's cycle is refused; the adapter's makes its own attempt and succeeds.
        SequenceCase{"LockHeldDuringSwitch",
                     1,
                     true,
                     kLockHeldAtFirst,
                     kSwitchRemovalFailed,
                     {kStart, kSwitchFailed, kAdapterOk, kSomeFailed, kEnd},
                     1,
                     2},
        // Each adapter instance goes in a cycle of its own.
        SequenceCase{"ThreeAdapterInstances",
                     3,
                     true,
                     "",
                     kOk,
                     {kStart, kSwitchOk, kAdapterOk, kAllOk, kEnd},
                     0,
                     4},
        // The switch's removal is the first DeInstall: the second adapter cycle fails, and no
        // third one is tried.
        SequenceCase{"SecondAdapterCycleFails",
                     3,
                     true,
                     "INetCfgClassSetup::DeInstall E_FAIL nth 3",
                     kAdapterRemovalFailed,
                     {kStart, kSwitchOk, kAdapterFailed, kSomeFailed, kEnd},
                     2,
                     3},
        // The switch's lookup, the first adapter cycle's, then its look for another instance:
        // the fourth lookup stands for another client that removed the second instance between
        // the cycles. Not finding it is no failure after the first cycle.
        SequenceCase{"LaterCycleFindsNothing",
                     2,
                     true,
                     "INetCfg::FindComponent S_FALSE nth 4",
                     kOk,
                     {kStart, kSwitchOk, kAdapterOk, kAllOk, kEnd},
                     1,
                     3},
        // The look for another instance fails (third lookup): that is no answer, so the next
        // cycle looks for itself and removes the second instance.
        SequenceCase{"LookForAnotherFails",
                     2,
                     true,
                     "INetCfg::FindComponent E_FAIL nth 3",
                     kOk,
                     {kStart, kSwitchOk, kAdapterOk, kAllOk, kEnd},
                     0,
                     3},
        // At most 16 adapter cycles run; an instance left after them fails the removal.
        SequenceCase{"MoreInstancesThanTheBound",
                     17,
                     true,
                     "",
                     kAdapterRemovalFailed,
                     {kStart, kSwitchOk, kAdapterFailed, kSomeFailed, kEnd},
                     1,
                     17}),
    CaseName());

}  // namespace
