// The Uninstall command: the switch, then every instance of the adapter, each removed in its own
// cycle.
#include "device_manager/DeviceManager.h"

#include "device_manager/components.h"
#include "device_manager/result_codes.h"
#include "log/message_format.h"
#include "netcfg/com_ptr.h"
#include "netcfg/cotaskmem_string.h"

#include <string>

namespace {

// Whether an instance of componentId may still be installed: only FindComponent's S_FALSE says
// that none is, and any other failure is left for the next cycle's own lookup to trace. An
// instance handed out is released at once, untraced: looking changes nothing, and the log shows
// the removals only.
bool InstanceMayRemain(INetCfg* netCfg, LPCWSTR componentId) {
    ComPtr<INetCfgComponent> component;
    return netCfg->FindComponent(componentId, component.Put()) != S_FALSE;
}

}  // namespace

HRESULT DeviceManager::UninstallDriver(LPCWSTR componentId) {
    return RemoveInCycle(componentId, false).result;
}

DeviceManager::RemovalOutcome DeviceManager::RemoveInCycle(LPCWSTR componentId,
                                                           bool lookForAnother) {
    Log(L"DeviceManager::UninstallDriver() | Enter...");
    ComPtr<INetCfg> netCfg;
    CoTaskMemString lockHolder;
    HRESULT hr = HrGetINetCfg(true, components::kClientDescription, netCfg.Put(), lockHolder.Put());
    if (hr != S_OK) {
        if (hr == NETCFG_E_NO_WRITE_LOCK && lockHolder) {
            LogError(std::wstring(L"DeviceManager::UninstallDriver() ") +
                     EscapeControlCharacters(lockHolder.Get()) +
                     L" currently holds the lock, try later.");
            LogError(L"DeviceManager::UninstallDriver() HrGetINetCfg returned", hr);
            lockHolder.Reset();
        } else {
            LogError(
                L"DeviceManager::UninstallDriver() Couldn't get the notify object interface. "
                L"HrGetINetCfg returned",
                hr);
        }
        Log(L"DeviceManager::UninstallDriver() | Exit...");
        return {hr, false, false};
    }

    const RemovalOutcome outcome = RemoveComponent(netCfg.Get(), componentId, lookForAnother);
    HrReleaseINetCfg(netCfg, true);
    Log(L"DeviceManager::UninstallDriver() | Exit...");
    return outcome;
}

// The removal steps below each hold what they obtained and release it (traced) in one place
// once the steps after them are done, so that every way out releases in reverse order of
// acquisition. An interface that a failing call handed out anyway is released by its holder,
// untraced.

// Finds the component, removes it and applies; then, when asked and the removal succeeded, looks
// for another instance of the id. The outcome's result is the failing step's, or Apply's.
DeviceManager::RemovalOutcome DeviceManager::RemoveComponent(INetCfg* netCfg, LPCWSTR componentId,
                                                             bool lookForAnother) {
    ComPtr<INetCfgComponent> component;
    const HRESULT hr = netCfg->FindComponent(componentId, component.Put());
    // S_FALSE means the component is not installed.
    if (hr != S_OK) {
        LogError(std::wstring(
                     L"DeviceManager::UninstallDriver() Couldn't get an interface pointer to ") +
                 componentId + L".");
        LogError(L"DeviceManager::UninstallDriver() FindComponent returned", hr);
        return {hr, hr == S_FALSE, false};
    }
    Log(L"DeviceManager::UninstallDriver() FindComponent was successful.");

    const HRESULT removal = RemoveThroughClass(netCfg, component.Get(), componentId);
    ReleaseRef(component);
    // The applied configuration no longer holds the removed instance, so FindComponent answers
    // with the next one of the id, if any.
    return {removal, false,
            lookForAnother && removal == S_OK && InstanceMayRemain(netCfg, componentId)};
}

// Reaches the component's class object, removes the component through it and applies.
HRESULT DeviceManager::RemoveThroughClass(INetCfg* netCfg, INetCfgComponent* component,
                                          LPCWSTR componentId) {
    GUID classGuid = {};
    HRESULT hr = component->GetClassGuid(&classGuid);
    if (hr != S_OK) {
        LogError(std::wstring(L"DeviceManager::UninstallDriver() Couldn't get the class guid of ") +
                 componentId + L".");
        LogError(L"DeviceManager::UninstallDriver() GetClassGuid returned", hr);
        return hr;
    }
    Log(L"DeviceManager::UninstallDriver() ClassGuid OK..");

    ComPtr<INetCfgClass> netClass;
    hr = netCfg->QueryNetCfgClass(&classGuid, IID_INetCfgClass, netClass.PutVoid());
    if (hr != S_OK) {
        LogError(std::wstring(L"DeviceManager::UninstallDriver() Couldn't get a pointer to class "
                              L"interface of ") +
                 componentId + L".");
        LogError(L"DeviceManager::UninstallDriver() QueryNetCfgClass returned", hr);
        return hr;
    }
    Log(L"DeviceManager::UninstallDriver() QueryNetCfgClass OK..");

    hr = RemoveThroughClassSetup(netCfg, netClass.Get(), component, componentId);
    ReleaseRef(netClass);
    return hr;
}

