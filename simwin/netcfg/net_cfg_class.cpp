// A device class of network components: finding and enumerating its components, and
// installing and removing them from the INF store.
#include "netcfg/com_object.h"
#include "netcfg/netcfg_objects.h"
#include "netcfg/obo_token.h"
#include "netcfg/platform_call.h"
#include "netcfg/staged_config.h"
#include "machine/inf_lookup.h"
#include "machine/inf_ndi_interfaces.h"
#include "instrumentation/journal.h"

#include "base/utf8.h"

#include <setupapi.h>

#include <cwctype>
#include <set>

namespace simwin {

namespace {

// NCF_LW_FILTER in an install section's Characteristics: a lightweight filter.
constexpr unsigned long kLightweightFilter = 0x40000;

// The binding interfaces of the component an INF installs: those its Ndi\Interfaces registry
// lines declare; for an INF that declares none, those a component of its class was taken to
// have before they were read (a service counting as a filter when its Characteristics hold
// NCF_LW_FILTER).
BindingInterfaces InterfacesOf(ComponentClass componentClass, const InfDriver& driver) {
    const std::wstring& section = driver.model.installSection;
    if (auto declared = ReadNdiInterfaces(driver.inf, section)) {
        return *declared;
    }
    const auto characteristics = driver.inf.Value(section, L"Characteristics");
    const unsigned long value =
        characteristics ? std::wcstoul(characteristics->c_str(), nullptr, 0) : 0;
    return ImpliedInterfaces(componentClass, (value & kLightweightFilter) != 0);
}

// Display names are kept on one store line: control characters become blanks.
std::wstring OneLine(std::wstring text) {
    for (wchar_t& ch : text) {
        if (std::iswcntrl(static_cast<wint_t>(ch))) {
            ch = L' ';
        }
    }
    return text;
}

// The display name of another instance of an adapter: the INF's name, then " #2", " #3"... -
// the lowest that no instance of the id carries.
std::wstring InstanceDisplayName(const NetCfgStore& store, const std::wstring& id,
                                 const std::wstring& base) {
    std::set<std::wstring> taken;
    for (const auto& [instance, record] : store.components) {
        if (record.id == id) {
            taken.insert(record.displayName);
        }
    }
    if (taken.count(base) == 0) {
        return base;
    }
    for (unsigned number = 2;; ++number) {
        std::wstring candidate = base + L" #" + std::to_wstring(number);
        if (taken.count(candidate) == 0) {
            return candidate;
        }
    }
}

class NetCfgClass final : public ComObject<INetCfgClass, INetCfgClassSetup> {
public:
    NetCfgClass(std::shared_ptr<NetCfgSession> session, ComponentClass componentClass)
        : session_(std::move(session)), class_(componentClass) {}

    HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR infId, INetCfgComponent** component) override {
        return FindStagedComponent("INetCfgClass::FindComponent", session_, infId, class_,
                                   component);
    }

    HRESULT STDMETHODCALLTYPE EnumComponents(IEnumNetCfgComponent** components) override {
        PlatformCall call("INetCfgClass::EnumComponents", ClassName(class_));
        // The enumerator is an optional out-parameter: without it the call only checks.
        ClearIfGiven(components);
        if (const HRESULT hr = call.Refusal(session_->CheckReadable()); FAILED(hr)) {
            return call.Finish(hr);
        }
        if (components != nullptr) {
            *components = EnumerateComponents(session_, class_);
        }
        return call.Finish(S_OK);
    }

    // Asks the user to pick a component in a dialog: a machine without a user does not model it.
    HRESULT STDMETHODCALLTYPE SelectAndInstall(HWND parent, OBO_TOKEN* oboToken,
                                               INetCfgComponent** component) override {
        (void)parent;
        (void)oboToken;
        return NotModelled("INetCfgClassSetup::SelectAndInstall", ClassName(class_), component);
    }

