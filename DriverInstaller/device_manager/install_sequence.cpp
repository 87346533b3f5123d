// The Install command: both INF files from the current directory, the adapter, then the switch.
#include "device_manager/DeviceManager.h"

#include <devguid.h>
#include <shlwapi.h>

#include <cwchar>

#include "device_manager/components.h"
#include "device_manager/result_codes.h"

int DeviceManager::Installer() {
    wchar_t adapterInfPath[MAX_PATH] = {};
    wchar_t switchInfPath[MAX_PATH] = {};
    Log(L"DeviceManager::Installer() | Enter...");

    // A directory that does not fit, or a file name that cannot be appended within MAX_PATH,
    // leaves that path unusable: it then counts as missing rather than naming the directory.
    bool adapterPathBuilt = false;
    bool switchPathBuilt = false;
    const DWORD directoryLength = GetCurrentDirectoryW(MAX_PATH, adapterInfPath);
    if (directoryLength != 0 && directoryLength < MAX_PATH &&
        wcscpy_s(switchInfPath, MAX_PATH, adapterInfPath) == 0) {
        adapterPathBuilt = PathAppendW(adapterInfPath, components::kAdapterInfName) != FALSE;
        switchPathBuilt = PathAppendW(switchInfPath, components::kSwitchInfName) != FALSE;
    }

    // The switch's file is looked for only when the adapter's is there.
    const bool bothFound = adapterPathBuilt && PathFileExistsW(adapterInfPath) != FALSE &&
                           switchPathBuilt && PathFileExistsW(switchInfPath) != FALSE;
    if (!bothFound) {
        LogError(
            L"DeviceManager::Installer() *.inf files for virtual ethernet adapter or virtual "
            L"switch not found");
        LogError(L"DeviceManager::Installer() | Exit...");
        return result_codes::kInfFileMissing;
    }

    Sleep(components::kInstallWaitMs);
    const int result = InstallBothComponents(adapterInfPath, switchInfPath);
    Log(L"DeviceManager::Installer() | Exit...");
    return result;
}

// The adapter, then, only when it was installed, the switch. Returns 0, 901 or 902.
int DeviceManager::InstallBothComponents(LPCWSTR adapterInfPath, LPCWSTR switchInfPath) {
    Log(L"DeviceManager::Installer() Installing Virtual Ethernet Adapter...");
    HRESULT hr = InstallDriver(adapterInfPath, GUID_DEVCLASS_NET, components::kAdapterComponentId);
    if (hr != S_OK) {
        LogError(
            L"DeviceManager::Installer() Installing Virtual Ethernet adapter failed. "
            L"'InstallDriver()' returned",
            hr);
        return result_codes::kAdapterInstallFailed;
    }
    Log(L"DeviceManager::Installer() Installing Virtual Ethernet Adapter succeeded.");

    Log(L"DeviceManager::Installer() Installing Virtual Switch...");
    hr = InstallDriver(switchInfPath, GUID_DEVCLASS_NETSERVICE, components::kSwitchComponentId);
    if (hr != S_OK) {
        LogError(
            L"DeviceManager::Installer() Installing Virtual Switch failed. 'InstallDriver()' "
            L"returned",
            hr);
        return result_codes::kSwitchInstallFailed;
    }
    Log(L"DeviceManager::Installer() Installing Virtual Switch succeeded.");
    return result_codes::kSuccess;
}
