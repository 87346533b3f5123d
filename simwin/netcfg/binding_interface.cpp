// The one binding interface of a path: the component above it and the adapter below.
#include "netcfg/binding_object.h"
#include "netcfg/netcfg_objects.h"
#include "netcfg/platform_call.h"

namespace simwin {

namespace {

class BindingInterface final : public BindingObject<INetCfgBindingInterface> {
public:
    using BindingObject::BindingObject;

    // The names of binding interfaces ("ndis5") come from INF sections the store does not keep.
    HRESULT STDMETHODCALLTYPE GetName(LPWSTR* interfaceName) override {
        return NotModelled("INetCfgBindingInterface::GetName", PathName(), interfaceName);
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
        PlatformCall call(name, PathName());
        if (const HRESULT hr = call.RefusalClearing(component); FAILED(hr)) {
            return call.Finish(hr);
        }
        return call.Finish(NewStagedComponent(session_, instance, component));
    }
};

}  // namespace

INetCfgBindingInterface* NewBindingInterface(std::shared_ptr<NetCfgSession> session,
                                             BindingKey key) {
    return new BindingInterface(std::move(session), key);
}

}  // namespace simwin
