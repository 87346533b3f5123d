// The one binding interface of a path: the component above it and the adapter below.
#include "netcfg/netcfg_objects.h"
#include "netcfg/com_object.h"
#include "netcfg/platform_call.h"

namespace simwin {

namespace {

class BindingInterface final : public ComObject<INetCfgBindingInterface> {
public:
    BindingInterface(std::shared_ptr<NetCfgSession> session, BindingKey key)
        : session_(std::move(session)), key_(key) {}

    // The names of binding interfaces ("ndis5") come from INF sections the store does not keep.
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR* interfaceName) override {
        return NotModelled("INetCfgBindingInterface::GetName", BindingPathName(*session_, key_),
                           interfaceName);
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

    std::shared_ptr<NetCfgSession> session_;
    BindingKey key_;
};

}  // namespace

INetCfgBindingInterface* NewBindingInterface(std::shared_ptr<NetCfgSession> session,
                                             BindingKey key) {
    return new BindingInterface(std::move(session), key);
}

}  // namespace simwin