// Reaches the class's setup interface, removes the component and applies.
HRESULT DeviceManager::RemoveThroughClassSetup(INetCfg* netCfg, INetCfgClass* netClass,
                                               INetCfgComponent* component, LPCWSTR componentId) {
    ComPtr<INetCfgClassSetup> classSetup;
    HRESULT hr = netClass->QueryInterface(IID_INetCfgClassSetup, classSetup.PutVoid());
    if (hr != S_OK) {
        LogError(
            L"DeviceManager::UninstallDriver() Couldn't get an interface to setup class. "
            L"QueryInterface returned",
            hr);
        return hr;
    }
    Log(L"DeviceManager::UninstallDriver() QueryInterface OK..");

    OBO_TOKEN onBehalfOf = {};
    onBehalfOf.Type = OBO_USER;
    hr = classSetup->DeInstall(component, &onBehalfOf, nullptr);
    if (hr != S_OK && hr != NETCFG_S_REBOOT) {
        LogError(std::wstring(L"DeviceManager::UninstallDriver() Failed to uninstall ") +
                 componentId + L".");
        LogError(L"", hr);
    } else {
        Log(L"DeviceManager::UninstallDriver() Uninstall OK...");
        // Apply's result replaces DeInstall's: a reboot request from the removal alone is not
        // carried further.
        hr = netCfg->Apply();
        if (hr != S_OK && hr != NETCFG_S_REBOOT) {
            LogError(std::wstring(L"DeviceManager::UninstallDriver() Couldn't apply the changes "
                                  L"after uninstalling ") +
                     componentId + L".");
        }
    }
    ReleaseRef(classSetup);
    return hr;
}

int DeviceManager::Uninstaller() {
    Log(L"DeviceManager::Uninstaller() | Enter...");

    // The adapter's removal is attempted whatever became of the switch's.
    const bool switchFailed = UninstallDriver(components::kSwitchComponentId) != S_OK;
    if (switchFailed) {
        LogError(L"DeviceManager::Uninstaller() Virtual Switch uninstall failed.");
    } else {
        Log(L"DeviceManager::Uninstaller() Virtual Switch uninstall succeeded.");
    }
    const bool adapterFailed = !RemoveEveryAdapterInstance();
    if (adapterFailed) {
        LogError(L"DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed.");
    } else {
        Log(L"DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall succeeded.");
    }

    if (switchFailed || adapterFailed) {
        LogError(
            L"DeviceManager::Uninstaller() Uninstall of virtual switch and/or virtual ethernet "
            L"adapter failed.");
    } else {
        Log(L"DeviceManager::Uninstaller() Uninstall of virtual switch and virtual ethernet "
            L"adapter succeeded.");
    }
    Log(L"DeviceManager::Uninstaller() | Exit...");

    if (adapterFailed) {
        return result_codes::kAdapterRemovalFailed;
    }
    return switchFailed ? result_codes::kSwitchRemovalFailed : result_codes::kSuccess;
}

// Every Install of the adapter adds an instance of it (the platform treats each as a device of its
// own), so a repaired or upgraded product has several. Each is removed in a cycle of its own, the
// next one starting only when the last removed its instance and another may remain.
bool DeviceManager::RemoveEveryAdapterInstance() {
    for (int cycle = 1; cycle <= components::kMaxAdapterRemovalCycles; ++cycle) {
        const RemovalOutcome removal = RemoveInCycle(components::kAdapterComponentId, true);
        // An instance found by the cycle before and gone by this one's lookup was removed by
        // another client: none is left. In the first cycle it means the adapter is not installed.
        if (cycle > 1 && removal.notFound) {
            return true;
        }
        if (removal.result != S_OK) {
            return false;
        }
        if (!removal.anotherInstance) {
            return true;
        }
    }
    // The bound is reached with an instance still installed: the adapter is not removed.
    return false;
}
