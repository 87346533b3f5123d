// A binding path from a protocol or filter down to an adapter: its state and its interfaces.
#include "netcfg/binding_object.h"
#include "netcfg/netcfg_objects.h"
#include "netcfg/platform_call.h"

namespace simwin {

namespace {

class BindingPath final : public BindingObject<INetCfgBindingPath> {
public:
    using BindingObject::BindingObject;

    // S_OK when path is this same path (the same two ends), S_FALSE when it is another.
    HRESULT STDMETHODCALLTYPE IsSamePathAs(INetCfgBindingPath* path) override {
        const auto* other = dynamic_cast<const BindingPath*>(path);
        PlatformCall call("INetCfgBindingPath::IsSamePathAs",
                          PathName() + " " +
                              (other != nullptr ? BindingPathName(*session_, other->key_)
                                                : std::string("(unknown)")));
        if (const HRESULT hr =
                call.Refusal(path == nullptr ? E_POINTER : session_->CheckReadable());
            FAILED(hr)) {
            return call.Finish(hr);
        }
        return call.Finish(other != nullptr && other->key_ == key_ ? S_OK : S_FALSE);
    }

    // Every path leads from a component straight to an adapter: which paths contain others
    // is not modelled.
    HRESULT STDMETHODCALLTYPE IsSubPathOf(INetCfgBindingPath* path) override {
        (void)path;
        return NotModelled("INetCfgBindingPath::IsSubPathOf", PathName());
    }

    // S_OK when enabled, S_FALSE when disabled.
    HRESULT STDMETHODCALLTYPE IsEnabled() override {
        PlatformCall call("INetCfgBindingPath::IsEnabled", PathName());
        if (const HRESULT hr = call.Refusal(session_->CheckReadable()); FAILED(hr)) {
            return call.Finish(hr);
        }
        const std::optional<bool> enabled = StagedState();
        if (!enabled) {
            return call.Finish(E_UNEXPECTED);
        }
        return call.Finish(*enabled ? S_OK : S_FALSE);
    }

    HRESULT STDMETHODCALLTYPE Enable(BOOL enable) override {
        PlatformCall call("INetCfgBindingPath::Enable", PathName() + " " + std::to_string(enable));
        if (const HRESULT hr = call.Refusal(session_->CheckWritable()); FAILED(hr)) {
            return call.Finish(hr);
        }
        const std::optional<bool> enabled = StagedState();
        if (!enabled) {
            return call.Finish(E_UNEXPECTED);
        }
        const bool wanted = enable != FALSE;
        // Only a real change marks the configuration changed, so that Apply has nothing to
        // write after an Enable that changed nothing.
        if (*enabled != wanted) {
            session_->ChangeBinding(key_, wanted);
        }
        return call.Finish(S_OK);
    }

    // Path tokens are made of the components' bind names, which the store does not keep.
    HRESULT STDMETHODCALLTYPE GetPathToken(LPWSTR* pathToken) override {
        return NotModelled("INetCfgBindingPath::GetPathToken", PathName(), pathToken);
    }

    // The component at the top of the path owns it.
    HRESULT STDMETHODCALLTYPE GetOwner(INetCfgComponent** component) override {
        PlatformCall call("INetCfgBindingPath::GetOwner", PathName());
        if (const HRESULT hr = call.RefusalClearing(component, session_->CheckReadable());
            FAILED(hr)) {
            return call.Finish(hr);
        }
        return call.Finish(NewStagedComponent(session_, key_.first, component));
    }

    // Microsoft's page counts the path's components, its parameter's name its interfaces: not
    // modelled rather than answered one way.
    HRESULT STDMETHODCALLTYPE GetDepth(ULONG* interfaceCount) override {
        return NotModelled("INetCfgBindingPath::GetDepth", PathName(), interfaceCount);
    }

    HRESULT STDMETHODCALLTYPE
    EnumBindingInterfaces(IEnumNetCfgBindingInterface** interfaces) override {
        PlatformCall call("INetCfgBindingPath::EnumBindingInterfaces", PathName());
        if (const HRESULT hr = call.RefusalClearing(interfaces); FAILED(hr)) {
            return call.Finish(hr);
        }
        // A path from a component straight to an adapter has one interface between them.
        *interfaces = NewBindingInterfaceEnum({NewBindingInterface(session_, key_)});
        return call.Finish(S_OK);
    }

private:
    ~BindingPath() = default;

    // The path's state in the staged configuration (true: enabled); none when the configuration
    // no longer holds the path, one of its ends removed since the path was handed out.
    std::optional<bool> StagedState() const {
        const auto& bindings = session_->staged().bindings;
        const auto found = bindings.find(key_);
        if (found == bindings.end()) {
            return std::nullopt;
        }
        return found->second;
    }
};

}  // namespace

INetCfgBindingPath* NewBindingPath(std::shared_ptr<NetCfgSession> session, BindingKey key) {
    return new BindingPath(std::move(session), key);
}

}  // namespace simwin
