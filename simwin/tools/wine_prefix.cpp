#include "tools/wine_prefix.h"

#include "base/unique_handle.h"

#include <windows.h>

#include <string>

namespace simwin {

namespace {

constexpr wchar_t kNetCfgServerKey[] =
    L"Software\\Classes\\CLSID\\{5B035261-40F9-11D1-AAEC-00805FC1270E}\\InprocServer32";
constexpr wchar_t kThreadingModel[] = L"Both";
constexpr wchar_t kNpfServiceName[] = L"npf";
constexpr wchar_t kNpfDisplayName[] = L"npf (stand-in service of the DriverInstaller Wine tests)";
constexpr wchar_t kRefusal[] =
    L"not running under Wine: these registrations change only a Wine prefix, never a Windows "
    L"machine";

// Open registry keys and service control manager or service handles, closed when they go.
using RegistryKey = UniqueHandle<HKEY, RegCloseKey>;
using ServiceHandle = UniqueHandle<SC_HANDLE, CloseServiceHandle>;

bool Fail(std::wstring* error, const std::wstring& call, DWORD code) {
    *error = call + L" failed with error " + std::to_wstring(code);
    return false;
}

// Wine starts a prefix's service control manager with the first process of a fresh server; until
// it listens, OpenSCManagerW answers RPC_S_SERVER_UNAVAILABLE. Asks again for up to ten seconds.
SC_HANDLE OpenServiceManager(DWORD access) {
    constexpr int kTries = 100;
    constexpr DWORD kPauseMs = 100;
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, access);
    for (int tries = 1; !manager && GetLastError() == RPC_S_SERVER_UNAVAILABLE && tries < kTries;
         ++tries) {
        Sleep(kPauseMs);
        manager = OpenSCManagerW(nullptr, nullptr, access);
    }
    return manager;
}

// Writes a string value; a null name writes the key's default value.
bool SetStringValue(HKEY key, const wchar_t* name, const std::wstring& value, std::wstring* error) {
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    const LONG status =
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes);
    if (status != ERROR_SUCCESS) {
        const std::wstring valueName = name == nullptr ? L"(default)" : name;
        return Fail(error, L"RegSetValueExW of " + valueName, static_cast<DWORD>(status));
    }
    return true;
}

// Points an existing service at the stand-in's settings.
bool ReconfigureService(SC_HANDLE manager, const std::wstring& commandLine, std::wstring* error) {
    const ServiceHandle service(OpenServiceW(manager, kNpfServiceName, SERVICE_CHANGE_CONFIG));
    if (!service) {
        return Fail(error, L"OpenServiceW", GetLastError());
    }
    // Null strings leave the load order group, dependencies and account as they are.
    if (!ChangeServiceConfigW(service.Get(), SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START,
                              SERVICE_ERROR_NORMAL, commandLine.c_str(), nullptr, nullptr, nullptr,
                              nullptr, nullptr, kNpfDisplayName)) {
        return Fail(error, L"ChangeServiceConfigW", GetLastError());
    }
    return true;
}

}  // namespace

bool RunningUnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool RegisterNetCfgServer(const std::wstring& dllPath, std::wstring* error, WineCheck underWine) {
    if (!underWine()) {
        *error = kRefusal;
        return false;
    }
    RegistryKey key;
    // The 64-bit view, which CoCreateInstance in a 64-bit DriverInstaller.exe reads.
    const LONG status =
        RegCreateKeyExW(HKEY_LOCAL_MACHINE, kNetCfgServerKey, 0, nullptr, 0,
                        KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.Put(), nullptr);
    if (status != ERROR_SUCCESS) {
        return Fail(error, L"RegCreateKeyExW", static_cast<DWORD>(status));
    }
    return SetStringValue(key.Get(), nullptr, dllPath, error) &&
           SetStringValue(key.Get(), L"ThreadingModel", kThreadingModel, error);
}

bool RegisterNpfService(const std::wstring& servicePath, std::wstring* error, WineCheck underWine) {
    if (!underWine()) {
        *error = kRefusal;
        return false;
    }
    const ServiceHandle manager(OpenServiceManager(SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) {
        return Fail(error, L"OpenSCManagerW", GetLastError());
    }
    const std::wstring commandLine = L"\"" + servicePath + L"\"";
    const ServiceHandle created(
        CreateServiceW(manager.Get(), kNpfServiceName, kNpfDisplayName, SERVICE_QUERY_STATUS,
                       SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
                       commandLine.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    if (created) {
        return true;
    }
    const DWORD createError = GetLastError();
    if (createError != ERROR_SERVICE_EXISTS) {
        return Fail(error, L"CreateServiceW", createError);
    }
    return ReconfigureService(manager.Get(), commandLine, error);
}

}  // namespace simwin
