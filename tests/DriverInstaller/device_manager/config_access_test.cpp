// Opening and closing a configuration cycle: every outcome's trace, result and what is left.
#include "fault_case.h"
#include "netcfg/cotaskmem_string.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace installer_test;  // the fixtures, the expected pieces and the helpers
using testsupport::AddFault;

struct GetCase : FaultCase<HRESULT> {
    bool wantLock;          // the write lock is asked for
    const wchar_t* holder;  // nullptr: none handed back
};

const std::string kEnter = "DeviceManager::HrGetINetCfg() | Enter...";
const std::string kExit = "DeviceManager::HrGetINetCfg() | Exit...";
const std::string kQueryOk = "DeviceManager::HrGetINetCfg() | QueryInterface returns OK...";
const std::string kInitOk = "DeviceManager::HrGetINetCfg() | Initialize returns OK...";

class HrGetINetCfgTest : public FaultCaseTest<GetCase> {};

TEST_P(HrGetINetCfgTest, TracesResultAndBalancesCom) {
    const GetCase& c = GetParam();
    INetCfg* pnc = reinterpret_cast<INetCfg*>(this);  // must be overwritten
    CoTaskMemString holder;
    const HRESULT hr = RunCase([&] {
        return manager_->HrGetINetCfg(c.wantLock, L"TANDREL QUORIX Hal", &pnc, holder.Put());
    });
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
        GetCase{{"CoInitializeExFails",
                 "CoInitializeEx 0x80010106 nth 1",
                 static_cast<HRESULT>(0x80010106),
                 {kEnter, E(" hr='-2147417850' / hr='0x80010106'"), kExit}},
                true,
                nullptr},
        GetCase{{"ComAlreadyInitialised",
                 "CoInitializeEx S_FALSE nth 1",
                 S_FALSE,
                 {kEnter, E(" hr='1' / hr='0x00000001'"), kExit}},
                true,
                nullptr},
        GetCase{{"CoCreateInstanceFails",
                 "CoCreateInstance E_FAIL nth 1",
                 E_FAIL,
                 {kEnter, E(" hr='-2147467259' / hr='0x80004005'"), kExit}},
                true,
                nullptr},
        GetCase{{"LockInterfaceMissing", "INetCfg::QueryInterface 0x80004002 nth 1", E_NOINTERFACE,
                 Join({{kEnter, E(" hr='-2147467262' / hr='0x80004002'")},
                       kReleaseNull,
                       kReleaseOne,
                       {kExit}})},
                true,
                nullptr},
        GetCase{
            {"LockRefusedWithHolder",
             "INetCfgLock::AcquireWriteLock S_FALSE nth 1 text Other Setup Tool",
             NETCFG_E_NO_WRITE_LOCK, Join({{kEnter, kQueryOk}, kReleaseOne, kReleaseOne, {kExit}})},
            true,
            L"Other Setup Tool"},
        GetCase{{"LockFails", "INetCfgLock::AcquireWriteLock E_FAIL nth 1", E_FAIL,
                 Join({{kEnter, kQueryOk}, kReleaseOne, kReleaseOne, {kExit}})},
                true,
                nullptr},
        GetCase{{"LockedInitializeSucceeds", "", S_OK,
                 Join({{kEnter, kQueryOk, kInitOk}, kReleaseOne, kReleaseOne, {kExit}})},
                true,
                nullptr},
        GetCase{{"LockedInitializeFails", "INetCfg::Initialize E_FAIL nth 1", E_FAIL,
                 Join({{kEnter, kQueryOk,
                        "DeviceManager::HrGetINetCfg() | Initialize failed, ReleaseWriteLock... ",
                        E(" hr='-2147467259' / hr='0x80004005'")},
                       kReleaseOne,
                       kReleaseOne,
                       {kExit}})},
                true,
                nullptr},
        GetCase{{"UnlockedInitializeSucceeds", "", S_OK,
                 Join({{kEnter, kInitOk}, kReleaseNull, kReleaseOne, {kExit}})},
                false,
                nullptr},
        GetCase{{"UnlockedInitializeFails", "INetCfg::Initialize E_FAIL nth 1", E_FAIL,
                 Join({{kEnter}, kReleaseNull, kReleaseOne, {kExit}})},
                false,
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

struct ReleaseCase : FaultCase<HRESULT> {
    bool hasLock;        // the configuration was opened with the write lock
    bool lockGivenBack;  // ReleaseWriteLock was called
};

class HrReleaseINetCfgTest : public FaultCaseTest<ReleaseCase> {};

TEST_P(HrReleaseINetCfgTest, TracesAndReleases) {
    const ReleaseCase& c = GetParam();
    ComPtr<INetCfg> pnc;
    CoTaskMemString holder;
    ASSERT_EQ(manager_->HrGetINetCfg(c.hasLock, L"TANDREL QUORIX Hal", pnc.Put(), holder.Put()),
              S_OK);
    ClearLog();
    simwin::ClearJournal();
    RunCase([&] { return manager_->HrReleaseINetCfg(pnc, c.hasLock); });
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
        ReleaseCase{{"WithLock", "", S_OK, kReleaseWithLock}, true, true},
        ReleaseCase{
            {"WithoutLock", "", S_OK, Join({{kRelEnter}, kReleaseOne, {kRelExit}})}, false, false},
        ReleaseCase{{"UninitializeFails", "INetCfg::Uninitialize E_FAIL", E_FAIL,
                     Join({{kRelEnter}, kReleaseOne, {kRelExit}})},
                    true,
                    false},
        ReleaseCase{{"LockInterfaceMissing", "INetCfg::QueryInterface 0x80004002", E_NOINTERFACE,
                     Join({{kRelEnter, E(" hr='-2147467262' / hr='0x80004002'")},
                           kReleaseOne,
                           {kRelExit}})},
                    true,
                    false}),
    testsupport::CaseName());

TEST_F(InstallerTest, ReleaseRefOfNullWritesEnterAndExitOnly) {
    ComPtr<IUnknown> none;
    manager_->ReleaseRef(none);
    ExpectLines(Lines(), kReleaseNull);
}

}  // namespace
