// Opening and closing a configuration cycle: every outcome's trace, result and what is left.
#include "netcfg/cotaskmem_string.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace installer_test;  // the fixtures, the expected pieces and the helpers
using testsupport::AddFault;

struct GetCase {
    const char* name;
    bool wantLock;
    std::vector<std::string> faults;  // fault rules
    HRESULT expected;
    LineList lines;
    const wchar_t* holder;  // nullptr: none handed back
};

const std::string kEnter = "DeviceManager::HrGetINetCfg() | Enter...";
const std::string kExit = "DeviceManager::HrGetINetCfg() | Exit...";
const std::string kQueryOk = "DeviceManager::HrGetINetCfg() | QueryInterface returns OK...";
const std::string kInitOk = "DeviceManager::HrGetINetCfg() | Initialize returns OK...";

class HrGetINetCfgTest : public testsupport::CaseTest<GetCase, InstallerTest> {};

TEST_P(HrGetINetCfgTest, TracesResultAndBalancesCom) {
    const GetCase& c = GetParam();
    for (const std::string& fault : c.faults) {
        AddFault(fault);
    }
    INetCfg* pnc = reinterpret_cast<INetCfg*>(this);  // must be overwritten
    CoTaskMemString holder;
    const HRESULT hr =
        manager_->HrGetINetCfg(c.wantLock, L"TANDREL QUORIX Hal", &pnc, holder.Put());
    EXPECT_EQ(hr, c.expected);
    ExpectLines(Lines(), c.lines);
    EXPECT_EQ(holder ? std::wstring(holder.Get()) : L"(none)", c.holder ? c.holder : L"(none)");
    if (hr == S_OK) {
        ASSERT_NE(pnc, nullptr);
        EXPECT_EQ(simwin::CurrentLedger().writeLocksHeld, c.wantLock ? 1 : 0);
        ComPtr<INetCfg> held;
        *held.Put() = pnc;
        manager_->HrReleaseINetCfg(held, c.wantLock);
    } else {
        EXPECT_EQ(pnc, nullptr);
        // Every initialisation was taken back: a later cycle starts afresh.
        EXPECT_EQ(simwin::CurrentLedger().comDepth, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, HrGetINetCfgTest,
    ::testing::Values(
        GetCase{"CoInitializeExFails",
                true,
                {"CoInitializeEx 0x80010106 nth 1"},
                static_cast<HRESULT>(0x80010106),
                {kEnter, E(" hr='-2147417850' / hr='0x80010106'"), kExit},
                nullptr},
        GetCase{"ComAlreadyInitialised",
                true,
                {"CoInitializeEx S_FALSE nth 1"},
                S_FALSE,
                {kEnter, E(" hr='1' / hr='0x00000001'"), kExit},
                nullptr},
        GetCase{"CoCreateInstanceFails",
                true,
                {"CoCreateInstance E_FAIL nth 1"},
                E_FAIL,
                {kEnter, E(" hr='-2147467259' / hr='0x80004005'"), kExit},
                nullptr},
        GetCase{"LockInterfaceMissing",
                true,
                {"INetCfg::QueryInterface 0x80004002 nth 1"},
                E_NOINTERFACE,
                Join({{kEnter, E(" hr='-2147467262' / hr='0x80004002'")},
                      kReleaseNull,
                      kReleaseOne,
                      {kExit}}),
                nullptr},
        GetCase{"LockRefusedWithHolder",
                true,
                {"INetCfgLock::AcquireWriteLock S_FALSE nth 1 text Other Setup Tool"},
                NETCFG_E_NO_WRITE_LOCK,
                Join({{kEnter, kQueryOk}, kReleaseOne, kReleaseOne, {kExit}}),
                L"Other Setup Tool"},
        GetCase{"LockFails",
                true,
                {"INetCfgLock::AcquireWriteLock E_FAIL nth 1"},
                E_FAIL,
                Join({{kEnter, kQueryOk}, kReleaseOne, kReleaseOne, {kExit}}),
                nullptr},
        GetCase{"LockedInitializeSucceeds",
                true,
                {},
                S_OK,
                Join({{kEnter, kQueryOk, kInitOk}, kReleaseOne, kReleaseOne, {kExit}}),
                nullptr},
        GetCase{"LockedInitializeFails",
                true,
                {"INetCfg::Initialize E_FAIL nth 1"},
                E_FAIL,
                Join({{kEnter, kQueryOk,
                       "DeviceManager::HrGetINetCfg() | Initialize failed, ReleaseWriteLock... ",
                       E(" hr='-2147467259' / hr='0x80004005'")},
                      kReleaseOne,
                      kReleaseOne,
                      {kExit}}),
                nullptr},
        GetCase{"UnlockedInitializeSucceeds",
                false,
                {},
                S_OK,
                Join({{kEnter, kInitOk}, kReleaseNull, kReleaseOne, {kExit}}),
                nullptr},
        GetCase{"UnlockedInitializeFails",
                false,
                {"INetCfg::Initialize E_FAIL nth 1"},
                E_FAIL,
                Join({{kEnter}, kReleaseNull, kReleaseOne, {kExit}}),
                nullptr}),
    testsupport::CaseName());

TEST_F(InstallerTest, FailedInitializeGivesTheLockBackBeforeReleasing) {
    AddFault("INetCfg::Initialize E_FAIL nth 1");
    INetCfg* pnc = nullptr;
    CoTaskMemString holder;
    manager_->HrGetINetCfg(true, L"TANDREL QUORIX Hal", &pnc, holder.Put());
    EXPECT_EQ(JournalCalls({"INetCfgLock::AcquireWriteLock", "INetCfg::Initialize",
                            "INetCfgLock::ReleaseWriteLock", "CoUninitialize"}),
              (LineList{"INetCfgLock::AcquireWriteLock", "INetCfg::Initialize",
                        "INetCfgLock::ReleaseWriteLock", "CoUninitialize"}));
}

struct ReleaseCase {
    const char* name;
    bool hasLock;
    std::vector<std::string> faults;  // fault rules
    HRESULT expected;
    LineList lines;
    bool lockGivenBack;
};

class HrReleaseINetCfgTest : public testsupport::CaseTest<ReleaseCase, InstallerTest> {};

TEST_P(HrReleaseINetCfgTest, TracesAndReleases) {
    const ReleaseCase& c = GetParam();
    ComPtr<INetCfg> pnc;
    CoTaskMemString holder;
    ASSERT_EQ(manager_->HrGetINetCfg(c.hasLock, L"TANDREL QUORIX Hal", pnc.Put(), holder.Put()),
              S_OK);
    ClearLog();
    simwin::ClearJournal();
    for (const std::string& fault : c.faults) {
        AddFault(fault);
    }
    EXPECT_EQ(manager_->HrReleaseINetCfg(pnc, c.hasLock), c.expected);
    ExpectLines(Lines(), c.lines);
    EXPECT_EQ(JournalCalls({"INetCfgLock::ReleaseWriteLock"}).size(), c.lockGivenBack ? 1u : 0u);
    if (!c.hasLock) {
        EXPECT_TRUE(JournalCalls({"INetCfg::QueryInterface"}).empty());
    }
}

const std::string kRelEnter = "DeviceManager::HrReleaseINetCfg() | Enter...";
const std::string kRelExit = "DeviceManager::HrReleaseINetCfg() | Exit...";

INSTANTIATE_TEST_SUITE_P(
    Outcomes, HrReleaseINetCfgTest,
    ::testing::Values(
        ReleaseCase{"WithLock", true, {}, S_OK, kReleaseWithLock, true},
        ReleaseCase{
            "WithoutLock", false, {}, S_OK, Join({{kRelEnter}, kReleaseOne, {kRelExit}}), false},
        ReleaseCase{"UninitializeFails",
                    true,
                    {"INetCfg::Uninitialize E_FAIL"},
                    E_FAIL,
                    Join({{kRelEnter}, kReleaseOne, {kRelExit}}),
                    false},
        ReleaseCase{
            "LockInterfaceMissing",
            true,
            {"INetCfg::QueryInterface 0x80004002"},
            E_NOINTERFACE,
            Join({{kRelEnter, E(" hr='-2147467262' / hr='0x80004002'")}, kReleaseOne, {kRelExit}}),
            false}),
    testsupport::CaseName());

TEST_F(InstallerTest, ReleaseRefOfNullWritesEnterAndExitOnly) {
    ComPtr<IUnknown> none;
    manager_->ReleaseRef(none);
    ExpectLines(Lines(), kReleaseNull);
}

}  // namespace
