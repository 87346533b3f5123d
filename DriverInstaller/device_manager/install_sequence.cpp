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
    const struct {
        LPCWSTR installingLine;
        LPCWSTR failedLine;  // followed by the result
        LPCWSTR succeededLine;
        LPCWSTR infPath;
        const GUID& classGuid;
        LPCWSTR componentId;
        int failureCode;
    } steps[] = {
        {L"DeviceManager::Installer() Installing Virtual Ethernet Adapter...",
         L"DeviceManager::Installer() Installing Virtual Ethernet adapter failed. "
         L"'InstallDriver()' returned",
         L"DeviceManager::Installer() Installing Virtual Ethernet Adapter succeeded.",
         adapterInfPath, GUID_DEVCLASS_NET, components::kAdapterComponentId,
         result_codes::kAdapterInstallFailed},
        {L"DeviceManager::Installer() Installing Virtual Switch...",
         L"DeviceManager::Installer() Installing Virtual Switch failed. 'InstallDriver()' returned",
         L"DeviceManager::Installer() Installing Virtual Switch succeeded.", switchInfPath,
         GUID_DEVCLASS_NETSERVICE, components::kSwitchComponentId,
         result_codes::kSwitchInstallFailed},
    };
    for (const auto& step : steps) {
        Log(step.installingLine);
        const HRESULT hr = InstallDriver(step.infPath, step.classGuid, step.componentId);
        if (hr != S_OK) {
            LogError(step.failedLine, hr);
            return step.failureCode;
        }
        Log(step.succeededLine);
    }
    return result_codes::kSuccess;
}
