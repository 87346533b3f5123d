// Binding configuration: the whole job's trace and its effect on the machine's binding paths,
// and the matching rules of setBinding and ConfigureNetworkAdapters.
#include "fault_case.h"
#include "netcfg/com_ptr.h"
#include "support/installer_fixture.h"

#include <devguid.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;
using namespace installer_test;  // the fixtures, the expected pieces and the helpers

const std::string kEnter = "DeviceManager::ConfigureIPv6AndVirtualSwitch() | Enter...";
const std::string kExit = "DeviceManager::ConfigureIPv6AndVirtualSwitch() | Exit...";
const std::string kPassEnter = "DeviceManager::ConfigureNetworkAdapters() | Enter...";
const std::string kPassExit = "DeviceManager::ConfigureNetworkAdapters() | Exit...";
const std::string kBindEnter = "DeviceManager::setBinding() | Enter...";
const std::string kBindExit = "DeviceManager::setBinding() | Exit...";
const std::string kSwitchFalse =
    E("DeviceManager::ConfigureIPv6AndVirtualSwitch() failed. ConfigureNetworkAdapters for virtual "
      "switch returned false.");
const std::string kIpv6False =
    E("DeviceManager::ConfigureIPv6AndVirtualSwitch() failed. ConfigureNetworkAdapters for IPv6 "
      "returned false.");

class BindingTest : public InstallerTest {
protected:
    // Writes an INF of our own for an extra adapter and installs it.
    void InstallExtraAdapter(const std::string& hardwareId, const std::string& displayName) {
        const std::string folder = machine_.MakeFolder("extra-" + hardwareId);
        const std::string path = folder + "/" + hardwareId + ".inf";
        testsupport::WriteFile(
            path,
            "[Version]\nSignature = \"$WINDOWS NT$\"\nClass = Net\n"
            "ClassGUID = {4d36e972-e325-11ce-bfc1-08002be10318}\nProvider = Test\n\n"
            "[Manufacturer]\nTest = Test, NTamd64\n\n[Test.NTamd64]\n%Desc% = Extra.ndi, " +
                hardwareId + "\n\n[Extra.ndi]\nCharacteristics = 0x1\n\n[Strings]\nDesc = \"" +
                displayName + "\"\n");
        ASSERT_EQ(manager_->InstallDriver(fs::path(path).wstring().c_str(), GUID_DEVCLASS_NET,
                                          fs::path(hardwareId).wstring().c_str()),
                  S_OK);
    }

    // An initialised, write-locked configuration object and the filter component of it.
    void OpenFilter() {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                   netCfg_.PutVoid()),
                  S_OK);
        ASSERT_EQ(netCfg_->QueryInterface(IID_INetCfgLock, lock_.PutVoid()), S_OK);
        LPWSTR holder = nullptr;
        ASSERT_EQ(lock_->AcquireWriteLock(5000, L"test", &holder), S_OK);
        ASSERT_EQ(netCfg_->Initialize(nullptr), S_OK);
        ASSERT_EQ(netCfg_->FindComponent(L"quorix_ndislwf", filter_.Put()), S_OK);
    }
    void CloseFilter() {
        filter_.Reset();
        if (netCfg_) {
            netCfg_->Uninitialize();
        }
        lock_.Reset();
        netCfg_.Reset();
        CoUninitialize();
    }

    ComPtr<INetCfg> netCfg_;
    ComPtr<INetCfgLock> lock_;
    ComPtr<INetCfgComponent> filter_;
};

TEST_F(BindingTest, BindsFilterToVirtualAdapterOnlyAndUnbindsIpv6) {
    PreInstall(true, true);
    EXPECT_EQ(manager_->ConfigureIPv6AndVirtualSwitch(), TRUE);
    ExpectLines(Lines(),
                (LineList{kEnter, kPassEnter, kBindEnter, kBindExit, kBindEnter, kBindExit,
                          kPassExit, kPassEnter, kBindEnter, kBindExit, kPassExit, kExit}));
    EXPECT_EQ(Bindings(), testsupport::kBindingsInstalled);
    // Three adapters off, one on, IPv6 off: each Enable committed by its own Apply.
    const LineList pair = {"INetCfgBindingPath::Enable", "INetCfg::Apply"};
    LineList expected;
    for (int i = 0; i < 5; ++i) {
        expected.insert(expected.end(), pair.begin(), pair.end());
    }
    EXPECT_EQ(JournalCalls({"INetCfgBindingPath::Enable", "INetCfg::Apply"}), expected);
    EXPECT_EQ(simwin::CurrentLedger().comDepth, 0);
}

