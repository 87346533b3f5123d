// The network configuration object: INetCfg (load, change, apply the configuration) and
// INetCfgLock (the machine-wide write lock).
#include "netcfg/com_object.h"
#include "netcfg/netcfg_objects.h"
#include "netcfg/platform_call.h"
#include "instrumentation/journal.h"
#include "instrumentation/ledger.h"
#include "machine/reboot_pending.h"

#include "base/elevation.h"
#include "base/utf8.h"

namespace simwin {

namespace {

// The component class of a class GUID; false for a null or unknown GUID.
bool ReadClass(const GUID* classGuid, ComponentClass* componentClass) {
    if (classGuid == nullptr) {
        return false;
    }
    const std::optional<ComponentClass> found = ClassFromGuid(*classGuid);
    if (!found) {
        return false;
    }
    *componentClass = *found;
    return true;
}

class NetCfg final : public ComObject<INetCfg, INetCfgLock> {
public:
    explicit NetCfg(const std::string& root) : session_(std::make_shared<NetCfgSession>(root)) {}

    // ---- INetCfg

    HRESULT STDMETHODCALLTYPE Initialize(PVOID reserved) override {
        (void)reserved;
        PlatformCall call("INetCfg::Initialize");
        if (const HRESULT hr = call.Refusal(); FAILED(hr)) {
            return call.Finish(hr);
        }
        if (session_->initialized()) {
            return call.Finish(NETCFG_E_ALREADY_INITIALIZED);
        }
        return call.Finish(session_->Load());
    }

    HRESULT STDMETHODCALLTYPE Uninitialize() override {
        PlatformCall call("INetCfg::Uninitialize");
        if (const HRESULT hr = call.Refusal(); FAILED(hr)) {
            return call.Finish(hr);
        }
        if (!session_->initialized()) {
            return call.Finish(NETCFG_E_NOT_INITIALIZED);
        }
        session_->Unload();
        return call.Finish(S_OK);
    }

    HRESULT STDMETHODCALLTYPE Apply() override {
        PlatformCall call("INetCfg::Apply");
        if (const HRESULT hr = call.Refusal(session_->CheckWritable()); FAILED(hr)) {
            return call.Finish(hr);
        }
        return call.Finish(session_->Apply());
    }

    HRESULT STDMETHODCALLTYPE Cancel() override {
        PlatformCall call("INetCfg::Cancel");
        if (const HRESULT hr = call.Refusal(session_->CheckReadable()); FAILED(hr)) {
            return call.Finish(hr);
        }
        session_->Cancel();
        return call.Finish(S_OK);
    }

    HRESULT STDMETHODCALLTYPE EnumComponents(const GUID* classGuid,
                                             IEnumNetCfgComponent** components) override {
        const auto componentClass =
            classGuid != nullptr ? ClassFromGuid(*classGuid) : std::optional<ComponentClass>();
        PlatformCall call("INetCfg::EnumComponents", classGuid == nullptr ? "(all)"
                                                     : componentClass ? ClassName(*componentClass)
                                                                      : "(unknown class)");
        // The enumerator is an optional out-parameter: without it the call only checks.
        ClearIfGiven(components);
        if (const HRESULT hr = call.Refusal(
                classGuid != nullptr && !componentClass ? E_INVALIDARG : session_->CheckReadable());
            FAILED(hr)) {
            return call.Finish(hr);
        }
        if (components != nullptr) {
            *components = EnumerateComponents(session_, componentClass);
        }
        return call.Finish(S_OK);
    }

    HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR infId, INetCfgComponent** component) override {
        return FindStagedComponent("INetCfg::FindComponent", session_, infId, std::nullopt,
                                   component);
    }

    HRESULT STDMETHODCALLTYPE QueryNetCfgClass(const GUID* classGuid, REFIID riid,
                                               void** object) override {
        ComponentClass componentClass = ComponentClass::Net;
        const bool knownClass = ReadClass(classGuid, &componentClass);
        PlatformCall call("INetCfg::QueryNetCfgClass",
                          std::string(knownClass ? ClassName(componentClass) : "(unknown class)") +
                              " " + InterfaceName(riid));
        // The interface is an optional out-parameter: without it the call only checks that the
        // class has that interface.
        ClearIfGiven(object);
        if (classGuid == nullptr) {
            return call.Finish(E_POINTER);
        }
        if (const HRESULT hr = call.Refusal(knownClass ? session_->CheckReadable() : E_INVALIDARG);
            FAILED(hr)) {
            return call.Finish(hr);
        }
        void* unused = nullptr;
        const HRESULT hr =
            NewNetCfgClass(session_, componentClass, riid, object != nullptr ? object : &unused);
        if (unused != nullptr) {
            static_cast<IUnknown*>(unused)->Release();
        }
        return call.Finish(hr);
    }

