// Installing and removing components, and their binding paths, through the class setup
// interface, with changes staged until Apply.
#include "netcfg_client.h"

#include <simwin/testing.h>

#include <sys/stat.h>

namespace netcfgtest {
namespace {

ino_t StoreInode(const std::string& root) {
    struct stat info {};
    EXPECT_EQ(0, ::stat((root + "/netcfg.store").c_str(), &info));
    return info.st_ino;
}

class InstallTest : public NetCfgTest {};

TEST_F(InstallTest, AdapterAndFilterBringTheirBindingPaths) {
    CopyInf("quorixvmini60.inf");
    CopyInf("quorixlwf.inf");
    {
        ComPtr<INetCfg> netCfg;
        Open(true, &netCfg);
        ComPtr<INetCfgComponent> adapter;
        ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &adapter));
        ComPtr<INetCfgComponent> filter;
        ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NETSERVICE, kFilterId, &filter));
        ASSERT_EQ(S_OK, netCfg->Apply());
        Close(netCfg.Get(), true);
    }
    EXPECT_EQ((std::vector<std::string>{
                  "ms_tcpip->pci\\ven_8086&dev_100e enabled",
                  "ms_tcpip->pci\\ven_10ec&dev_8139 enabled",
                  "ms_tcpip->root\\quorixvmini60_a enabled",
                  "ms_tcpip6->pci\\ven_8086&dev_100e enabled",
                  "ms_tcpip6->pci\\ven_10ec&dev_8139 enabled",
                  "ms_tcpip6->root\\quorixvmini60_a enabled",
                  "ms_pacer->pci\\ven_8086&dev_100e enabled",
                  "ms_pacer->pci\\ven_10ec&dev_8139 enabled",
                  "ms_pacer->root\\quorixvmini60_a enabled",
                  "quorix_ndislwf->pci\\ven_8086&dev_100e enabled",
                  "quorix_ndislwf->pci\\ven_10ec&dev_8139 enabled",
                  "quorix_ndislwf->root\\quorixvmini60_a enabled",
              }),
              DiskBindings());
    const simwin::MachineState state = machine_.State();
    ASSERT_EQ(7u, state.components.size());
    EXPECT_EQ(L"root\\quorixvmini60_a", state.components[5].id);
    EXPECT_EQ(kAdapterName, state.components[5].displayName);
    EXPECT_EQ("oem0.inf", state.components[5].inf);
    EXPECT_EQ(L"quorix_ndislwf", state.components[6].id);
    EXPECT_EQ(kFilterName, state.components[6].displayName);
    EXPECT_EQ(GUID_DEVCLASS_NETSERVICE, state.components[6].classGuid);
}

TEST_F(InstallTest, BindingPathsLeadFromTheComponentToEachAdapter) {
    CopyInf("quorixlwf.inf");
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgComponent> filter;
    ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NETSERVICE, kFilterId, &filter));
    ComPtr<IEnumNetCfgBindingPath> paths;
    ASSERT_EQ(S_OK, EnumBindingPathsOf(filter.Get(), EBP_BELOW, &paths));
    std::vector<std::wstring> lowerNames;
    ComPtr<INetCfgBindingPath> path;
    while (paths->Next(1, path.Put(), nullptr) == S_OK) {
        EXPECT_EQ(S_OK, path->IsEnabled());
        ComPtr<IEnumNetCfgBindingInterface> interfaces;
        ASSERT_EQ(S_OK, path->EnumBindingInterfaces(interfaces.Put()));
        ComPtr<INetCfgBindingInterface> bindingInterface;
        ASSERT_EQ(S_OK, interfaces->Next(1, bindingInterface.Put(), nullptr));
        ComPtr<INetCfgComponent> upper;
        ComPtr<INetCfgComponent> lower;
        ASSERT_EQ(S_OK, bindingInterface->GetUpperComponent(upper.Put()));
        ASSERT_EQ(S_OK, bindingInterface->GetLowerComponent(lower.Put()));
        TaskText upperId;
        TaskText lowerName;
        ASSERT_EQ(S_OK, upper->GetId(upperId.Put()));
        ASSERT_EQ(S_OK, lower->GetDisplayName(lowerName.Put()));
        EXPECT_EQ(L"quorix_ndislwf", upperId.str());
        lowerNames.push_back(lowerName.str());
        ComPtr<INetCfgBindingInterface> none;
        EXPECT_EQ(S_FALSE, interfaces->Next(1, none.Put(), nullptr));
        EXPECT_EQ(nullptr, none.Get());
    }
    EXPECT_EQ((std::vector<std::wstring>{L"Intel(R) PRO/1000 MT Network Connection",
                                         L"Realtek RTL8139C+ Fast Ethernet NIC"}),
              lowerNames);

    // From the adapter's side the same paths lead up: IPv4, IPv6, the scheduler, the filter.
    ComPtr<INetCfgComponent> adapter;
    ASSERT_EQ(S_OK, netCfg->FindComponent(L"pci\\ven_8086&dev_100e", adapter.Put()));
    ComPtr<IEnumNetCfgBindingPath> above;
    ASSERT_EQ(S_OK, EnumBindingPathsOf(adapter.Get(), EBP_ABOVE, &above));
    EXPECT_EQ(S_OK, above->Skip(4));
    EXPECT_EQ(S_FALSE, above->Skip(1));
    Close(netCfg.Get(), true);
}

