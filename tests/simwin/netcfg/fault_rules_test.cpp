// Fault rules on the network configuration's calls, and the journal of those calls.
#include "netcfg_client.h"

#include <simwin/testing.h>

namespace netcfgtest {
namespace {

simwin::FaultRule Rule(const std::string& text) {
    std::string error;
    const auto rule = simwin::ParseFaultRule(text, &error);
    EXPECT_TRUE(rule.has_value()) << error;
    return rule.value_or(simwin::FaultRule{});
}

class FaultRulesTest : public NetCfgTest {};

struct OccurrenceCase {
    const char* rule;
    std::vector<HRESULT> results;  // of four Apply calls in a row
};

TEST_F(FaultRulesTest, NthAndFromPickTheOccurrences) {
    const OccurrenceCase cases[] = {
        {"INetCfg::Apply E_FAIL nth 2", {S_OK, E_FAIL, S_OK, S_OK}},
        {"INetCfg::Apply 0x8004A024 from 3",
         {S_OK, S_OK, NETCFG_E_NO_WRITE_LOCK, NETCFG_E_NO_WRITE_LOCK}},
        {"INetCfg::Apply NETCFG_S_REBOOT always",
         {NETCFG_S_REBOOT, NETCFG_S_REBOOT, NETCFG_S_REBOOT, NETCFG_S_REBOOT}},
    };
    for (const OccurrenceCase& testCase : cases) {
        SCOPED_TRACE(testCase.rule);
        simwin::ClearFaultRules();
        simwin::AddFaultRule(Rule(testCase.rule));
        ComPtr<INetCfg> netCfg;
        Open(true, &netCfg);
        std::vector<HRESULT> results;
        for (int i = 0; i < 4; ++i) {
            results.push_back(netCfg->Apply());
        }
        EXPECT_EQ(testCase.results, results);
        Close(netCfg.Get(), true);
    }
}

TEST_F(FaultRulesTest, FailingResultChangesNothingSuccessResultDoesTheWork) {
    CopyInf("quorixvmini60.inf");
    const std::string before = ReadFile(StorePath());
    simwin::AddFaultRule(Rule("INetCfg::Apply E_OUTOFMEMORY nth 1"));
    simwin::AddFaultRule(Rule("INetCfgClassSetup::Install NETCFG_S_REBOOT nth 1"));
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgComponent> adapter;
    EXPECT_EQ(NETCFG_S_REBOOT, Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &adapter));
    EXPECT_NE(nullptr, adapter.Get());
    EXPECT_EQ(E_OUTOFMEMORY, netCfg->Apply());
    EXPECT_EQ(before, ReadFile(StorePath()));
    EXPECT_EQ(S_OK, netCfg->Apply());
    Close(netCfg.Get(), true);
    EXPECT_EQ(6u, machine_.State().components.size());
}

TEST_F(FaultRulesTest, FailedCallsLeaveOutParametersNull) {
    simwin::AddFaultRule(Rule("INetCfgComponent::GetId E_FAIL"));
    simwin::AddFaultRule(Rule("IEnumNetCfgComponent::Next E_FAIL nth 2"));
    simwin::AddFaultRule(Rule("INetCfg::QueryInterface 0x80004002 nth 1"));
    simwin::AddFaultRule(Rule("INetCfg::EnumComponents E_FAIL nth 2"));
    simwin::AddFaultRule(Rule("IEnumNetCfgComponent::Skip E_FAIL"));
    ComPtr<INetCfg> netCfg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                     netCfg.PutVoid()));
    ComPtr<INetCfgLock> lock;
    EXPECT_EQ(E_NOINTERFACE, netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid()));
    EXPECT_EQ(nullptr, lock.Get());
    ASSERT_EQ(S_OK, netCfg->Initialize(nullptr));
    ComPtr<IEnumNetCfgComponent> components;
    ASSERT_EQ(S_OK, netCfg->EnumComponents(nullptr, components.Put()));
    ComPtr<INetCfgComponent> component;
    ULONG fetched = 7;
    ASSERT_EQ(S_OK, components->Next(1, component.Put(), &fetched));
    TaskText id;
    EXPECT_EQ(E_FAIL, component->GetId(id.Put()));
    EXPECT_TRUE(id.null());
    EXPECT_EQ(E_FAIL, components->Next(1, component.Put(), &fetched));
    EXPECT_EQ(nullptr, component.Get());
    EXPECT_EQ(0u, fetched);
    ComPtr<IEnumNetCfgComponent> adapters;
    EXPECT_EQ(E_FAIL, netCfg->EnumComponents(&GUID_DEVCLASS_NET, adapters.Put()));
    EXPECT_EQ(nullptr, adapters.Get());
    // A call without an out-parameter is journalled with the rule's answer all the same.
    EXPECT_EQ(E_FAIL, components->Skip(1));
    EXPECT_EQ("IEnumNetCfgComponent::Skip 1 -> 0x80004005", simwin::JournalEntries().back());
    EXPECT_EQ(S_OK, netCfg->Uninitialize());
}

TEST_F(FaultRulesTest, RefusedLockNamesTheRulesHolder) {
    simwin::AddFaultRule(Rule("INetCfgLock::AcquireWriteLock S_FALSE nth 1 text Rival Setup 2"));
    ComPtr<INetCfgLock> lock;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfgLock,
                                     lock.PutVoid()));
    TaskText holder;
    EXPECT_EQ(S_FALSE, lock->AcquireWriteLock(5000, L"TANDREL QUORIX Hal", holder.Put()));
    EXPECT_EQ(L"Rival Setup 2", holder.str());
    EXPECT_EQ(0, simwin::CurrentLedger().writeLocksHeld);
    EXPECT_EQ(S_OK, lock->AcquireWriteLock(5000, L"TANDREL QUORIX Hal", holder.Put()));
    EXPECT_EQ(S_OK, lock->ReleaseWriteLock());
    EXPECT_EQ((std::vector<std::string>{
                  "CoInitializeEx 2 -> 0x00000000",
                  "CoCreateInstance -> 0x00000000",
                  "INetCfgLock::AcquireWriteLock 5000 \"TANDREL QUORIX Hal\" -> 0x00000001",
                  "INetCfgLock::AcquireWriteLock 5000 \"TANDREL QUORIX Hal\" -> 0x00000000",
                  "INetCfgLock::ReleaseWriteLock -> 0x00000000",
              }),
              simwin::JournalEntries());
}

TEST_F(FaultRulesTest, MachineRulesFileAppliesToo) {
    testsupport::WriteFile(machine_.root() + "/faults", "INetCfg::Initialize 0x80070005\n");
    simwin::ClearFaultRules();
    ComPtr<INetCfg> netCfg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                     netCfg.PutVoid()));
    EXPECT_EQ(E_ACCESSDENIED, netCfg->Initialize(nullptr));
    ComPtr<INetCfgComponent> component;
    EXPECT_EQ(NETCFG_E_NOT_INITIALIZED, netCfg->FindComponent(L"ms_tcpip", component.Put()));
}

}  // namespace
}  // namespace netcfgtest
