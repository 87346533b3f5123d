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
