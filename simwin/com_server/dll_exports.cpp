// The entry points of the engine's COM server DLL, which a Wine prefix registers as the
// in-process server of CLSID_CNetCfg (netcfg-sim init). Test-only: never shipped.
#include "com_server/net_cfg_factory.h"

#include <netcfgx.h>

namespace {

// Keeps the DLL loaded until the process ends. COM frees an apartment's DLLs when the apartment
// ends, and the installer ends its apartment after every configuration cycle; the engine's state
// (fault rule counts, the journal, the ledger) must live as long as the process, as it does when
// the engine is linked into the process.
void PinThisDll() {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&PinThisDll), &self);
}

}  // namespace

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (rclsid != CLSID_CNetCfg) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    PinThisDll();
    IClassFactory* factory = simwin::NewNetCfgFactory();
    const HRESULT hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

STDAPI DllCanUnloadNow() {
    return simwin::NetCfgServerInUse() ? S_FALSE : S_OK;
}
