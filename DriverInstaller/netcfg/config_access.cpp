// Opening and closing a configuration cycle, and the traced release of one reference.
#include "device_manager/DeviceManager.h"

#include "device_manager/components.h"
#include "log/message_format.h"

HRESULT DeviceManager::HrGetINetCfg(bool fGetWriteLock, LPCWSTR clientDescription, INetCfg** ppnc,
                                    LPWSTR* lockHolder) {
    Log(L"DeviceManager::HrGetINetCfg() | Enter...");
    *ppnc = nullptr;
    *lockHolder = nullptr;

    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (hr != S_OK) {
        LogError(FormatHr(kHrLineFormat, hr));
        // S_FALSE (COM already initialised here) still added a level: take it back, so that a
        // failed cycle does not make every later one on this thread fail too.
        if (SUCCEEDED(hr)) {
            CoUninitialize();
        }
        Log(L"DeviceManager::HrGetINetCfg() | Exit...");
        return hr;
    }

    INetCfg* pnc = nullptr;
    hr = CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                          reinterpret_cast<void**>(&pnc));
    if (hr != S_OK) {
        // Only S_OK counts; an object handed out with any other result is not used.
        if (pnc != nullptr) {
            pnc->Release();
        }
        CoUninitialize();
        LogError(FormatHr(kHrLineFormat, hr));
        Log(L"DeviceManager::HrGetINetCfg() | Exit...");
        return hr;
    }

    INetCfgLock* pncLock = nullptr;
    hr = HrLockAndInitialize(pnc, fGetWriteLock, clientDescription, lockHolder, &pncLock);
    if (hr == S_OK) {
        // The caller's reference; the local one is released below as on every other path.
        *ppnc = pnc;
        pnc->AddRef();
    }
    ReleaseRef(pncLock);
    ReleaseRef(pnc);
    if (hr != S_OK) {
        // Every interface obtained under this initialisation is released by now.
        CoUninitialize();
    }
    Log(L"DeviceManager::HrGetINetCfg() | Exit...");
    return hr;
}

// Takes the write lock when it is wanted and initialises the configuration object. *pncLock
// receives the lock interface whenever it was obtained, for the caller to release.
HRESULT DeviceManager::HrLockAndInitialize(INetCfg* pnc, bool fGetWriteLock,
                                           LPCWSTR clientDescription, LPWSTR* lockHolder,
                                           INetCfgLock** pncLock) {
    if (fGetWriteLock) {
        HRESULT hr = pnc->QueryInterface(IID_INetCfgLock, reinterpret_cast<void**>(pncLock));
        if (hr != S_OK) {
            LogError(FormatHr(kHrLineFormat, hr));
            return hr;
        }
        Log(L"DeviceManager::HrGetINetCfg() | QueryInterface returns OK...");
        hr = (*pncLock)->AcquireWriteLock(components::kWriteLockTimeoutMs, clientDescription,
                                          lockHolder);
        // S_FALSE: another client kept the lock beyond the wait.
        if (hr == S_FALSE) {
            hr = NETCFG_E_NO_WRITE_LOCK;
        }
        if (hr != S_OK) {
            return hr;
        }
    }

    const HRESULT hr = pnc->Initialize(nullptr);
    if (hr == S_OK) {
        Log(L"DeviceManager::HrGetINetCfg() | Initialize returns OK...");
        return hr;
    }
    if (*pncLock != nullptr) {
        Log(L"DeviceManager::HrGetINetCfg() | Initialize failed, ReleaseWriteLock... ");
        LogError(FormatHr(kHrLineFormat, hr));
        (*pncLock)->ReleaseWriteLock();
    }
    return hr;
}

HRESULT DeviceManager::HrReleaseINetCfg(INetCfg* pnc, bool hasWriteLock) {
    Log(L"DeviceManager::HrReleaseINetCfg() | Enter...");
    HRESULT hr = pnc->Uninitialize();
    if (hr == S_OK && hasWriteLock) {
        INetCfgLock* pncLock = nullptr;
        hr = pnc->QueryInterface(IID_INetCfgLock, reinterpret_cast<void**>(&pncLock));
        if (hr != S_OK) {
            LogError(FormatHr(kHrLineFormat, hr));
            // An interface handed out with a result other than S_OK is not used.
            if (pncLock != nullptr) {
                pncLock->Release();
            }
        } else {
            Log(L"DeviceManager::HrReleaseINetCfg() | Release write lock...");
            hr = pncLock->ReleaseWriteLock();
            ReleaseRef(pncLock);
        }
    }
    ReleaseRef(pnc);
    CoUninitialize();
    Log(L"DeviceManager::HrReleaseINetCfg() | Exit...");
    return hr;
}

void DeviceManager::ReleaseRef(IUnknown* punk) {
    Log(L"DeviceManager::ReleaseRef() | Enter...");
    if (punk != nullptr) {
        punk->Release();
        Log(L"DeviceManager::ReleaseRef() IUnknown* reference released.");
    }
    Log(L"DeviceManager::ReleaseRef() | Exit...");
}