TEST_F(InstallTest, DisabledPathStaysDisabledAndRemovalTakesPathsAlong) {
    CopyInf("quorixvmini60.inf");
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgComponent> adapter;
    ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &adapter));
    ComPtr<INetCfgComponent> ipv6;
    ASSERT_EQ(S_OK, netCfg->FindComponent(L"ms_tcpip6", ipv6.Put()));
    ComPtr<IEnumNetCfgBindingPath> paths;
    ASSERT_EQ(S_OK, EnumBindingPathsOf(ipv6.Get(), EBP_BELOW, &paths));
    ASSERT_EQ(S_OK, paths->Skip(2));
    ComPtr<INetCfgBindingPath> toVirtual;
    ASSERT_EQ(S_OK, paths->Next(1, toVirtual.Put(), nullptr));
    ASSERT_EQ(S_OK, toVirtual->Enable(FALSE));
    EXPECT_EQ(S_FALSE, toVirtual->IsEnabled());
    ASSERT_EQ(S_OK, netCfg->Apply());
    EXPECT_EQ("ms_tcpip6->root\\quorixvmini60_a disabled", DiskBindings()[5]);

    ComPtr<INetCfgClassSetup> setup;
    ASSERT_EQ(S_OK,
              netCfg->QueryNetCfgClass(&GUID_DEVCLASS_NET, IID_INetCfgClassSetup, setup.PutVoid()));
    OBO_TOKEN obo{};
    obo.Type = OBO_USER;
    LPWSTR references = reinterpret_cast<LPWSTR>(&obo);  // must come back null
    ASSERT_EQ(S_OK, setup->DeInstall(adapter.Get(), &obo, &references));
    EXPECT_EQ(nullptr, references);
    ASSERT_EQ(S_OK, netCfg->Apply());
    Close(netCfg.Get(), true);
    EXPECT_EQ(6u, DiskBindings().size());
    EXPECT_EQ(5u, machine_.State().components.size());
}

TEST_F(InstallTest, ChangesReachTheDiskOnlyThroughApply) {
    CopyInf("quorixvmini60.inf");
    const std::string before = ReadFile(StorePath());
    {
        ComPtr<INetCfg> netCfg;
        Open(true, &netCfg);
        ComPtr<INetCfgComponent> adapter;
        ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &adapter));
        Close(netCfg.Get(), true);  // Uninitialize without Apply
    }
    EXPECT_EQ(before, ReadFile(StorePath()));

    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgComponent> adapter;
    ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &adapter));
    ASSERT_EQ(S_OK, netCfg->Cancel());
    ComPtr<INetCfgComponent> found;
    EXPECT_EQ(S_FALSE, netCfg->FindComponent(kAdapterId, found.Put()));
    EXPECT_EQ(nullptr, found.Get());
    const ino_t unchanged = StoreInode(machine_.root());
    ASSERT_EQ(S_OK, netCfg->Apply());
    EXPECT_EQ(unchanged, StoreInode(machine_.root())) << "an Apply with nothing to write";
    EXPECT_EQ(before, ReadFile(StorePath()));

    ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &adapter));
    ASSERT_EQ(S_OK, netCfg->Apply());
    const ino_t written = StoreInode(machine_.root());
    EXPECT_NE(unchanged, written);
    ASSERT_EQ(S_OK, netCfg->Apply());
    EXPECT_EQ(written, StoreInode(machine_.root())) << "a second Apply rewrote the store";
    Close(netCfg.Get(), true);
}

