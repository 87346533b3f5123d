#include "com_server/net_cfg_factory.h"

#include "base/machine_root.h"
#include "instrumentation/fault_rules.h"
#include "netcfg/netcfg_objects.h"

#include <simwin/testing.h>

#include <atomic>

namespace simwin {

namespace {

std::atomic<long> serverLocks{0};

class NetCfgFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (riid != IID_IUnknown && riid != IID_IClassFactory) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        // The system's CoCreateInstance hands this call's result back as its own, so a rule for
        // CoCreateInstance is answered here, counted once a creation as on Linux.
        if (auto fault = detail::TakeFault("CoCreateInstance")) {
            fault->ApplyLastError();
            if (FAILED(fault->hr())) {
                return fault->hr();
            }
        }
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        return NewNetCfg(MachineRoot(), riid, object);
    }

    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        serverLocks += lock ? 1 : -1;
        return S_OK;
    }

private:
    std::atomic<ULONG> references_{1};
};

}  // namespace

IClassFactory* NewNetCfgFactory() {
    return new NetCfgFactory();
}

bool NetCfgServerInUse() {
    return serverLocks > 0 || CurrentLedger().objects > 0;
}

}  // namespace simwin
