// Asking for the packet-capture service to be started, without waiting for it.
#include "device_manager/DeviceManager.h"

#include <shellapi.h>

#include "log/message_format.h"

#include <string>

namespace {

// The full path of the system's net.exe, so that no net.exe in the setup folder (the program's
// own folder and the current one, both searched before the system folder for a bare name) is
// ever started. Empty, with the last error set, when the system folder cannot be read.
std::wstring SystemNetExePath() {
    wchar_t systemFolder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(systemFolder, MAX_PATH);
    if (length == 0) {
        return std::wstring();
    }
    if (length >= MAX_PATH) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return std::wstring();
    }
    return std::wstring(systemFolder, length) + L"\\net.exe";
}

}  // namespace

BOOL DeviceManager::StartNPFService() {
    Log(L"DeviceManager::StartNPFService() | Enter...");
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);

    // Cleared first so that the error read below is the launch's own, not one left behind by
    // an earlier call; read at once, before a log line can change it. Without the system folder
    // there is no launch, and its error is the one reported.
    SetLastError(ERROR_SUCCESS);
    const std::wstring netExe = SystemNetExePath();
    const HINSTANCE launch = netExe.empty() ? nullptr
                                            : ShellExecuteW(nullptr, L"open", netExe.c_str(),
                                                            L"start npf", L"C:\\", SW_HIDE);
    const DWORD lastError = GetLastError();

    if (FAILED(hr)) {
        LogError(L"", hr);
    }
    // Values up to 32 are the shell's error codes, not a launch.
    const INT_PTR launchValue = reinterpret_cast<INT_PTR>(launch);
    BOOL result = FALSE;
    if (launchValue > 32) {
        Log(L"DeviceManager::StartNPFService() was successful.");
        result = TRUE;
    } else {
        const DWORD errorMessageId = lastError != 0 ? lastError : static_cast<DWORD>(launchValue);
        LogError(
            FormatText(L"DeviceManager::StartNPFService() failed. ShellExecute() returned "
                       L"errorMessageID=%lu",
                       static_cast<unsigned long>(errorMessageId)));
    }
    // Only an initialisation that counted (S_OK, or S_FALSE when COM was already initialised
    // here) is taken back; a failed one added no level.
    if (SUCCEEDED(hr)) {
        CoUninitialize();
    }
    Log(L"DeviceManager::StartNPFService() | Exit...");
    return result;
}
