// A device class of network components: finding and enumerating its components, and
// installing and removing them from the INF store.
#include "netcfg/com_object.h"
#include "netcfg/netcfg_objects.h"
#include "netcfg/platform_call.h"
#include "netcfg/staged_config.h"
#include "machine/inf_store.h"
#include "instrumentation/journal.h"

#include "base/utf8.h"

#include <setupapi.h>

#include <cwctype>
#include <set>

namespace simwin {

namespace {

// NCF_LW_FILTER in an install section's Characteristics: a filter that binds to adapters.
constexpr unsigned long kLightweightFilter = 0x40000;

// Whether the component an INF installs binds to adapters: every protocol, and every service
// that is a filter.
bool BindsToAdapters(ComponentClass componentClass, const InfDriver& driver) {
    if (componentClass == ComponentClass::NetTrans) {
        return true;
    }
    if (componentClass != ComponentClass::NetService) {
        return false;
    }
    const std::wstring& section = driver.model.installSection;
    if (driver.inf.Value(section, L"FilterMediaTypes")) {
        return true;
    }
    const auto characteristics = driver.inf.Value(section, L"Characteristics");
    if (!characteristics) {
        return false;
    }
    const unsigned long value = std::wcstoul(characteristics->c_str(), nullptr, 0);
    return (value & kLightweightFilter) != 0;
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
        if (components == nullptr) {
            return call.Finish(E_POINTER);
        }
        *components = nullptr;
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        if (const HRESULT hr = session_->CheckReadable(); FAILED(hr)) {
            return call.Finish(hr);
        }
        *components = EnumerateComponents(session_, class_);
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
        (void)oboToken;
        (void)upgradeFromBuildNo;
        (void)answerFile;
        (void)answerSections;
        PlatformCall call("INetCfgClassSetup::Install",
                          detail::JournalText(infId) + " " + std::to_string(setupFlags));
        if (component != nullptr) {
            *component = nullptr;
        }
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        if (infId == nullptr) {
            return call.Finish(E_POINTER);
        }
        if (const HRESULT hr = session_->CheckWritable(); FAILED(hr)) {
            return call.Finish(hr);
        }
        const std::wstring id = LowerCaseId(infId);
        // Installing a component that is there already changes nothing; only adapters can have
        // more than one instance.
        if (class_ != ComponentClass::Net) {
            if (const ComponentRecord* existing =
                    FindComponentById(session_->staged(), id, std::nullopt)) {
                return call.Finish(Give(*existing, component));
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
        record.bindsToAdapters = BindsToAdapters(class_, *driver);
        NetCfgStore& staged = session_->Change();
        const unsigned instance = AddComponent(&staged, record);
        return call.Finish(Give(staged.components.at(instance), component));
    }

    HRESULT STDMETHODCALLTYPE DeInstall(INetCfgComponent* component, OBO_TOKEN* oboToken,
                                        LPWSTR* references) override {
        (void)oboToken;
        const auto instance =
            component != nullptr ? ComponentInstance(component) : std::optional<unsigned>();
        const auto& components = session_->staged().components;
        const auto found = instance ? components.find(*instance) : components.end();
        PlatformCall call("INetCfgClassSetup::DeInstall",
                          found != components.end() ? ToUtf8(found->second.id) : "(unknown)");
        if (references != nullptr) {
            *references = nullptr;
        }
        if (call.Failing()) {
            return call.Finish(call.FaultResult());
        }
        if (component == nullptr) {
            return call.Finish(E_POINTER);
        }
        if (const HRESULT hr = session_->CheckWritable(); FAILED(hr)) {
            return call.Finish(hr);
        }
        if (found == components.end() || found->second.componentClass != class_) {
            return call.Finish(E_INVALIDARG);
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
