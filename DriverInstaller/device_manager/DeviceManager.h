// DeviceManager: installs, removes and configures the virtual ethernet adapter and the virtual
// switch through the network configuration interfaces, tracing every step in the log. It keeps
// no state between calls: every operation obtains what it needs and gives it back.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <netcfgx.h>

#include "log/Logger.h"
#include "log/message_format.h"
#include "netcfg/com_ptr.h"

#include <string>

class DeviceManager {
public:
    // The logger is borrowed and must outlive this object.
    explicit DeviceManager(Logger* logger) : logger_(logger) {}

    // ---- Configuration access

    // Opens a configuration cycle: initialises COM for the thread, creates the configuration
    // object, takes its write lock when wantWriteLock is set (waiting up to 5000 ms, naming this
    // client clientDescription) and initialises it. On S_OK *netCfgOut holds one reference that the
    // caller hands to HrReleaseINetCfg (pass a ComPtr's Put()); on any other result *netCfgOut is
    // null and COM is as before the call. When the lock is refused, *lockHolder may receive the
    // holder's description, which the caller frees with CoTaskMemFree (pass a CoTaskMemString's
    // Put()). Returns S_OK or the failing step's result (NETCFG_E_NO_WRITE_LOCK for a refused
    // lock).
    HRESULT HrGetINetCfg(bool wantWriteLock, LPCWSTR clientDescription, INetCfg** netCfgOut,
                         LPWSTR* lockHolder);
    // Closes a cycle opened by HrGetINetCfg: uninitialises the object, gives the write lock back
    // when hasWriteLock is set, releases the caller's reference (netCfg is empty afterwards) and
    // ends the thread's COM use. Returns Uninitialize's result, or the lock interface's or
    // ReleaseWriteLock's.
    HRESULT HrReleaseINetCfg(ComPtr<INetCfg>& netCfg, bool hasWriteLock);
    // Releases the reference that holder holds, if any, and traces the release; holder is empty
    // afterwards.
    template <typename Interface>
    void ReleaseRef(ComPtr<Interface>& holder);

    // ---- Installation

    // Installs one component in one configuration cycle from the INF file at szFileFullPath.
    // Returns S_OK when it was installed and applied; otherwise the failure, NETCFG_S_REBOOT
    // included, after two error lines that name it and the INF file.
    HRESULT InstallDriver(LPCWSTR szFileFullPath, const GUID& classGuid, LPCWSTR componentId);
    // The configuration cycle of one installation: acquire with the write lock, copy the INF file
    // (none when lpszInfFullPath is null), install, apply, release. Returns the last Apply's
    // result, or the failing step's.
    HRESULT InstallSpecifiedComponent(LPCWSTR lpszInfFullPath, LPCWSTR componentId,
                                      const GUID& classGuid);
    // Copies the INF file into the INF store (a failure is logged and the installation goes on),
    // installs the component and applies. netCfg must be initialised and write-locked. Returns S_OK
    // when installation and Apply succeeded, else the failing step's result.
    HRESULT HrInstallNetComponent(INetCfg* netCfg, LPCWSTR componentId, const GUID& classGuid,
                                  LPCWSTR lpszInfFullPath);
    // Installs the component through its class's setup interface, without applying. Returns
    // QueryNetCfgClass's result when that failed, otherwise Install's.
    HRESULT HrInstallComponent(INetCfg* netCfg, LPCWSTR componentId, const GUID& classGuid);
    // The Install command: finds both INF files in the current directory, then installs the
    // adapter and, when that succeeded, the switch. Returns 0, 901, 902 or 908.
    int Installer();

    // ---- Removal

    // Removes one component in one configuration cycle. Returns 0 when it was removed and the
    // change applied, otherwise the result of the step that ended the cycle (S_FALSE when the
    // component is not installed, NETCFG_S_REBOOT from Apply).
    HRESULT UninstallDriver(LPCWSTR componentId);
    // The Uninstall command: removes the switch, then every instance of the adapter, each in its
    // own cycle. Returns 903 when an adapter cycle failed or an instance is left after the last
    // cycle allowed, else 904 when the switch's removal failed, else 0.
    int Uninstaller();

    // ---- Post-install configuration