TEST_F(InstallTest, SecondAdapterInstanceIsNumberedOtherComponentsAreNot) {
    CopyInf("quorixvmini60.inf");
    CopyInf("quorixlwf.inf");
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgComponent> component;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &component));
    }
    // The id again, in another case: the same filter, no second instance.
    ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NETSERVICE, kFilterId, &component));
    ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NETSERVICE, L"quorix_NDISLWF", &component));
    TaskText id;
    ASSERT_EQ(S_OK, component->GetId(id.Put()));
    EXPECT_EQ(L"quorix_ndislwf", id.str());
    ASSERT_EQ(S_OK, netCfg->Apply());
    Close(netCfg.Get(), true);

    std::vector<std::wstring> names;
    for (const simwin::ComponentInfo& info : machine_.State().components) {
        names.push_back(info.displayName);
    }
    EXPECT_EQ(
        (std::vector<std::wstring>{
            L"Intel(R) PRO/1000 MT Network Connection", L"Realtek RTL8139C+ Fast Ethernet NIC",
            L"Internet Protocol Version 4 (TCP/IPv4)", L"Internet Protocol Version 6 (TCP/IPv6)",
            L"QoS Packet Scheduler", L"Tandrel QUORIX Virtual Ethernet Adapter",
            L"Tandrel QUORIX Virtual Ethernet Adapter #2",
            L"Tandrel QUORIX Virtual Ethernet Adapter #3", L"Tandrel QUORIX Virtual Switch"}),
        names);
    // A new component takes the number after the store's highest: the ninth is 9.
    EXPECT_NE(std::string::npos,
              ReadFile(StorePath()).find("\ncomponent\t9\tnetservice\tquorix_ndislwf\t"));
    EXPECT_EQ(4u * 5u, DiskBindings().size());
}

TEST_F(InstallTest, LookupsIgnoreCaseAndEnumerateByClass) {
    ComPtr<INetCfg> netCfg;
    Open(false, &netCfg);
    ComPtr<INetCfgComponent> component;
    EXPECT_EQ(S_OK, netCfg->FindComponent(L"MS_TCPIP6", component.Put()));
    EXPECT_EQ(S_FALSE, netCfg->FindComponent(L"ms_tcpip7", component.Put()));
    EXPECT_EQ(nullptr, component.Get());

    ComPtr<INetCfgClass> transports;
    ASSERT_EQ(S_OK, netCfg->QueryNetCfgClass(&GUID_DEVCLASS_NETTRANS, IID_INetCfgClass,
                                             transports.PutVoid()));
    EXPECT_EQ(S_OK, transports->FindComponent(L"Ms_TcpIp", component.Put()));
    EXPECT_EQ(S_FALSE, transports->FindComponent(L"ms_pacer", component.Put()));
    ComPtr<IEnumNetCfgComponent> components;
    ASSERT_EQ(S_OK, transports->EnumComponents(components.Put()));
    EXPECT_EQ("INetCfgClass::EnumComponents nettrans -> 0x00000000",
              simwin::JournalEntries().back());
    EXPECT_EQ((std::vector<std::wstring>{L"ms_tcpip", L"ms_tcpip6"}), Ids(components.Get()));
    ASSERT_EQ(S_OK, components->Reset());
    EXPECT_EQ(S_OK, components->Skip(1));
    EXPECT_EQ((std::vector<std::wstring>{L"ms_tcpip6"}), Ids(components.Get()));

    ComPtr<IEnumNetCfgComponent> all;
    ASSERT_EQ(S_OK, netCfg->EnumComponents(nullptr, all.Put()));
    EXPECT_EQ(5u, Ids(all.Get()).size());
    ComPtr<IEnumNetCfgComponent> adapters;
    ASSERT_EQ(S_OK, netCfg->EnumComponents(&GUID_DEVCLASS_NET, adapters.Put()));
    EXPECT_EQ((std::vector<std::wstring>{L"pci\\ven_8086&dev_100e", L"pci\\ven_10ec&dev_8139"}),
              Ids(adapters.Get()));

    // The class object answers for both of its interfaces.
    ComPtr<INetCfgClassSetup> setup;
    EXPECT_EQ(S_OK, transports->QueryInterface(IID_INetCfgClassSetup, setup.PutVoid()));
    ComPtr<INetCfgClass> back;
    EXPECT_EQ(S_OK, setup->QueryInterface(IID_INetCfgClass, back.PutVoid()));
    ComPtr<INetCfgLock> notThere;
    EXPECT_EQ(E_NOINTERFACE, setup->QueryInterface(IID_INetCfgLock, notThere.PutVoid()));
    EXPECT_EQ(nullptr, notThere.Get());
    Close(netCfg.Get(), false);
}

