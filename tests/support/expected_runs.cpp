#include "support/expected_runs.h"

namespace expected_runs {

Lines Join(std::initializer_list<Lines> pieces) {
    Lines joined;
    for (const Lines& piece : pieces) {
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    return joined;
}

const Lines& Banner() {
    static const Lines lines = {
        "",          "",
        "",          "====================================================================",
        "< START >", "====================================================================",
    };
    return lines;
}

const Lines& ReleaseOne() {
    static const Lines lines = {
        "DeviceManager::ReleaseRef() | Enter...",
        "DeviceManager::ReleaseRef() IUnknown* reference released.",
        "DeviceManager::ReleaseRef() | Exit...",
    };
    return lines;
}

const Lines& ReleaseNull() {
    static const Lines lines = {"DeviceManager::ReleaseRef() | Enter...",
                                "DeviceManager::ReleaseRef() | Exit..."};
    return lines;
}

const Lines& GetWithLock() {
    static const Lines lines = Join({
        {"DeviceManager::HrGetINetCfg() | Enter...",
         "DeviceManager::HrGetINetCfg() | QueryInterface returns OK...",
         "DeviceManager::HrGetINetCfg() | Initialize returns OK..."},
        ReleaseOne(),
        ReleaseOne(),
        {"DeviceManager::HrGetINetCfg() | Exit..."},
    });
    return lines;
}

const Lines& ReleaseWithLock() {
    static const Lines lines = Join({
        {"DeviceManager::HrReleaseINetCfg() | Enter...",
         "DeviceManager::HrReleaseINetCfg() | Release write lock..."},
        ReleaseOne(),
        ReleaseOne(),
        {"DeviceManager::HrReleaseINetCfg() | Exit..."},
    });
    return lines;
}

Lines InstallStart() {
    return Join({Banner(),
                 {"Command found: install ethernet adapter and switch",
                  "DeviceManager::Installer() | Enter..."}});
}

namespace {

// An installation cycle up to its granted write lock and initialised configuration.
Lines InstallCycleStart() {
    return Join({{"DeviceManager::InstallDriver() | Enter...",
                  "DeviceManager::InstallSpecifiedComponent() | Enter..."},
                 GetWithLock()});
}

}  // namespace

Lines AdapterCycleStart() {
    return Join({InstallStart(),
                 {"DeviceManager::Installer() Installing Virtual Ethernet Adapter..."},
                 InstallCycleStart()});
}

Lines ComponentInstallFailed(const std::string& hr) {
    return Join({
        {"DeviceManager::HrInstallComponent() | Exit...",
         "<ERROR> | DeviceManager::HrInstallNetComponent() failed! " + hr,
         "DeviceManager::HrInstallNetComponent() | Exit...",
         "<ERROR> | DeviceManager::InstallSpecifiedComponent() Couldn't install the network "
         "component. HrInstallNetComponent returned " +
             hr},
        ReleaseWithLock(),
        {"DeviceManager::InstallSpecifiedComponent() | Exit..."},
    });
}

Lines AdapterInstallFailed(const std::string& hr, const std::string& adapterInfPath) {
    return {
        "<ERROR> | DeviceManager::InstallDriver() InstallSpecifiedComponent returned " + hr,
        "<ERROR> | DeviceManager::InstallDriver() InstallSpecifiedComponent szFileFullPath='" +
            adapterInfPath + "'",
        "DeviceManager::InstallDriver() | Exit...",
        "<ERROR> | DeviceManager::Installer() Installing Virtual Ethernet adapter failed. "
        "'InstallDriver()' returned " +
            hr,
        "DeviceManager::Installer() | Exit...",
        "<ERROR> | Installation of virtual ethernet adapter failed. 'Installer()' returned "
        "result=901",
    };
}

namespace {

Lines UninstallStart() {
    return Join({Banner(),
                 {"Command found: uninstall ethernet adapter and switch",
                  "DeviceManager::Uninstaller() | Enter..."}});
}

// One installation cycle that installs its component and applies the change, up to the end of
// InstallSpecifiedComponent.
Lines InstallCycle() {
    return Join({
        InstallCycleStart(),
        {"DeviceManager::HrInstallNetComponent() | Enter...",
         "DeviceManager::HrInstallComponent() | Enter...",
         "DeviceManager::HrInstallComponent() QueryNetCfgClass returns OK...",
         "DeviceManager::HrInstallComponent() Install returns OK..."},
        ReleaseOne(),
        ReleaseOne(),
        {"DeviceManager::HrInstallComponent() | Exit...",
         "DeviceManager::HrInstallNetComponent() | Exit..."},
        ReleaseWithLock(),
        {"DeviceManager::InstallSpecifiedComponent() | Exit..."},
    });
}

// An Install run up to the switch's cycle, the adapter installed.
Lines AdapterInstalled() {
    return Join({
        InstallStart(),
        {"DeviceManager::Installer() Installing Virtual Ethernet Adapter..."},
        InstallCycle(),
        {"DeviceManager::InstallDriver() | Exit...",
         "DeviceManager::Installer() Installing Virtual Ethernet Adapter succeeded.",
         "DeviceManager::Installer() Installing Virtual Switch..."},
    });
}

// HrGetINetCfg whose write lock another client kept: no line of its own between its Enter and
// Exit lines, apart from the lock interface's and both references' releases.
Lines GetLockRefused() {
    return Join({
        {"DeviceManager::HrGetINetCfg() | Enter...",
         "DeviceManager::HrGetINetCfg() | QueryInterface returns OK..."},
        ReleaseOne(),
        ReleaseOne(),
        {"DeviceManager::HrGetINetCfg() | Exit..."},
    });
}

// The service start and the binding configuration after a successful installation, on a machine
// with two physical adapters besides the virtual one.
Lines Configuration() {
    return {
        "Configuration of NPF service begins.",
        "DeviceManager::StartNPFService() | Enter...",
        "DeviceManager::StartNPFService() was successful.",
        "DeviceManager::StartNPFService() | Exit...",
        "Configuration of NPF service has ended.",
        "Configuration of IPv6 and Virtual Switch begins.",
        "DeviceManager::ConfigureIPv6AndVirtualSwitch() | Enter...",
        "DeviceManager::ConfigureNetworkAdapters() | Enter...",
        "DeviceManager::setBinding() | Enter...",
        "DeviceManager::setBinding() | Exit...",
        "DeviceManager::setBinding() | Enter...",
        "DeviceManager::setBinding() | Exit...",
        "DeviceManager::ConfigureNetworkAdapters() | Exit...",
        "DeviceManager::ConfigureNetworkAdapters() | Enter...",
        "DeviceManager::setBinding() | Enter...",
        "DeviceManager::setBinding() | Exit...",
        "DeviceManager::ConfigureNetworkAdapters() | Exit...",
        "DeviceManager::ConfigureIPv6AndVirtualSwitch() | Exit...",
        "Configuration of IPv6 and Virtual Switch succeeded.",
    };
}

// A removal cycle that was granted the write lock: its own steps between the acquisition and the
// release.
Lines RemovalWithLock(const Lines& steps) {
    return Join({{"DeviceManager::UninstallDriver() | Enter..."},
                 GetWithLock(),
                 steps,
                 ReleaseWithLock(),
                 {"DeviceManager::UninstallDriver() | Exit..."}});
}

// The steps of a removal that found the component and its class: DeInstall's outcome, then the
// three references it held given back.
Lines RemovalFound(const Lines& outcome) {
    return Join({{"DeviceManager::UninstallDriver() FindComponent was successful.",
                  "DeviceManager::UninstallDriver() ClassGuid OK..",
                  "DeviceManager::UninstallDriver() QueryNetCfgClass OK..",
                  "DeviceManager::UninstallDriver() QueryInterface OK.."},
                 outcome,
                 ReleaseOne(),
                 ReleaseOne(),
                 ReleaseOne()});
}

// One removal cycle that finds, removes and applies.
Lines RemovalCycle() {
    return RemovalWithLock(RemovalFound({"DeviceManager::UninstallDriver() Uninstall OK..."}));
}

Lines RemovalNotFound(const std::string& componentId, const std::string& findResult) {
    return RemovalWithLock(
        {"<ERROR> | DeviceManager::UninstallDriver() Couldn't get an interface pointer to " +
             componentId + ".",
         "<ERROR> | DeviceManager::UninstallDriver() FindComponent returned " + findResult});
}

Lines RemovalLockRefused(const std::string& holder) {
    return Join({
        {"DeviceManager::UninstallDriver() | Enter..."},
        GetLockRefused(),
        {"<ERROR> | DeviceManager::UninstallDriver() " + holder +
             " currently holds the lock, try later.",
         "<ERROR> | DeviceManager::UninstallDriver() HrGetINetCfg returned hr='-2147180508' / "
         "hr='0x8004a024'",
         "DeviceManager::UninstallDriver() | Exit..."},
    });
}

Lines BothRemovalsFailed() {
    return {
        "<ERROR> | DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed.",
        "<ERROR> | DeviceManager::Uninstaller() Uninstall of virtual switch and/or virtual "
        "ethernet "
        "adapter failed.",
        "DeviceManager::Uninstaller() | Exit...",
    };
}

const char kSwitchRemovalFailed[] =
    "<ERROR> | DeviceManager::Uninstaller() Virtual Switch uninstall failed.";

// A successful removal cycle for each of the adapter's instances.
Lines AdapterRemovalCycles(int adapterInstances) {
    Lines cycles;
    for (int instance = 0; instance < adapterInstances; ++instance) {
        cycles = Join({cycles, RemovalCycle()});
    }
    return cycles;
}

// The end of an Uninstall run whose switch removal failed: the adapter's removal succeeds, and the
// run reports the failure.
Lines SwitchKeptAdapterRemoved(int adapterInstances = 1) {
    return Join({
        {kSwitchRemovalFailed},
        AdapterRemovalCycles(adapterInstances),
        {"DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall succeeded.",
         "<ERROR> | DeviceManager::Uninstaller() Uninstall of virtual switch and/or virtual "
         "ethernet adapter failed.",
         "DeviceManager::Uninstaller() | Exit..."},
    });
}
}  // namespace

Lines InstallSucceeds() {
    return Join({
        AdapterInstalled(),
        InstallCycle(),
        {"DeviceManager::InstallDriver() | Exit...",
         "DeviceManager::Installer() Installing Virtual Switch succeeded.",
         "DeviceManager::Installer() | Exit...",
         "Installation of Virtual Ethernet Adapter and Virtual Switch is finished."},
        Configuration(),
    });
}

Lines UninstallSucceeds(int adapterInstances) {
    return Join({
        UninstallStart(),
        RemovalCycle(),
        {"DeviceManager::Uninstaller() Virtual Switch uninstall succeeded."},
        AdapterRemovalCycles(adapterInstances),
        {"DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall succeeded.",
         "DeviceManager::Uninstaller() Uninstall of virtual switch and virtual ethernet adapter "
         "succeeded.",
         "DeviceManager::Uninstaller() | Exit..."},
    });
}

Lines UninstallFindsNothing(const std::string& findResult) {
    return Join({
        UninstallStart(),
        RemovalNotFound("QUORIX_NdisLwf", findResult),
        {kSwitchRemovalFailed},
        RemovalNotFound("root\\quorixvmini60_a", findResult),
        BothRemovalsFailed(),
    });
}

Lines UninstallStoreCorrupt() {
    const Lines removal = Join({
        {"DeviceManager::UninstallDriver() | Enter...", "DeviceManager::HrGetINetCfg() | Enter...",
         "DeviceManager::HrGetINetCfg() | QueryInterface returns OK...",
         "DeviceManager::HrGetINetCfg() | Initialize failed, ReleaseWriteLock... ",
         "<ERROR> |  hr='-2147024883' / hr='0x8007000d'"},
        ReleaseOne(),
        ReleaseOne(),
        {"DeviceManager::HrGetINetCfg() | Exit...",
         "<ERROR> | DeviceManager::UninstallDriver() Couldn't get the notify object interface. "
         "HrGetINetCfg returned hr='-2147024883' / hr='0x8007000d'",
         "DeviceManager::UninstallDriver() | Exit..."},
    });
    return Join({UninstallStart(), removal, {kSwitchRemovalFailed}, removal, BothRemovalsFailed()});
}

Lines UninstallWhileLockHeld(const std::string& holder) {
    return Join({
        UninstallStart(),
        RemovalLockRefused(holder),
        {kSwitchRemovalFailed},
        RemovalLockRefused(holder),
        BothRemovalsFailed(),
    });
}

Lines InstallAdapterApplyAnswersReboot(const std::string& adapterInfPath) {
    return Join({
        InstallStart(),
        {"DeviceManager::Installer() Installing Virtual Ethernet Adapter..."},
        InstallCycle(),
        AdapterInstallFailed("hr='303136' / hr='0x0004a020'", adapterInfPath),
    });
}

Lines InstallWithoutConfigurationClass(const std::string& adapterInfPath) {
    const std::string kClassNotRegistered = "hr='-2147221164' / hr='0x80040154'";
    return Join({
        InstallStart(),
        {"DeviceManager::Installer() Installing Virtual Ethernet Adapter...",
         "DeviceManager::InstallDriver() | Enter...",
         "DeviceManager::InstallSpecifiedComponent() | Enter...",
         "DeviceManager::HrGetINetCfg() | Enter...", "<ERROR> |  " + kClassNotRegistered,
         "DeviceManager::HrGetINetCfg() | Exit...", "<ERROR> |  " + kClassNotRegistered,
         "<ERROR> | DeviceManager::InstallSpecifiedComponent() Couldn't the get notify object "
         "interface. HrGetINetCfg returned " +
             kClassNotRegistered,
         "DeviceManager::InstallSpecifiedComponent() | Exit..."},
        AdapterInstallFailed(kClassNotRegistered, adapterInfPath),
    });
}

Lines InstallAdapterInfNotCopied(const std::string& adapterInfPath) {
    const std::string kNoDriverSelected = "hr='-2146500093' / hr='0x800f0203'";
    return Join({
        AdapterCycleStart(),
        {"DeviceManager::HrInstallNetComponent() | Enter...",
         "<ERROR> | DeviceManager::HrInstallNetComponent() Couldn't copy the setup INF file. "
         "lpszInfFullPath='" +
             adapterInfPath + "'",
         "DeviceManager::HrInstallComponent() | Enter...",
         "DeviceManager::HrInstallComponent() QueryNetCfgClass returns OK...",
         // No published INF names the adapter: SPAPI_E_NO_DRIVER_SELECTED.
         "<ERROR> | root\\quorixvmini60_a",
         "<ERROR> | DeviceManager::HrInstallComponent() Install not successful... "
         "hr='-2146500093' / hr='0x800f0203'"},
        ReleaseOne(),
        ComponentInstallFailed(kNoDriverSelected),
        AdapterInstallFailed(kNoDriverSelected, adapterInfPath),
    });
}

Lines InstallWhileLockHeld(const std::string& holder, const std::string& adapterInfPath) {
    const std::string kNoWriteLock = "hr='-2147180508' / hr='0x8004a024'";
    return Join({
        InstallStart(),
        {"DeviceManager::Installer() Installing Virtual Ethernet Adapter...",
         "DeviceManager::InstallDriver() | Enter...",
         "DeviceManager::InstallSpecifiedComponent() | Enter..."},
        GetLockRefused(),
        {"<ERROR> |  " + kNoWriteLock,
         "<ERROR> | DeviceManager::InstallSpecifiedComponent() " + holder +
             " currently holds the lock, try later.",
         "DeviceManager::InstallSpecifiedComponent() | Exit..."},
        AdapterInstallFailed(kNoWriteLock, adapterInfPath),
    });
}

Lines InstallSwitchRefused(const std::string& hr, const std::string& switchInfPath) {
    return Join({
        AdapterInstalled(),
        InstallCycleStart(),
        {"DeviceManager::HrInstallNetComponent() | Enter...",
         "DeviceManager::HrInstallComponent() | Enter...",
         "DeviceManager::HrInstallComponent() QueryNetCfgClass returns OK...",
         "<ERROR> | QUORIX_NdisLwf",
         "<ERROR> | DeviceManager::HrInstallComponent() Install not successful... " + hr},
        ReleaseOne(),
        ComponentInstallFailed(hr),
        {"<ERROR> | DeviceManager::InstallDriver() InstallSpecifiedComponent returned " + hr,
         "<ERROR> | DeviceManager::InstallDriver() InstallSpecifiedComponent szFileFullPath='" +
             switchInfPath + "'",
         "DeviceManager::InstallDriver() | Exit...",
         "<ERROR> | DeviceManager::Installer() Installing Virtual Switch failed. 'InstallDriver()' "
         "returned " +
             hr,
         "DeviceManager::Installer() | Exit...",
         "<ERROR> | Installation of virtual ethernet adapter failed. 'Installer()' returned "
         "result=902"},
    });
}

Lines UninstallAdapterAlone() {
    return Join({
        UninstallStart(),
        RemovalNotFound("QUORIX_NdisLwf", "hr='1' / hr='0x00000001'"),
        SwitchKeptAdapterRemoved(),
    });
}

Lines UninstallSwitchApplyAnswersReboot(int adapterInstances) {
    return Join({
        UninstallStart(),
        RemovalCycle(),
        SwitchKeptAdapterRemoved(adapterInstances),
    });
}

Lines UninstallSecondAdapterCycleFails() {
    return Join({
        UninstallStart(),
        RemovalCycle(),
        {"DeviceManager::Uninstaller() Virtual Switch uninstall succeeded."},
        RemovalCycle(),
        RemovalWithLock(RemovalFound({"<ERROR> | DeviceManager::UninstallDriver() Failed to "
                                      "uninstall root\\quorixvmini60_a.",
                                      "<ERROR> |  hr='-2147467259' / hr='0x80004005'"})),
        BothRemovalsFailed(),
    });
}

Lines UninstallSwitchStillReferenced() {
    return Join({
        UninstallStart(),
        RemovalWithLock(
            RemovalFound({"<ERROR> | DeviceManager::UninstallDriver() Failed to uninstall "
                          "QUORIX_NdisLwf.",
                          "<ERROR> |  hr='303139' / hr='0x0004a023'"})),
        SwitchKeptAdapterRemoved(),
    });
}

}  // namespace expected_runs
