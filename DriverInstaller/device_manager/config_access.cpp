// Opening and closing a configuration cycle.
#include "device_manager/DeviceManager.h"

#include "device_manager/components.h"

HRESULT DeviceManager::HrGetINetCfg(bool wantWriteLock, LPCWSTR clientDescription,
                                    INetCfg** netCfgOut, LPWSTR* lockHolder) {
    Log(L"DeviceManager::HrGetINetCfg() | Enter...");
    *netCfgOut = nullptr;
    *lockHolder = nullptr;
    const HRESULT hr = HrOpenINetCfg(wantWriteLock, clientDescription, netCfgOut, lockHolder);
    Log(L"DeviceManager::HrGetINetCfg() | Exit...");
    return hr;
}

// HrGetINetCfg between its Enter and Exit lines. On any result but S_OK, every interface it
// obtained is released and COM is as before the call.
HRESULT DeviceManager::HrOpenINetCfg(bool wantWriteLock, LPCWSTR clientDescription,
                                     INetCfg** netCfgOut, LPWSTR* lockHolder) {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (hr != S_OK) {
        LogError(L"", hr);
        // S_FALSE (COM already initialised here) still added a level: take it back, so that a
        // failed cycle does not make every later one on this thread fail too.
        if (SUCCEEDED(hr)) {
            CoUninitialize();
        }
        return hr;
    }

    ComPtr<INetCfg> netCfg;
    hr = CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                          netCfg.PutVoid());
    if (hr != S_OK) {
        // Only S_OK counts; an object handed out with any other result is not used, and is
        // released before COM is uninitialised.
        netCfg.Reset();
        CoUninitialize();
        LogError(L"", hr);
        return hr;
    }

    ComPtr<INetCfgLock> lock;
    hr = HrLockAndInitialize(netCfg.Get(), wantWriteLock, clientDescription, lockHolder, lock);
    if (hr == S_OK) {
        // The caller's reference; the local one is released below as on every other path.
        netCfg.CopyTo(netCfgOut);
    }
    ReleaseRef(lock);
    ReleaseRef(netCfg);
    if (hr != S_OK) {
        // Every interface obtained under this initialisation is released by now.
        CoUninitialize();
    }
    return hr;
}

// Takes the write lock when it is wanted and initialises the configuration object. lock receives
// the lock interface whenever it was obtained, for the caller to release.
HRESULT DeviceManager::HrLockAndInitialize(INetCfg* netCfg, bool wantWriteLock,
                                           LPCWSTR clientDescription, LPWSTR* lockHolder,
                                           ComPtr<INetCfgLock>& lock) {
    if (wantWriteLock) {
        HRESULT hr = netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid());
        if (hr != S_OK) {
            LogError(L"", hr);
            return hr;
        }
        Log(L"DeviceManager::HrGetINetCfg() | QueryInterface returns OK...");
        hr = lock->AcquireWriteLock(components::kWriteLockTimeoutMs, clientDescription, lockHolder);
        // S_FALSE: another client kept the lock beyond the wait.
        if (hr == S_FALSE) {
            hr = NETCFG_E_NO_WRITE_LOCK;
        }
        if (hr != S_OK) {
            return hr;
        }
    }

    const HRESULT hr = netCfg->Initialize(nullptr);
    if (hr == S_OK) {
        Log(L"DeviceManager::HrGetINetCfg() | Initialize returns OK...");
        return hr;
    }
    if (lock) {
        Log(L"DeviceManager::HrGetINetCfg() | Initialize failed, ReleaseWriteLock... ");
        LogError(L"", hr);
        lock->ReleaseWriteLock();
    }
    return hr;
}

HRESULT DeviceManager::HrReleaseINetCfg(ComPtr<INetCfg>& netCfg, bool hasWriteLock) {
    Log(L"DeviceManager::HrReleaseINetCfg() | Enter...");
    HRESULT hr = netCfg->Uninitialize();
    if (hr == S_OK && hasWriteLock) {
        hr = HrReleaseWriteLock(netCfg.Get());
    }
    ReleaseRef(netCfg);
    CoUninitialize();
    Log(L"DeviceManager::HrReleaseINetCfg() | Exit...");
    return hr;
}

// Gives the write lock back through the object's lock interface. Returns the lock interface's
// QueryInterface result when that failed, otherwise ReleaseWriteLock's.
HRESULT DeviceManager::HrReleaseWriteLock(INetCfg* netCfg) {
    ComPtr<INetCfgLock> lock;
    HRESULT hr = netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid());
    if (hr != S_OK) {
        // An interface handed out with a result other than S_OK is not used; its holder
        // releases it, untraced.
        LogError(L"", hr);
        return hr;
    }
    Log(L"DeviceManager::HrReleaseINetCfg() | Release write lock...");
    hr = lock->ReleaseWriteLock();
    ReleaseRef(lock);
    return hr;
}