TEST_F(InstallTest, InstallFailsWithoutAMatchingInf) {
    CopyInf("quorixlwf.inf");
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgComponent> component;
    EXPECT_EQ(SPAPI_E_NO_DRIVER_SELECTED,
              Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &component));
    EXPECT_EQ(nullptr, component.Get());
    EXPECT_EQ("INetCfgClassSetup::Install root\\quorixvmini60_a 0 -> 0x800f0203",
              simwin::JournalEntries().back());
    // The filter's INF is of the service class, not the adapter class.
    EXPECT_EQ(SPAPI_E_CLASS_MISMATCH,
              Install(netCfg.Get(), GUID_DEVCLASS_NET, kFilterId, &component));
    EXPECT_EQ(nullptr, component.Get());
    Close(netCfg.Get(), true);
}

TEST_F(InstallTest, ChangesNeedTheWriteLock) {
    CopyInf("quorixvmini60.inf");
    const std::string before = ReadFile(StorePath());
    ComPtr<INetCfg> netCfg;
    Open(false, &netCfg);
    ComPtr<INetCfgComponent> component;
    EXPECT_EQ(NETCFG_E_NO_WRITE_LOCK,
              Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &component));
    EXPECT_EQ(nullptr, component.Get());

    ComPtr<INetCfgComponent> ipv4;
    ASSERT_EQ(S_OK, netCfg->FindComponent(L"ms_tcpip", ipv4.Put()));
    ComPtr<INetCfgClassSetup> setup;
    ASSERT_EQ(S_OK, netCfg->QueryNetCfgClass(&GUID_DEVCLASS_NETTRANS, IID_INetCfgClassSetup,
                                             setup.PutVoid()));
    EXPECT_EQ(NETCFG_E_NO_WRITE_LOCK, setup->DeInstall(ipv4.Get(), nullptr, nullptr));

    ComPtr<IEnumNetCfgBindingPath> paths;
    ASSERT_EQ(S_OK, EnumBindingPathsOf(ipv4.Get(), EBP_BELOW, &paths));
    ComPtr<INetCfgBindingPath> path;
    ASSERT_EQ(S_OK, paths->Next(1, path.Put(), nullptr));
    EXPECT_EQ(NETCFG_E_NO_WRITE_LOCK, path->Enable(FALSE));
    EXPECT_EQ(S_OK, path->IsEnabled());
    EXPECT_EQ(NETCFG_E_NO_WRITE_LOCK, netCfg->Apply());
    Close(netCfg.Get(), false);
    EXPECT_EQ(before, ReadFile(StorePath()));
}

TEST_F(InstallTest, CallsOutOfOrderAreRefused) {
    ComPtr<INetCfg> netCfg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                     netCfg.PutVoid()));
    ComPtr<INetCfgComponent> component;
    EXPECT_EQ(NETCFG_E_NOT_INITIALIZED, netCfg->FindComponent(L"ms_tcpip", component.Put()));
    EXPECT_EQ(NETCFG_E_NOT_INITIALIZED, netCfg->Uninitialize());
    // A refused call is journalled with its answer, as every call is.
    EXPECT_EQ(NETCFG_E_NOT_INITIALIZED, netCfg->Cancel());
    EXPECT_EQ("INetCfg::Cancel -> 0x8004a021", simwin::JournalEntries().back());
    ASSERT_EQ(S_OK, netCfg->Initialize(nullptr));
    EXPECT_EQ(S_OK, netCfg->Cancel());
    EXPECT_EQ("INetCfg::Cancel -> 0x00000000", simwin::JournalEntries().back());
    EXPECT_EQ(NETCFG_E_ALREADY_INITIALIZED, netCfg->Initialize(nullptr));
    ComPtr<INetCfgLock> lock;
    ASSERT_EQ(S_OK, netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid()));
    TaskText holder;
    EXPECT_EQ(NETCFG_E_ALREADY_INITIALIZED, lock->AcquireWriteLock(0, L"late", holder.Put()));
    EXPECT_TRUE(holder.null());
    EXPECT_EQ(S_OK, netCfg->Uninitialize());
}

}  // namespace
}  // namespace netcfgtest