    // ---- INetCfgLock

    HRESULT STDMETHODCALLTYPE AcquireWriteLock(DWORD timeoutMs, LPCWSTR clientDescription,
                                               LPWSTR* holderDescription) override {
        PlatformCall call(
            "INetCfgLock::AcquireWriteLock",
            std::to_string(timeoutMs) + " \"" + detail::JournalText(clientDescription) + "\"");
        // Only a refusal writes the holder's description; every other answer leaves the caller's
        // variable as it was (a platform need not clear it), so callers must clear it themselves.
        if (const HRESULT hr = call.Refusal(); FAILED(hr)) {
            return call.Finish(hr);
        }
        if (call.fault() && call.FaultResult() == S_FALSE) {
            // Refused at once, as if another client held the lock: the rule's text names it, or
            // else the real holder does.
            std::wstring holder = call.fault()->text;
            if (holder.empty()) {
                IsWriteLockHeld(WriteLockPath(session_->root()), &holder);
            }
            GiveHolder(holder, holderDescription);
            return call.Finish(S_FALSE);
        }
        if (session_->initialized()) {
            return call.Finish(NETCFG_E_ALREADY_INITIALIZED);
        }
        // "If the current user is not an administrator of the local computer, calls to
        // AcquireWriteLock return E_ACCESSDENIED"; rights that cannot be read count as none.
        bool elevated = false;
        int reason = 0;
        if (!ReadProcessElevation(&elevated, &reason) || !elevated) {
            return call.Finish(E_ACCESSDENIED);
        }
        // A reboot the machine waits for comes before any new change (netcfg-sim reboot).
        if (RebootPending(session_->root())) {
            return call.Finish(NETCFG_E_NEED_REBOOT);
        }
        const bool alreadyHeld = session_->lock().held();
        std::wstring holder;
        const std::wstring description = clientDescription != nullptr ? clientDescription : L"";
        if (!session_->lock().Acquire(timeoutMs, description, &holder)) {
            GiveHolder(holder, holderDescription);
            return call.Finish(S_FALSE);
        }
        if (!alreadyHeld) {
            detail::WriteLockTaken();
        }
        return call.Finish(S_OK);
    }

    HRESULT STDMETHODCALLTYPE ReleaseWriteLock() override {
        PlatformCall call("INetCfgLock::ReleaseWriteLock");
        if (const HRESULT hr = call.Refusal(); FAILED(hr)) {
            return call.Finish(hr);
        }
        // The lock covers the whole time the configuration is loaded: it goes back only after
        // Uninitialize.
        if (session_->initialized()) {
            return call.Finish(NETCFG_E_ALREADY_INITIALIZED);
        }
        GiveBackLock();
        return call.Finish(S_OK);
    }

    HRESULT STDMETHODCALLTYPE IsWriteLocked(LPWSTR* holderDescription) override {
        PlatformCall call("INetCfgLock::IsWriteLocked");
        ClearIfGiven(holderDescription);
        if (const HRESULT hr = call.Refusal(); FAILED(hr)) {
            return call.Finish(hr);
        }
        // Only another client's lock counts: this object's own is not "locked" to its holder.
        std::wstring holder;
        if (session_->lock().held() || !IsWriteLockHeld(WriteLockPath(session_->root()), &holder)) {
            return call.Finish(S_FALSE);
        }
        GiveHolder(holder, holderDescription);
        return call.Finish(S_OK);
    }

private:
    ~NetCfg() { GiveBackLock(); }

    void GiveBackLock() {
        if (!session_->lock().held()) {
            return;
        }
        session_->lock().Release();
        detail::WriteLockGiven();
    }

    // The holder's description for the caller, or null when the holder gave none.
    static void GiveHolder(const std::wstring& holder, LPWSTR* holderDescription) {
        if (holderDescription != nullptr) {
            *holderDescription = holder.empty() ? nullptr : CoTaskMemText(holder);
        }
    }

    std::shared_ptr<NetCfgSession> session_;
};

}  // namespace

HRESULT NewNetCfg(const std::string& root, REFIID riid, void** object) {
    *object = nullptr;
    // A folder without a machine is a system without the network configuration class: the
    // creation fails at once, before any lock is waited for.
    if (!HoldsMachine(root)) {
        return REGDB_E_CLASSNOTREG;
    }
    if (riid != IID_IUnknown && riid != IID_INetCfg && riid != IID_INetCfgLock) {
        return E_NOINTERFACE;
    }
    auto* netCfg = new NetCfg(root);
    // The new object's one reference goes with the interface asked for.
    if (riid == IID_INetCfgLock) {
        *object = static_cast<INetCfgLock*>(netCfg);
    } else {
        *object = static_cast<INetCfg*>(netCfg);
    }
    return S_OK;
}

}  // namespace simwin