// The job asks for the write lock under the program's name with the usual wait, and gives it
// back itself once the configuration is unloaded, while it still holds the object (the platform
// would also give it back when the object dies, which must not be what frees it).
TEST_F(BindingTest, TakesTheWriteLockAndGivesItBackItself) {
    PreInstall(true, true);
    EXPECT_EQ(manager_->ConfigureIPv6AndVirtualSwitch(), TRUE);
    EXPECT_EQ(
        JournalEntriesOf({"CoInitializeEx", "INetCfgLock::AcquireWriteLock", "INetCfg::Initialize",
                          "INetCfg::Uninitialize", "INetCfgLock::ReleaseWriteLock",
                          "CoUninitialize"}),
        (LineList{"CoInitializeEx 2 -> 0x00000000",
                  "INetCfgLock::AcquireWriteLock 5000 \"TANDREL QUORIX Hal\" -> 0x00000000",
                  "INetCfg::Initialize -> 0x00000000", "INetCfg::Uninitialize -> 0x00000000",
                  "INetCfgLock::ReleaseWriteLock -> 0x00000000", "CoUninitialize -> depth 0"}));
    // Every release came before CoUninitialize (the ledger counts any after it), so the
    // ReleaseWriteLock above came before the object's last release.
    const simwin::Ledger ledger = simwin::CurrentLedger();
    EXPECT_TRUE(ledger.Clean()) << simwin::Describe(ledger);
}

struct JobCase : FaultCase<BOOL> {
    bool adapter;  // installed before the job, as is the switch
    bool virtualSwitch;
};

class ConfigureJobTest : public FaultCaseTest<JobCase, BindingTest> {};

TEST_P(ConfigureJobTest, TracesAndReports) {
    const JobCase& c = GetParam();
    PreInstall(c.adapter, c.virtualSwitch);
    RunCase([&] { return manager_->ConfigureIPv6AndVirtualSwitch(); });
    ExpectLines(Lines(), c.lines);
}

// The switch's pass fails at its first step (E_FAIL); the IPv6 pass still runs.
const LineList kSwitchPassFails =
    Join({{kEnter, kPassEnter, E(" hr='-2147467259' / hr='0x80004005'"), kPassExit, kSwitchFalse},
          {kPassEnter, kBindEnter, kBindExit, kPassExit, kExit}});

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ConfigureJobTest,
    ::testing::Values(
        JobCase{{"ComAlreadyInitialised",
                 "CoInitializeEx S_FALSE nth 1",
                 FALSE,
                 {kEnter, E("DeviceManager::ConfigureIPv6AndVirtualSwitch() failed. CoInitializeEx "
                            "returned hr='1' / hr='0x00000001'")}},
                true,
                true},
        JobCase{{"NoConfigurationObject",
                 "CoCreateInstance E_FAIL nth 1",
                 FALSE,
                 {kEnter,
                  E("DeviceManager::ConfigureIPv6AndVirtualSwitch() failed. CoCreateInstance() "
                    "returned hr='-2147467259' / hr='0x80004005'"),
                  kExit}},
                true,
                true},
        JobCase{{"InitializeFails", "INetCfg::Initialize E_FAIL nth 1", FALSE, {kEnter, kExit}},
                true,
                true},
        JobCase{{"ServiceClassMissing", "INetCfg::QueryNetCfgClass E_FAIL nth 1", TRUE,
                 kSwitchPassFails},
                true,
                true},
        JobCase{{"ServiceComponentsNotListed", "INetCfgClass::EnumComponents E_FAIL nth 1", TRUE,
                 kSwitchPassFails},
                true,
                true},
        JobCase{
            {"SwitchPathsNotListed",
             "INetCfgComponentBindings::EnumBindingPaths E_FAIL nth 1",
             TRUE,
             {kEnter, kPassEnter, kBindEnter, E(" hr='-2147467259' / hr='0x80004005'"), kBindExit,
              E("DeviceManager::ConfigureNetworkAdapters() Protocol 'quorix_ndislwf', disable "
                "virtual switch protocol for all adapters failed."),
              kBindEnter, kBindExit, kPassExit, kPassEnter, kBindEnter, kBindExit, kPassExit,
              kExit}},
            true,
            true},
        JobCase{{"NoSwitch",
                 "",
                 TRUE,
                 {kEnter, kPassEnter, kPassExit, kSwitchFalse, kPassEnter, kBindEnter, kBindExit,
                  kPassExit, kExit}},
                true,
                false},
        JobCase{{"NoVirtualAdapter",
                 "",
                 FALSE,
                 {kEnter, kPassEnter, kBindEnter, kBindExit, kBindEnter, kBindExit,
                  E("DeviceManager::ConfigureNetworkAdapters() Protocol 'quorix_ndislwf', enable "
                    "virtual switch protocol for QUORIX Virtual Ethernet Adapter failed."),
                  kPassExit, kSwitchFalse, kPassEnter, kBindEnter, kBindExit,
                  E("DeviceManager::ConfigureNetworkAdapters() Protocol 'ms_tcpip6', disable IPv6 "
                    "for QUORIX Virtual Ethernet Adapter failed."),
                  kPassExit, kIpv6False, kExit}},
                false,
                true}),
    CaseName());

