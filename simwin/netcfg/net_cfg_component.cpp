// A network component as the configuration hands it out: its id, display name and class, and
// the binding paths that lead down from it or up to it.
#include "netcfg/com_object.h"
#include "netcfg/netcfg_objects.h"
#include "netcfg/platform_call.h"
#include "netcfg/staged_config.h"
#include "instrumentation/journal.h"

#include "base/utf8.h"

namespace simwin {

namespace {

class NetCfgComponent final : public ComObject<INetCfgComponent, INetCfgComponentBindings> {
public:
    NetCfgComponent(std::shared_ptr<NetCfgSession> session, const ComponentRecord& record)
        : session_(std::move(session)), record_(record) {}

    unsigned instance() const { return record_.instance; }

    // ---- INetCfgComponent

    HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* displayName) override {
        return GiveText("INetCfgComponent::GetDisplayName", record_.displayName, displayName);
    }

    // Renaming a component is not modelled, nor anything the store keeps no record of: help
    // text, characteristics, instance GUID, device node, bind name, device status, parameters
    // and property pages.
    HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR displayName) override {
        (void)displayName;
        return NotModelled("INetCfgComponent::SetDisplayName", ToUtf8(record_.id));
    }

    HRESULT STDMETHODCALLTYPE GetHelpText(LPWSTR* helpText) override {
        return NotModelled("INetCfgComponent::GetHelpText", ToUtf8(record_.id), helpText);
    }

    HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) override {
        return GiveText("INetCfgComponent::GetId", record_.id, id);
    }

    HRESULT STDMETHODCALLTYPE GetCharacteristics(LPDWORD characteristics) override {
        return NotModelled("INetCfgComponent::GetCharacteristics", ToUtf8(record_.id),
                           characteristics);
    }

    HRESULT STDMETHODCALLTYPE GetInstanceGuid(GUID* instanceGuid) override {
        return NotModelled("INetCfgComponent::GetInstanceGuid", ToUtf8(record_.id), instanceGuid);
    }

    HRESULT STDMETHODCALLTYPE GetPnpDevNodeId(LPWSTR* devNodeId) override {
        return NotModelled("INetCfgComponent::GetPnpDevNodeId", ToUtf8(record_.id), devNodeId);
    }

    HRESULT STDMETHODCALLTYPE GetClassGuid(GUID* classGuid) override {
        PlatformCall call("INetCfgComponent::GetClassGuid", ToUtf8(record_.id));
        if (const HRESULT hr = call.RefusalClearing(classGuid); FAILED(hr)) {
            return call.Finish(hr);
        }
        *classGuid = ClassGuid(record_.componentClass);
        return call.Finish(S_OK);
    }

    HRESULT STDMETHODCALLTYPE GetBindName(LPWSTR* bindName) override {
        return NotModelled("INetCfgComponent::GetBindName", ToUtf8(record_.id), bindName);
    }

    HRESULT STDMETHODCALLTYPE GetDeviceStatus(ULONG* status) override {
        return NotModelled("INetCfgComponent::GetDeviceStatus", ToUtf8(record_.id), status);
    }

    HRESULT STDMETHODCALLTYPE OpenParamKey(HKEY* key) override {
        return NotModelled("INetCfgComponent::OpenParamKey", ToUtf8(record_.id), key);
    }

    HRESULT STDMETHODCALLTYPE RaisePropertyUi(HWND parent, DWORD flags,
                                              IUnknown* context) override {
        (void)parent;
        (void)context;
        return NotModelled("INetCfgComponent::RaisePropertyUi",
                           ToUtf8(record_.id) + " " + std::to_string(flags));
    }

    // ---- INetCfgComponentBindings

    // Only single paths are modelled (EnumBindingPaths): what two whole components share, the
    // binding interface names an INF declares and the order of paths are not.
    HRESULT STDMETHODCALLTYPE BindTo(INetCfgComponent* component) override {
        return NotModelled("INetCfgComponentBindings::BindTo", PairName(component));
    }

    HRESULT STDMETHODCALLTYPE UnbindFrom(INetCfgComponent* component) override {
        return NotModelled("INetCfgComponentBindings::UnbindFrom", PairName(component));
    }

    HRESULT STDMETHODCALLTYPE SupportsBindingInterface(DWORD flags,
                                                       LPCWSTR interfaceName) override {
        return NotModelled("INetCfgComponentBindings::SupportsBindingInterface",
                           ToUtf8(record_.id) + " " + std::to_string(flags) + " \"" +
                               detail::JournalText(interfaceName) + "\"");
    }

    HRESULT STDMETHODCALLTYPE IsBoundTo(INetCfgComponent* component) override {
        return NotModelled("INetCfgComponentBindings::IsBoundTo", PairName(component));
    }

    HRESULT STDMETHODCALLTYPE IsBindableTo(INetCfgComponent* component) override {
        return NotModelled("INetCfgComponentBindings::IsBindableTo", PairName(component));
    }

    // EBP_BELOW: the paths that start at this component (its own, as their upper end);
    // EBP_ABOVE: every path that contains it, at its start or further down.
    HRESULT STDMETHODCALLTYPE EnumBindingPaths(DWORD flags,
                                               IEnumNetCfgBindingPath** paths) override {
        PlatformCall call("INetCfgComponentBindings::EnumBindingPaths",
                          ToUtf8(record_.id) + " " + std::to_string(flags));
        // The enumerator is an optional out-parameter: without it the call only checks.
        ClearIfGiven(paths);
        if (const HRESULT hr =
                call.Refusal(flags != EBP_ABOVE && flags != EBP_BELOW ? E_INVALIDARG
                                                                      : session_->CheckReadable());
            FAILED(hr)) {
            return call.Finish(hr);
        }
        if (paths == nullptr) {
            return call.Finish(S_OK);
        }
        std::vector<INetCfgBindingPath*> found;
        for (const auto& [key, enabled] : session_->staged().bindings) {
            const bool starts = key.first == record_.instance;
            if (starts || (flags == EBP_ABOVE && key.second == record_.instance)) {
                found.push_back(NewBindingPath(session_, key));
            }
        }
        *paths = NewBindingPathEnum(std::move(found));
        return call.Finish(S_OK);
    }

    HRESULT STDMETHODCALLTYPE MoveBefore(INetCfgBindingPath* path,
                                         INetCfgBindingPath* destination) override {
        (void)path;
        (void)destination;
        return NotModelled("INetCfgComponentBindings::MoveBefore", ToUtf8(record_.id));
    }

    HRESULT STDMETHODCALLTYPE MoveAfter(INetCfgBindingPath* path,
                                        INetCfgBindingPath* destination) override {
        (void)path;
        (void)destination;
        return NotModelled("INetCfgComponentBindings::MoveAfter", ToUtf8(record_.id));
    }

