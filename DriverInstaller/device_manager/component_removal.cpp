// The Uninstall command: the switch, then the adapter, each removed in its own cycle.
#include "device_manager/DeviceManager.h"

#include "device_manager/components.h"
#include "device_manager/result_codes.h"
#include "log/message_format.h"
#include "netcfg/com_ptr.h"
#include "netcfg/cotaskmem_string.h"

#include <string>

HRESULT DeviceManager::UninstallDriver(LPCWSTR componentId) {
    Log(L"DeviceManager::UninstallDriver() | Enter...");
    INetCfg* pnc = nullptr;
    CoTaskMemString lockHolder;
    HRESULT hr = HrGetINetCfg(true, components::kClientDescription, &pnc, lockHolder.Put());
    if (hr != S_OK) {
        if (hr == NETCFG_E_NO_WRITE_LOCK && lockHolder) {
            LogError(std::wstring(L"DeviceManager::UninstallDriver() ") + lockHolder.Get() +
                     L" currently holds the lock, try later.");
            LogError(FormatHr(
                L"DeviceManager::UninstallDriver() HrGetINetCfg returned hr='%ld' / hr='0x%08lx'",
                hr));
            lockHolder.Reset();
        } else {
            LogError(
                FormatHr(L"DeviceManager::UninstallDriver() Couldn't get the notify object "
                         L"interface. HrGetINetCfg returned hr='%ld' / hr='0x%08lx'",
                         hr));
        }
        Log(L"DeviceManager::UninstallDriver() | Exit...");
        return hr;
    }

    hr = RemoveComponent(pnc, componentId);
    HrReleaseINetCfg(pnc, true);
    Log(L"DeviceManager::UninstallDriver() | Exit...");
    return hr;
}

// Finds the component, reaches its class's setup interface, removes it and applies. Every
// interface obtained is released (traced) before returning; an interface that a failing call
// handed out anyway is released by its holder, untraced.
HRESULT DeviceManager::RemoveComponent(INetCfg* pnc, LPCWSTR componentId) {
    const std::wstring id = componentId;

    ComPtr<INetCfgComponent> component;
    HRESULT hr = pnc->FindComponent(componentId, component.Put());
    // S_FALSE means the component is not installed.
    if (hr != S_OK) {
        LogError(L"DeviceManager::UninstallDriver() Couldn't get an interface pointer to " + id +
                 L".");
        LogError(FormatHr(
            L"DeviceManager::UninstallDriver() FindComponent returned hr='%ld' / hr='0x%08lx'",
            hr));
        return hr;
    }
    Log(L"DeviceManager::UninstallDriver() FindComponent was successful.");

    GUID classGuid = {};
    hr = component->GetClassGuid(&classGuid);
    if (hr != S_OK) {
        LogError(L"DeviceManager::UninstallDriver() Couldn't get the class guid of " + id + L".");
        LogError(FormatHr(
            L"DeviceManager::UninstallDriver() GetClassGuid returned hr='%ld' / hr='0x%08lx'", hr));
        ReleaseRef(component.Detach());
        return hr;
    }
    Log(L"DeviceManager::UninstallDriver() ClassGuid OK..");

    ComPtr<INetCfgClass> netClass;
    hr = pnc->QueryNetCfgClass(&classGuid, IID_INetCfgClass, netClass.PutVoid());
    if (hr != S_OK) {
        LogError(L"DeviceManager::UninstallDriver() Couldn't get a pointer to class interface of " +
                 id + L".");
        LogError(
            FormatHr(L"DeviceManager::UninstallDriver() QueryNetCfgClass returned hr='%ld' "
                     L"/ hr='0x%08lx'",
                     hr));
        ReleaseRef(component.Detach());
        return hr;
    }
    Log(L"DeviceManager::UninstallDriver() QueryNetCfgClass OK..");

    ComPtr<INetCfgClassSetup> classSetup;
    hr = netClass->QueryInterface(IID_INetCfgClassSetup, classSetup.PutVoid());
    if (hr != S_OK) {
        LogError(
            FormatHr(L"DeviceManager::UninstallDriver() Couldn't get an interface to setup "
                     L"class. QueryInterface returned hr='%ld' / hr='0x%08lx'",
                     hr));
        ReleaseRef(netClass.Detach());
        ReleaseRef(component.Detach());
        return hr;
    }
    Log(L"DeviceManager::UninstallDriver() QueryInterface OK..");

    OBO_TOKEN onBehalfOf = {};
    onBehalfOf.Type = OBO_USER;
    hr = classSetup->DeInstall(component.Get(), &onBehalfOf, nullptr);
    if (hr != S_OK && hr != NETCFG_S_REBOOT) {
        LogError(L"DeviceManager::UninstallDriver() Failed to uninstall " + id + L".");
        LogError(FormatHr(kHrLineFormat, hr));
    } else {
        Log(L"DeviceManager::UninstallDriver() Uninstall OK...");
        // Apply's result replaces DeInstall's: a reboot request from the removal alone is not
        // carried further.
        hr = pnc->Apply();
        if (hr != S_OK && hr != NETCFG_S_REBOOT) {
            LogError(
                L"DeviceManager::UninstallDriver() Couldn't apply the changes after "
                L"uninstalling " +
                id + L".");
        }
    }
    ReleaseRef(classSetup.Detach());
    ReleaseRef(netClass.Detach());
    ReleaseRef(component.Detach());
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
    const bool adapterFailed = UninstallDriver(components::kAdapterComponentId) != S_OK;
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