    // Binds the virtual switch filter to the virtual ethernet adapter alone and unbinds IPv6
    // from it, in a configuration object of its own. Returns TRUE when the IPv6 step succeeded.
    BOOL ConfigureIPv6AndVirtualSwitch();
    // Walks the components of one class (GUID_DEVCLASS_NETSERVICE or GUID_DEVCLASS_NETTRANS) and
    // changes the bindings of the filter or of IPv6. netCfg is borrowed and must be initialised.
    // Returns the value of the last setBinding that decides the result, FALSE when none ran.
    BOOL ConfigureNetworkAdapters(const GUID& classGuid, INetCfg* netCfg);
    // Enables or disables each binding path below component whose lower component's display
    // name begins with pattern ("*" alone matches every path), applying each change at once.
    // netCfg and component are borrowed. Returns TRUE when at least one path was changed.
    BOOL setBinding(INetCfg* netCfg, INetCfgComponent* component, BOOL enable, LPCWSTR pattern);
    // Launches "net.exe start npf" hidden, without waiting for it. Returns TRUE when the launch
    // was accepted.
    BOOL StartNPFService();

private:
    void Log(const std::wstring& message) { logger_->Log(message); }
    void LogError(const std::wstring& message) { logger_->LogError(message); }
    // An error line: message followed by hr as every result line ends (message empty: the bare
    // result line).
    void LogError(const std::wstring& message, HRESULT hr) {
        logger_->LogError(message + FormatHr(hr));
    }
    // True, after the bare result line, for anything but S_OK.
    bool FailedAndLogged(HRESULT hr) {
        if (hr == S_OK) {
            return false;
        }
        LogError(L"", hr);
        return true;
    }

    HRESULT HrOpenINetCfg(bool wantWriteLock, LPCWSTR clientDescription, INetCfg** netCfgOut,
                          LPWSTR* lockHolder);
    HRESULT HrLockAndInitialize(INetCfg* netCfg, bool wantWriteLock, LPCWSTR clientDescription,
                                LPWSTR* lockHolder, ComPtr<INetCfgLock>& lock);
    HRESULT HrReleaseWriteLock(INetCfg* netCfg);
    void CopyInfToStore(LPCWSTR lpszInfFullPath);
    int InstallBothComponents(LPCWSTR adapterInfPath, LPCWSTR switchInfPath);
    // What one removal cycle found: its result (UninstallDriver's), whether FindComponent
    // answered that the component is not installed, and whether another instance of it may be
    // there after a removal that succeeded (looked for only when the caller asked).
    struct RemovalOutcome {
        HRESULT result;
        bool notFound;
        bool anotherInstance;
    };
    RemovalOutcome RemoveInCycle(LPCWSTR componentId, bool lookForAnother);
    RemovalOutcome RemoveComponent(INetCfg* netCfg, LPCWSTR componentId, bool lookForAnother);
    bool RemoveEveryAdapterInstance();
    HRESULT RemoveThroughClass(INetCfg* netCfg, INetCfgComponent* component, LPCWSTR componentId);
    HRESULT RemoveThroughClassSetup(INetCfg* netCfg, INetCfgClass* netClass,
                                    INetCfgComponent* component, LPCWSTR componentId);
    BOOL ConfigureBindings();
    BOOL ConfigureClassComponents(const GUID& classGuid, INetCfg* netCfg);
    BOOL ConfigureComponent(const GUID& classGuid, INetCfg* netCfg, INetCfgComponent* component,
                            LPCWSTR id, BOOL result);
    BOOL WalkBindingPaths(INetCfg* netCfg, INetCfgComponent* component, BOOL enable,
                          LPCWSTR pattern);
    bool SetPathIfMatching(INetCfg* netCfg, INetCfgBindingPath* path, BOOL enable, LPCWSTR pattern);

    Logger* logger_;
};

template <typename Interface>
void DeviceManager::ReleaseRef(ComPtr<Interface>& holder) {
    Log(L"DeviceManager::ReleaseRef() | Enter...");
    if (holder) {
        holder.Reset();
        Log(L"DeviceManager::ReleaseRef() IUnknown* reference released.");
    }
    Log(L"DeviceManager::ReleaseRef() | Exit...");
}