    HRESULT STDMETHODCALLTYPE Install(LPCWSTR infId, OBO_TOKEN* oboToken, DWORD setupFlags,
                                      DWORD upgradeFromBuildNo, LPCWSTR answerFile,
                                      LPCWSTR answerSections,
                                      INetCfgComponent** component) override {
        (void)upgradeFromBuildNo;
        (void)answerFile;
        (void)answerSections;
        PlatformCall call("INetCfgClassSetup::Install",
                          detail::JournalText(infId) + " " + std::to_string(setupFlags));
        ClearIfGiven(component);
        if (const HRESULT hr =
                call.Refusal(infId == nullptr ? E_POINTER : session_->CheckWritable());
            FAILED(hr)) {
            return call.Finish(hr);
        }
        const std::wstring id = LowerCaseId(infId);
        // Every install of an adapter is a device of its own, which keeps no references; any
        // other component is installed once and referenced on behalf of each token.
        ComponentReference reference;
        if (class_ != ComponentClass::Net) {
            if (const HRESULT hr = ReadOboToken(oboToken, session_->staged(), &reference);
                FAILED(hr)) {
                return call.Finish(hr);
            }
            if (const ComponentRecord* existing =
                    FindComponentById(session_->staged(), id, std::nullopt)) {
                return call.Finish(AddReferenceTo(existing->instance, reference, component));
            }
        }
        const auto driver = FindInfDriver(session_->root(), infId);
        if (!driver) {
            return call.Finish(SPAPI_E_NO_DRIVER_SELECTED);
        }
        const auto infClass = driver->inf.ClassGuid();
        if (!infClass || *infClass != ClassGuid(class_)) {
            return call.Finish(SPAPI_E_CLASS_MISMATCH);
        }
        ComponentRecord record;
        record.componentClass = class_;
        record.id = id;
        record.displayName =
            InstanceDisplayName(session_->staged(), id, OneLine(driver->model.description));
        record.inf = driver->publishedName;
        record.interfaces = InterfacesOf(class_, *driver);
        if (class_ != ComponentClass::Net) {
            record.references.push_back(reference);
        }
        NetCfgStore& staged = session_->Change();
        const unsigned instance = AddComponent(&staged, record);
        return call.Finish(Give(staged.components.at(instance), component));
    }

    // Removes the token's reference; the component goes only when no reference is left, else
    // NETCFG_S_STILL_REFERENCED names the rest. An adapter goes at once, whatever the token.
    HRESULT STDMETHODCALLTYPE DeInstall(INetCfgComponent* component, OBO_TOKEN* oboToken,
                                        LPWSTR* references) override {
        const auto instance =
            component != nullptr ? ComponentInstance(component) : std::optional<unsigned>();
        const auto& components = session_->staged().components;
        const auto found = instance ? components.find(*instance) : components.end();
        PlatformCall call("INetCfgClassSetup::DeInstall",
                          found != components.end() ? ToUtf8(found->second.id) : "(unknown)");
        ClearIfGiven(references);
        if (const HRESULT hr =
                call.Refusal(component == nullptr ? E_POINTER : session_->CheckWritable());
            FAILED(hr)) {
            return call.Finish(hr);
        }
        if (found == components.end() || found->second.componentClass != class_) {
            return call.Finish(E_INVALIDARG);
        }
        if (class_ != ComponentClass::Net) {
            ComponentReference reference;
            if (const HRESULT hr = ReadOboToken(oboToken, session_->staged(), &reference);
                FAILED(hr)) {
                return call.Finish(hr);
            }
            ComponentRecord remaining = found->second;
            const bool removed = RemoveReference(&remaining, reference);
            if (!remaining.references.empty()) {
                if (removed) {
                    session_->Change().components.at(remaining.instance) = remaining;
                }
                if (references != nullptr) {
                    *references = ReferenceList(session_->staged(), remaining.references);
                }
                return call.Finish(NETCFG_S_STILL_REFERENCED);
            }
        }
        RemoveComponent(&session_->Change(), found->first);
        return call.Finish(S_OK);
    }

private:
    ~NetCfgClass() = default;

    HRESULT Give(const ComponentRecord& record, INetCfgComponent** component) {
        if (component != nullptr) {
            *component = NewNetCfgComponent(session_, record);
        }
        return S_OK;
    }

    // Installing a component that is there already adds the token's reference, if it is new,
    // and changes nothing else.
    HRESULT AddReferenceTo(unsigned instance, const ComponentReference& reference,
                           INetCfgComponent** component) {
        ComponentRecord updated = session_->staged().components.at(instance);
        if (AddReference(&updated, reference)) {
            session_->Change().components.at(instance) = updated;
        }
        return Give(session_->staged().components.at(instance), component);
    }

    std::shared_ptr<NetCfgSession> session_;
    ComponentClass class_;
};

}  // namespace

HRESULT NewNetCfgClass(std::shared_ptr<NetCfgSession> session, ComponentClass componentClass,
                       REFIID riid, void** object) {
    *object = nullptr;
    if (riid != IID_IUnknown && riid != IID_INetCfgClass && riid != IID_INetCfgClassSetup) {
        return E_NOINTERFACE;
    }
    auto* netCfgClass = new NetCfgClass(std::move(session), componentClass);
    // The new object's one reference goes with the interface asked for.
    if (riid == IID_INetCfgClassSetup) {
        *object = static_cast<INetCfgClassSetup*>(netCfgClass);
    } else {
        *object = static_cast<INetCfgClass*>(netCfgClass);
    }
    return S_OK;
}

}  // namespace simwin
