// Installing one network component from its INF file, in one configuration cycle.
#include "device_manager/DeviceManager.h"

#include "device_manager/components.h"
#include "log/message_format.h"
#include "netcfg/com_ptr.h"
#include "netcfg/cotaskmem_string.h"

#include <setupapi.h>

#include <cstdlib>
#include <string>

HRESULT DeviceManager::InstallDriver(LPCWSTR szFileFullPath, const GUID& classGuid,
                                     LPCWSTR componentId) {
    Log(L"DeviceManager::InstallDriver() | Enter...");
    const HRESULT hr = InstallSpecifiedComponent(szFileFullPath, componentId, classGuid);
    if (hr != S_OK) {
        LogError(L"DeviceManager::InstallDriver() InstallSpecifiedComponent returned", hr);
        LogError(std::wstring(L"DeviceManager::InstallDriver() InstallSpecifiedComponent "
                              L"szFileFullPath='") +
                 (szFileFullPath != nullptr ? szFileFullPath : L"") + L"'");
    }
    Log(L"DeviceManager::InstallDriver() | Exit...");
    return hr;
}

HRESULT DeviceManager::InstallSpecifiedComponent(LPCWSTR lpszInfFullPath, LPCWSTR componentId,
                                                 const GUID& classGuid) {
    Log(L"DeviceManager::InstallSpecifiedComponent() | Enter...");
    ComPtr<INetCfg> netCfg;
    CoTaskMemString lockHolder;
    HRESULT hr = HrGetINetCfg(true, components::kClientDescription, netCfg.Put(), lockHolder.Put());
    if (hr != S_OK) {
        LogError(L"", hr);
        if (hr == NETCFG_E_NO_WRITE_LOCK && lockHolder) {
            LogError(std::wstring(L"DeviceManager::InstallSpecifiedComponent() ") +
                     EscapeControlCharacters(lockHolder.Get()) +
                     L" currently holds the lock, try later.");
            lockHolder.Reset();
        } else {
            LogError(
                L"DeviceManager::InstallSpecifiedComponent() Couldn't the get notify object "
                L"interface. HrGetINetCfg returned",
                hr);
        }
        Log(L"DeviceManager::InstallSpecifiedComponent() | Exit...");
        return hr;
    }

    hr = HrInstallNetComponent(netCfg.Get(), componentId, classGuid, lpszInfFullPath);
    if (hr == S_OK || hr == NETCFG_S_REBOOT) {
        // Applied once more: the first Apply's result, or the only one after NETCFG_S_REBOOT
        // from Install, is superseded by this one.
        hr = netCfg->Apply();
    } else if (hr != HRESULT_FROM_WIN32(ERROR_CANCELLED)) {
        // A cancelled installation is the user's choice and is not reported here.
        LogError(
            L"DeviceManager::InstallSpecifiedComponent() Couldn't install the network "
            L"component. HrInstallNetComponent returned",
            hr);
    }
    HrReleaseINetCfg(netCfg, true);
    Log(L"DeviceManager::InstallSpecifiedComponent() | Exit...");
    return hr;
}

HRESULT DeviceManager::HrInstallNetComponent(INetCfg* netCfg, LPCWSTR componentId,
                                             const GUID& classGuid, LPCWSTR lpszInfFullPath) {
    Log(L"DeviceManager::HrInstallNetComponent() | Enter...");
    if (lpszInfFullPath != nullptr) {
        CopyInfToStore(lpszInfFullPath);
    }
    HRESULT hr = HrInstallComponent(netCfg, componentId, classGuid);
    if (hr == S_OK) {
        hr = netCfg->Apply();
    } else {
        LogError(L"DeviceManager::HrInstallNetComponent() failed!", hr);
    }
    Log(L"DeviceManager::HrInstallNetComponent() | Exit...");
    return hr;
}

// Copies the INF file into the INF store, recording its folder as the place where the driver's
// files lie. A failure is logged and the installation goes on.
void DeviceManager::CopyInfToStore(LPCWSTR lpszInfFullPath) {
    wchar_t drive[_MAX_DRIVE] = {};
    wchar_t directory[_MAX_DIR] = {};
    const bool split = _wsplitpath_s(lpszInfFullPath, drive, _MAX_DRIVE, directory, _MAX_DIR,
                                     nullptr, 0, nullptr, 0) == 0;
    const std::wstring sourceLocation = std::wstring(drive) + directory;
    const bool copied =
        split && SetupCopyOEMInfW(lpszInfFullPath, sourceLocation.c_str(), SPOST_PATH, 0, nullptr,
                                  0, nullptr, nullptr) != FALSE;
    if (!copied) {
        LogError(
            FormatText(L"DeviceManager::HrInstallNetComponent() Couldn't copy the setup INF "
                       L"file. lpszInfFullPath='%ls'",
                       lpszInfFullPath));
    }
}

HRESULT DeviceManager::HrInstallComponent(INetCfg* netCfg, LPCWSTR componentId,
                                          const GUID& classGuid) {
    Log(L"DeviceManager::HrInstallComponent() | Enter...");
    OBO_TOKEN onBehalfOf = {};
    onBehalfOf.Type = OBO_USER;

    ComPtr<INetCfgClassSetup> classSetup;
    HRESULT hr = netCfg->QueryNetCfgClass(&classGuid, IID_INetCfgClassSetup, classSetup.PutVoid());
    if (hr != S_OK) {
        LogError(L"", hr);
        Log(L"DeviceManager::HrInstallComponent() | Exit...");
        return hr;
    }
    Log(L"DeviceManager::HrInstallComponent() QueryNetCfgClass returns OK...");

    // Held so that a component handed out with NETCFG_S_REBOOT or a failure is still released.
    ComPtr<INetCfgComponent> component;
    hr = classSetup->Install(componentId, &onBehalfOf, 0, 0, nullptr, nullptr, component.Put());
    if (hr == S_OK) {
        Log(L"DeviceManager::HrInstallComponent() Install returns OK...");
        ReleaseRef(component);
    } else {
        LogError(componentId);
        LogError(L"DeviceManager::HrInstallComponent() Install not successful...", hr);
    }
    ReleaseRef(classSetup);
    Log(L"DeviceManager::HrInstallComponent() | Exit...");
    return hr;
}
