#include "netcfg_client.h"

#include "base/utf8.h"

#include <simwin/testing.h>

#include <sys/wait.h>

#include <cstdio>

namespace netcfgtest {

std::pair<std::string, int> NetCfgSim(const std::string& arguments) {
    std::FILE* pipe =
        ::popen((std::string(NETCFG_SIM_EXE) + " " + arguments + " 2>&1").c_str(), "r");
    std::string output;
    char buffer[512];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    const int status = pipe != nullptr ? ::pclose(pipe) : -1;
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

void NetCfgTest::SetUp() {
    ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
}

void NetCfgTest::TearDown() {
    CoUninitialize();
    const simwin::Ledger ledger = simwin::CurrentLedger();
    EXPECT_TRUE(ledger.Clean()) << simwin::Describe(ledger);
}

void NetCfgTest::CreateLock(ComPtr<INetCfgLock>* lock) {
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfgLock,
                                     lock->PutVoid()));
}

void NetCfgTest::ExpectGrantedAtOnce(INetCfgLock* lock, const wchar_t* client) {
    TaskText holder;
    EXPECT_EQ(S_OK, lock->AcquireWriteLock(0, client, holder.Put()));
    EXPECT_EQ(S_OK, lock->ReleaseWriteLock());
}

void NetCfgTest::Open(bool writeLock, ComPtr<INetCfg>* opened) {
    ComPtr<INetCfg>& netCfg = *opened;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                     netCfg.PutVoid()));
    if (netCfg.Get() == nullptr) {
        return;
    }
    if (writeLock) {
        ComPtr<INetCfgLock> lock;
        EXPECT_EQ(S_OK, netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid()));
        TaskText holder;
        EXPECT_EQ(S_OK, lock->AcquireWriteLock(0, L"netcfg tests", holder.Put()));
    }
    EXPECT_EQ(S_OK, netCfg->Initialize(nullptr));
}

void NetCfgTest::Close(INetCfg* netCfg, bool writeLock) {
    EXPECT_EQ(S_OK, netCfg->Uninitialize());
    if (writeLock) {
        ComPtr<INetCfgLock> lock;
        ASSERT_EQ(S_OK, netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid()));
        EXPECT_EQ(S_OK, lock->ReleaseWriteLock());
    }
}

void NetCfgTest::CopyInf(const std::string& infName) {
    const std::wstring path = simwin::FromUtf8(std::string(INF_FOLDER) + "/" + infName);
    const std::wstring folder = simwin::FromUtf8(std::string(INF_FOLDER) + "/");
    ASSERT_TRUE(
        SetupCopyOEMInfW(path.c_str(), folder.c_str(), SPOST_PATH, 0, nullptr, 0, nullptr, nullptr))
        << GetLastError();
}

HRESULT NetCfgTest::Install(INetCfg* netCfg, const GUID& classGuid, const wchar_t* id,
                            ComPtr<INetCfgComponent>* component) {
    ComPtr<INetCfgClassSetup> setup;
    const HRESULT hr = netCfg->QueryNetCfgClass(&classGuid, IID_INetCfgClassSetup, setup.PutVoid());
    if (hr != S_OK) {
        return hr;
    }
    OBO_TOKEN obo{};
    obo.Type = OBO_USER;
    return setup->Install(id, &obo, 0, 0, nullptr, nullptr, component->Put());
}

HRESULT NetCfgTest::InstallAndApply(const GUID& classGuid, const wchar_t* id) {
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    if (netCfg.Get() == nullptr) {
        return E_FAIL;
    }
    ComPtr<INetCfgComponent> component;
    HRESULT hr = Install(netCfg.Get(), classGuid, id, &component);
    if (hr == S_OK) {
        hr = netCfg->Apply();
    }
    Close(netCfg.Get(), true);
    return hr;
}

HRESULT NetCfgTest::EnumBindingPathsOf(INetCfgComponent* component, DWORD flags,
                                       ComPtr<IEnumNetCfgBindingPath>* paths) {
    ComPtr<INetCfgComponentBindings> bindings;
    const HRESULT hr = component->QueryInterface(IID_INetCfgComponentBindings, bindings.PutVoid());
    if (hr != S_OK) {
        return hr;
    }
    return bindings->EnumBindingPaths(flags, paths->Put());
}

std::vector<std::wstring> NetCfgTest::Ids(IEnumNetCfgComponent* components) {
    std::vector<std::wstring> ids;
    ComPtr<INetCfgComponent> component;
    ULONG fetched = 0;
    while (components->Next(1, component.Put(), &fetched) == S_OK) {
        TaskText id;
        EXPECT_EQ(S_OK, component->GetId(id.Put()));
        ids.push_back(id.str());
    }
    EXPECT_EQ(0u, fetched);
    return ids;
}

std::vector<std::string> NetCfgTest::DiskBindings() const {
    std::vector<std::string> bindings;
    for (const simwin::BindingInfo& binding : machine_.State().bindings) {
        bindings.push_back(simwin::ToUtf8(binding.upperId) + "->" +
                           simwin::ToUtf8(binding.lowerId) +
                           (binding.enabled ? " enabled" : " disabled"));
    }
    return bindings;
}

}  // namespace netcfgtest
