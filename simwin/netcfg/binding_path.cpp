// A binding path from a protocol or filter down to an adapter: its state and its interfaces.
#include "netcfg/com_object.h"
#include "netcfg/netcfg_objects.h"
#include "netcfg/platform_call.h"

namespace simwin {

namespace {

class BindingPath final : public ComObject<INetCfgBindingPath> {
public:
    BindingPath(std::shared_ptr<NetCfgSession> session, BindingKey key)
        : session_(std::move(session)), key_(key) {}

    // S_OK when path is this same path (the same two ends), S_FALSE when it is another.
    HRESULT STDMETHODCALLTYPE IsSamePathAs(INetCfgBindingPath* path) override {
        const auto* other = dynamic_cast<const BindingPath*>(path);
        PlatformCall call("INetCfgBindingPath::IsSamePathAs",
                          BindingPathName(*session_, key_) + " " +
                              (other != nullptr ? BindingPathName(*session_, other->key_)
                                                : std::string("(unknown)")));
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        if (path == nullptr) {
            return call.Finish(E_POINTER);
        }
        if (const HRESULT hr = session_->CheckReadable(); FAILED(hr)) {
            return call.Finish(hr);
        }
        return call.Finish(other != nullptr && other->key_ == key_ ? S_OK : S_FALSE);
    }

    // Every path leads from a component straight to an adapter: which paths contain others
    // is not modelled.
    HRESULT STDMETHODCALLTYPE IsSubPathOf(INetCfgBindingPath* path) override {
        (void)path;
        return NotModelled("INetCfgBindingPath::IsSubPathOf", BindingPathName(*session_, key_));
    }

    // S_OK when enabled, S_FALSE when disabled.
    HRESULT STDMETHODCALLTYPE IsEnabled() override {
        PlatformCall call("INetCfgBindingPath::IsEnabled", BindingPathName(*session_, key_));
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        if (const HRESULT hr = session_->CheckReadable(); FAILED(hr)) {
            return call.Finish(hr);
        }
        const auto& bindings = session_->staged().bindings;
        const auto found = bindings.find(key_);
        if (found == bindings.end()) {
            return call.Finish(E_UNEXPECTED);
        }
        return call.Finish(found->second ? S_OK : S_FALSE);
    }

    HRESULT STDMETHODCALLTYPE Enable(BOOL enable) override {
        PlatformCall call("INetCfgBindingPath::Enable",
                          BindingPathName(*session_, key_) + " " + std::to_string(enable));
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        if (const HRESULT hr = session_->CheckWritable(); FAILED(hr)) {
            return call.Finish(hr);
        }
        const auto& bindings = session_->staged().bindings;
        const auto found = bindings.find(key_);
        if (found == bindings.end()) {
            return call.Finish(E_UNEXPECTED);
        }
        const bool wanted = enable != FALSE;
        // Only a real change marks the configuration changed, so that Apply has nothing to
        // write after an Enable that changed nothing.
        if (found->second != wanted) {
            session_->ChangeBinding(key_, wanted);
        }
        return call.Finish(S_OK);
    }

    // Path tokens are made of the components' bind names, which the store does not keep.
    HRESULT STDMETHODCALLTYPE GetPathToken(LPWSTR* pathToken) override {
        return NotModelled("INetCfgBindingPath::GetPathToken", BindingPathName(*session_, key_),
                           pathToken);
    }

    // The component at the top of the path owns it.
    HRESULT STDMETHODCALLTYPE GetOwner(INetCfgComponent** component) override {
        PlatformCall call("INetCfgBindingPath::GetOwner", BindingPathName(*session_, key_));
        if (component == nullptr) {
            return call.Finish(E_POINTER);
        }
        *component = nullptr;
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        if (const HRESULT hr = session_->CheckReadable(); FAILED(hr)) {
            return call.Finish(hr);
        }
        const auto& components = session_->staged().components;
        const auto owner = components.find(key_.first);
        if (owner == components.end()) {
            return call.Finish(E_UNEXPECTED);  // removed since the path was handed out
        }
        *component = NewNetCfgComponent(session_, owner->second);
        return call.Finish(S_OK);
    }

    // Microsoft's page counts the path's components, its parameter's name its interfaces: not
    // modelled rather than answered one way.
    HRESULT STDMETHODCALLTYPE GetDepth(ULONG* interfaceCount) override {
        return NotModelled("INetCfgBindingPath::GetDepth", BindingPathName(*session_, key_),
                           interfaceCount);
    }

    HRESULT STDMETHODCALLTYPE
    EnumBindingInterfaces(IEnumNetCfgBindingInterface** interfaces) override {
        PlatformCall call("INetCfgBindingPath::EnumBindingInterfaces",
                          BindingPathName(*session_, key_));
        if (interfaces == nullptr) {
            return call.Finish(E_POINTER);
        }
        *interfaces = nullptr;
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        // A path from a component straight to an adapter has one interface between them.
        *interfaces = NewBindingInterfaceEnum({NewBindingInterface(session_, key_)});
        return call.Finish(S_OK);
    }

private:
    ~BindingPath() = default;

    std::shared_ptr<NetCfgSession> session_;
    BindingKey key_;
};

}  // namespace

INetCfgBindingPath* NewBindingPath(std::shared_ptr<NetCfgSession> session, BindingKey key) {
    return new BindingPath(std::move(session), key);
}

}  // namespace simwin