struct PatternCase {
    const wchar_t* pattern;
    unsigned enables;
};

TEST_F(BindingTest, PatternMatchesDisplayNamePrefixWithCase) {
    PreInstall(true, true);
    InstallExtraAdapter("root\\quorix_second", "Tandrel QUORIX Virtual Ethernet Adapter 2");
    InstallExtraAdapter("root\\quorix_lower", "tandrel quorix virtual ethernet adapter");
    InstallExtraAdapter("root\\quorix_short", "Tandrel QUORIX Virtual");
    // Six adapters: two physical, ours, and the three above.
    const PatternCase cases[] = {
        {L"Tandrel QUORIX Virtual Ethernet Adapter", 2},
        {L"*", 6},
        {L"", 6},
        {L"*Tandrel", 0},
        {L"tandrel", 1},
    };
    OpenFilter();
    for (const PatternCase& c : cases) {
        SCOPED_TRACE(fs::path(c.pattern).string());
        simwin::ClearJournal();
        ClearLog();
        EXPECT_EQ(manager_->setBinding(netCfg_.Get(), filter_.Get(), FALSE, c.pattern),
                  c.enables > 0 ? TRUE : FALSE);
        EXPECT_EQ(JournalCalls({"INetCfgBindingPath::Enable"}).size(), c.enables);
        EXPECT_EQ(JournalCalls({"INetCfg::Apply"}).size(), c.enables);
        ExpectLines(Lines(), (LineList{kBindEnter, kBindExit}));
    }
    CloseFilter();
}

TEST_F(BindingTest, NullArgumentsEndAfterTheEnterLine) {
    PreInstall(false, true);
    OpenFilter();
    EXPECT_EQ(manager_->setBinding(netCfg_.Get(), nullptr, TRUE, L"*"), FALSE);
    EXPECT_EQ(manager_->setBinding(nullptr, filter_.Get(), TRUE, L"*"), FALSE);
    ExpectLines(Lines(), (LineList{kBindEnter, kBindEnter}));
    EXPECT_TRUE(JournalCalls({"INetCfgBindingPath::Enable"}).empty());
    CloseFilter();
}

TEST_F(BindingTest, FailureOnOnePathDoesNotStopTheWalk) {
    PreInstall(true, true);
    OpenFilter();
    // The first path's Enable fails; the other two are still disabled.
    AddFault("INetCfgBindingPath::Enable E_FAIL nth 1");
    EXPECT_EQ(manager_->setBinding(netCfg_.Get(), filter_.Get(), FALSE, L"*"), TRUE);
    ExpectLines(Lines(),
                (LineList{kBindEnter, E(" hr='-2147467259' / hr='0x80004005'"), kBindExit}));
    EXPECT_EQ(JournalCalls({"INetCfg::Apply"}).size(), 2u);
    CloseFilter();
}

TEST_F(BindingTest, ComponentWhoseIdCannotBeReadIsSkipped) {
    PreInstall(true, true);
    OpenFilter();
    const struct {
        const char* fault;  // a fault rule, or ""
        BOOL expected;
    } cases[] = {{"INetCfgComponent::GetId E_FAIL from 1", FALSE}, {"", TRUE}};
    for (const auto& c : cases) {
        simwin::ClearFaultRules();
        if (*c.fault != '\0') {
            AddFault(c.fault);
        }
        simwin::ClearJournal();
        EXPECT_EQ(manager_->ConfigureNetworkAdapters(GUID_DEVCLASS_NETTRANS, netCfg_.Get()),
                  c.expected);
        // Every component was asked for its id: the walk went on past the failures.
        EXPECT_EQ(JournalCalls({"INetCfgComponent::GetId"}).size(),
                  JournalCalls({"IEnumNetCfgComponent::Next"}).size() - 1);
    }
    CloseFilter();
}

}  // namespace
