// The IUnknown half of every network configuration object: a reference count kept in the
// ledger, and QueryInterface over the interfaces the object implements, which consults the
// fault rules and is journalled like every other platform call.
#pragma once

#include "netcfg/platform_call.h"
#include "instrumentation/ledger.h"

#include <netcfgx.h>

#include <string>

namespace simwin {

// The interface id and the name of each interface the layer's objects implement.
template <typename Interface>
struct InterfaceTraits;

#define SIMWIN_INTERFACE_TRAITS(Interface)                  \
    template <>                                             \
    struct InterfaceTraits<Interface> {                     \
        static const IID& Iid() { return IID_##Interface; } \
        static constexpr const char* kName = #Interface;    \
    }

SIMWIN_INTERFACE_TRAITS(INetCfg);
SIMWIN_INTERFACE_TRAITS(INetCfgLock);
SIMWIN_INTERFACE_TRAITS(INetCfgClass);
SIMWIN_INTERFACE_TRAITS(INetCfgClassSetup);
SIMWIN_INTERFACE_TRAITS(INetCfgComponent);
SIMWIN_INTERFACE_TRAITS(INetCfgComponentBindings);
SIMWIN_INTERFACE_TRAITS(INetCfgBindingPath);
SIMWIN_INTERFACE_TRAITS(INetCfgBindingInterface);
SIMWIN_INTERFACE_TRAITS(IEnumNetCfgComponent);
SIMWIN_INTERFACE_TRAITS(IEnumNetCfgBindingPath);
SIMWIN_INTERFACE_TRAITS(IEnumNetCfgBindingInterface);

#undef SIMWIN_INTERFACE_TRAITS

// Primary names the object in the ledger and the journal ("INetCfgComponent",
// "INetCfgComponent::QueryInterface") and answers for IUnknown; Others are the further
// interfaces of the same object. The object starts with one reference and deletes itself when
// the last one is released.
template <typename Primary, typename... Others>
class ComObject : public Primary, public Others... {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        PlatformCall call(queryInterfaceCall_.c_str(), InterfaceName(riid));
        if (object == nullptr) {
            return call.Finish(E_POINTER);
        }
        *object = nullptr;
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        *object = Find(riid);
        if (*object == nullptr) {
            return call.Finish(E_NOINTERFACE);
        }
        AddRef();
        return call.Finish(S_OK);
    }

    ULONG STDMETHODCALLTYPE AddRef() override { return refs_.Add(); }

    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = refs_.Drop();
        if (left == 0) {
            delete this;
        }
        return left;
    }

protected:
    ComObject()
        : refs_(InterfaceTraits<Primary>::kName),
          queryInterfaceCall_(std::string(InterfaceTraits<Primary>::kName) + "::QueryInterface") {}
    virtual ~ComObject() = default;

private:
    void* Find(REFIID riid) {
        if (riid == IID_IUnknown || riid == InterfaceTraits<Primary>::Iid()) {
            return static_cast<Primary*>(this);
        }
        void* found = nullptr;
        ((found = found == nullptr && riid == InterfaceTraits<Others>::Iid()
                      ? static_cast<void*>(static_cast<Others*>(this))
                      : found),
         ...);
        return found;
    }

    detail::RefCount refs_;
    const std::string queryInterfaceCall_;
};

}  // namespace simwin
