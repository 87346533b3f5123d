// Binding the virtual switch filter to the virtual ethernet adapter alone, and unbinding IPv6
// from that adapter.
#include "device_manager/DeviceManager.h"

#include <devguid.h>

#include "device_manager/components.h"
#include "netcfg/com_ptr.h"
#include "netcfg/cotaskmem_string.h"

#include <cwchar>
#include <string>

namespace {

// Hands each item of the enumeration, from its start, to visit, until the enumerator answers
// S_FALSE (the end) or fails; an item is released before the next is asked for.
template <typename Item, typename Enumerator, typename Visit>
void ForEachEnumerated(Enumerator* items, Visit visit) {
    items->Reset();
    ComPtr<Item> item;
    ULONG fetched = 0;
    while (items->Next(1, item.Put(), &fetched) == S_OK && item) {
        visit(item.Get());
    }
}

}  // namespace

BOOL DeviceManager::ConfigureIPv6AndVirtualSwitch() {
    Log(L"DeviceManager::ConfigureIPv6AndVirtualSwitch() | Enter...");
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (hr != S_OK) {
        LogError(L"DeviceManager::ConfigureIPv6AndVirtualSwitch() failed. CoInitializeEx returned",
                 hr);
        // S_FALSE still added a level of COM initialisation: take it back.
        if (SUCCEEDED(hr)) {
            CoUninitialize();
        }
        return FALSE;
    }
    const BOOL result = ConfigureBindings();
    // Every interface obtained under this initialisation has been released by now.
    CoUninitialize();
    Log(L"DeviceManager::ConfigureIPv6AndVirtualSwitch() | Exit...");
    return result;
}

// Creates a configuration object, asks for its write lock (and goes on without it), initialises
// it and runs the filter's and then IPv6's pass. Returns the IPv6 pass's result.
BOOL DeviceManager::ConfigureBindings() {
    ComPtr<INetCfg> netCfg;
    const HRESULT hr = CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                        netCfg.PutVoid());
    if (hr != S_OK) {
        LogError(
            L"DeviceManager::ConfigureIPv6AndVirtualSwitch() failed. CoCreateInstance() "
            L"returned",
            hr);
        return FALSE;
    }

    // Without the lock each binding change reports what the platform answers; the job goes on.
    ComPtr<INetCfgLock> lock;
    const bool lockObtained = netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid()) == S_OK;
    if (lockObtained) {
        CoTaskMemString unusedHolder;
        lock->AcquireWriteLock(components::kWriteLockTimeoutMs, components::kClientDescription,
                               unusedHolder.Put());
    }

    BOOL result = FALSE;
    if (netCfg->Initialize(nullptr) == S_OK) {
        if (ConfigureNetworkAdapters(GUID_DEVCLASS_NETSERVICE, netCfg.Get()) == FALSE) {
            LogError(
                L"DeviceManager::ConfigureIPv6AndVirtualSwitch() failed. ConfigureNetworkAdapters "
                L"for virtual switch returned false.");
        }
        result = ConfigureNetworkAdapters(GUID_DEVCLASS_NETTRANS, netCfg.Get());
        if (result == FALSE) {
            LogError(
                L"DeviceManager::ConfigureIPv6AndVirtualSwitch() failed. ConfigureNetworkAdapters "
                L"for IPv6 returned false.");
        }
    }

    netCfg->Uninitialize();
    if (lockObtained) {
        // Also when the lock was not granted: the platform answers that harmlessly.
        lock->ReleaseWriteLock();
    }
    lock.Reset();
    return result;
}

BOOL DeviceManager::ConfigureNetworkAdapters(const GUID& classGuid, INetCfg* netCfg) {
    Log(L"DeviceManager::ConfigureNetworkAdapters() | Enter...");
    const BOOL result = ConfigureClassComponents(classGuid, netCfg);
    Log(L"DeviceManager::ConfigureNetworkAdapters() | Exit...");
    return result;
}

// Enumerates the class's components and changes the bindings of the one this program manages
// in that class.
BOOL DeviceManager::ConfigureClassComponents(const GUID& classGuid, INetCfg* netCfg) {
    ComPtr<INetCfgClass> netClass;
    ComPtr<IEnumNetCfgComponent> components;
    if (FailedAndLogged(
            netCfg->QueryNetCfgClass(&classGuid, IID_INetCfgClass, netClass.PutVoid())) ||
        FailedAndLogged(netClass->EnumComponents(components.Put()))) {
        return FALSE;
    }
    BOOL result = FALSE;
    ForEachEnumerated<INetCfgComponent>(components.Get(), [&](INetCfgComponent* component) {
        CoTaskMemString id;
        // A component whose id cannot be read is not compared.
        if (component->GetId(id.Put()) == S_OK && id) {
            result = ConfigureComponent(classGuid, netCfg, component, id.Get(), result);
        }
    });
    return result;
}