private:
    ~NetCfgComponent() = default;

    // "this->other" for the journal: this component's id and the other's, when it is one of ours
    // that the configuration still holds.
    std::string PairName(INetCfgComponent* other) const {
        const auto instance =
            other != nullptr ? ComponentInstance(other) : std::optional<unsigned>();
        const auto& components = session_->staged().components;
        const auto found = instance ? components.find(*instance) : components.end();
        return ToUtf8(record_.id) + "->" +
               (found != components.end() ? ToUtf8(found->second.id) : "(unknown)");
    }

    HRESULT GiveText(const char* name, const std::wstring& text, LPWSTR* out) {
        PlatformCall call(name, ToUtf8(record_.id));
        if (const HRESULT hr = call.RefusalClearing(out); FAILED(hr)) {
            return call.Finish(hr);
        }
        *out = CoTaskMemText(text);
        return call.Finish(*out != nullptr ? S_OK : E_OUTOFMEMORY);
    }

    std::shared_ptr<NetCfgSession> session_;
    ComponentRecord record_;
};

}  // namespace

INetCfgComponent* NewNetCfgComponent(std::shared_ptr<NetCfgSession> session,
                                     const ComponentRecord& record) {
    return new NetCfgComponent(std::move(session), record);
}

HRESULT FindStagedComponent(const char* callName, const std::shared_ptr<NetCfgSession>& session,
                            LPCWSTR infId, std::optional<ComponentClass> componentClass,
                            INetCfgComponent** component) {
    PlatformCall call(callName, detail::JournalText(infId));
    // The component is an optional out-parameter: without it the answer only says whether the
    // component is there.
    ClearIfGiven(component);
    if (infId == nullptr) {
        return call.Finish(E_POINTER);
    }
    if (const HRESULT hr = call.Refusal(session->CheckReadable()); FAILED(hr)) {
        return call.Finish(hr);
    }
    const ComponentRecord* found = FindComponentById(session->staged(), infId, componentClass);
    if (found == nullptr) {
        return call.Finish(S_FALSE);
    }
    if (component != nullptr) {
        *component = NewNetCfgComponent(session, *found);
    }
    return call.Finish(S_OK);
}

HRESULT NewStagedComponent(const std::shared_ptr<NetCfgSession>& session, unsigned instance,
                           INetCfgComponent** component) {
    const auto& components = session->staged().components;
    const auto found = components.find(instance);
    if (found == components.end()) {
        return E_UNEXPECTED;
    }
    *component = NewNetCfgComponent(session, found->second);
    return S_OK;
}

std::optional<unsigned> ComponentInstance(INetCfgComponent* component) {
    const auto* ours = dynamic_cast<const NetCfgComponent*>(component);
    if (ours == nullptr) {
        return std::nullopt;
    }
    return ours->instance();
}

}  // namespace simwin
