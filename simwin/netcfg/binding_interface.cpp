// The one binding interface of a path: the component above it and the adapter below.
#include "netcfg/netcfg_objects.h"
#include "netcfg/platform_call.h"
#include "testing/ledger.h"

namespace simwin {

namespace {

class BindingInterface final : public INetCfgBindingInterface {
public:
    BindingInterface(std::shared_ptr<NetCfgSession> session, BindingKey key)
        : refs_("INetCfgBindingInterface"), session_(std::move(session)), key_(key) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        PlatformCall call("INetCfgBindingInterface::QueryInterface", InterfaceName(riid));
        if (object == nullptr) {
            return call.Finish(E_POINTER);
        }
        *object = nullptr;
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        if (riid != IID_IUnknown && riid != IID_INetCfgBindingInterface) {
            return call.Finish(E_NOINTERFACE);
        }
        AddRef();
        *object = static_cast<INetCfgBindingInterface*>(this);
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

    HRESULT STDMETHODCALLTYPE GetUpperComponent(INetCfgComponent** component) override {
        return GiveComponent("INetCfgBindingInterface::GetUpperComponent", key_.first, component);
    }

    HRESULT STDMETHODCALLTYPE GetLowerComponent(INetCfgComponent** component) override {
        return GiveComponent("INetCfgBindingInterface::GetLowerComponent", key_.second, component);
    }

private:
    ~BindingInterface() = default;

    HRESULT GiveComponent(const char* name, unsigned instance, INetCfgComponent** component) {
        PlatformCall call(name, BindingPathName(*session_, key_));
        if (component == nullptr) {
            return call.Finish(E_POINTER);
        }
        *component = nullptr;
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        const auto& components = session_->staged().components;
        const auto found = components.find(instance);
        if (found == components.end()) {
            return call.Finish(E_UNEXPECTED);  // removed since the path was handed out
        }
        *component = NewNetCfgComponent(session_, found->second);
        return call.Finish(S_OK);
    }

    detail::RefCount refs_;
    std::shared_ptr<NetCfgSession> session_;
    BindingKey key_;
};

}  // namespace

INetCfgBindingInterface* NewBindingInterface(std::shared_ptr<NetCfgSession> session,
                                             BindingKey key) {
    return new BindingInterface(std::move(session), key);
}

}  // namespace simwin