// Changes the bindings of the filter (service class) or of IPv6 (transport class) when id names
// it, and returns the new result; any other component leaves result as it is.
BOOL DeviceManager::ConfigureComponent(const GUID& classGuid, INetCfg* netCfg,
                                       INetCfgComponent* component, LPCWSTR id, BOOL result) {
    if (classGuid == GUID_DEVCLASS_NETSERVICE &&
        std::wcscmp(id, components::kSwitchEnumeratedId) == 0) {
        // Off everywhere first, then on for the virtual ethernet adapter only.
        if (setBinding(netCfg, component, FALSE, components::kAllPathsPattern) == FALSE) {
            LogError(std::wstring(L"DeviceManager::ConfigureNetworkAdapters() Protocol '") + id +
                     L"', disable virtual switch protocol for all adapters failed.");
        }
        result = setBinding(netCfg, component, TRUE, components::kAdapterDisplayNamePattern);
        if (result == FALSE) {
            LogError(std::wstring(L"DeviceManager::ConfigureNetworkAdapters() Protocol '") + id +
                     L"', enable virtual switch protocol for QUORIX Virtual Ethernet Adapter "
                     L"failed.");
        }
        return result;
    }
    if (classGuid == GUID_DEVCLASS_NETTRANS && std::wcscmp(id, components::kIpv6ComponentId) == 0) {
        result = setBinding(netCfg, component, FALSE, components::kAdapterDisplayNamePattern);
        if (result == FALSE) {
            LogError(std::wstring(L"DeviceManager::ConfigureNetworkAdapters() Protocol '") + id +
                     L"', disable IPv6 for QUORIX Virtual Ethernet Adapter failed.");
        }
    }
    return result;
}

BOOL DeviceManager::setBinding(INetCfg* netCfg, INetCfgComponent* component, BOOL enable,
                               LPCWSTR pattern) {
    Log(L"DeviceManager::setBinding() | Enter...");
    if (component == nullptr || netCfg == nullptr) {
        return FALSE;
    }
    const BOOL result = WalkBindingPaths(netCfg, component, enable, pattern);
    Log(L"DeviceManager::setBinding() | Exit...");
    return result;
}

// Walks every binding path below the component; a failure on one path never stops the walk.
BOOL DeviceManager::WalkBindingPaths(INetCfg* netCfg, INetCfgComponent* component, BOOL enable,
                                     LPCWSTR pattern) {
    ComPtr<INetCfgComponentBindings> bindings;
    ComPtr<IEnumNetCfgBindingPath> paths;
    if (FailedAndLogged(
            component->QueryInterface(IID_INetCfgComponentBindings, bindings.PutVoid())) ||
        FailedAndLogged(bindings->EnumBindingPaths(EBP_BELOW, paths.Put()))) {
        return FALSE;
    }
    BOOL result = FALSE;
    ForEachEnumerated<INetCfgBindingPath>(paths.Get(), [&](INetCfgBindingPath* path) {
        if (SetPathIfMatching(netCfg, path, enable, pattern)) {
            result = TRUE;
        }
    });
    return result;
}

namespace {

// "*" alone matches every path; any other pattern must begin the display name, letter case
// significant. An empty pattern compares nothing and so matches.
bool DisplayNameMatches(LPCWSTR displayName, LPCWSTR pattern) {
    if (std::wcscmp(pattern, components::kAllPathsPattern) == 0) {
        return true;
    }
    return std::wcsncmp(displayName, pattern, std::wcslen(pattern)) == 0;
}

}  // namespace

// Looks at the path's first binding interface: when its lower component's display name matches,
// enables or disables the path and commits the change at once. Returns true when Enable
// succeeded.
bool DeviceManager::SetPathIfMatching(INetCfg* netCfg, INetCfgBindingPath* path, BOOL enable,
                                      LPCWSTR pattern) {
    ComPtr<IEnumNetCfgBindingInterface> interfaces;
    ComPtr<INetCfgBindingInterface> firstInterface;
    ComPtr<INetCfgComponent> lower;
    CoTaskMemString displayName;
    ULONG fetched = 0;
    if (FailedAndLogged(path->EnumBindingInterfaces(interfaces.Put())) ||
        FailedAndLogged(interfaces->Next(1, firstInterface.Put(), &fetched)) ||
        FailedAndLogged(firstInterface->GetLowerComponent(lower.Put())) ||
        FailedAndLogged(lower->GetDisplayName(displayName.Put()))) {
        return false;
    }
    if (!DisplayNameMatches(displayName ? displayName.Get() : L"", pattern)) {
        return false;
    }
    if (FailedAndLogged(path->Enable(enable))) {
        return false;
    }
    // Each change is committed on its own; its result is deliberately not looked at.
    netCfg->Apply();
    return true;
}
