#include "support/expected_runs.h"

namespace expected_runs {

Lines Join(std::initializer_list<Lines> pieces) {
    Lines joined;
    for (const Lines& piece : pieces) {
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    return joined;
}

const Lines kBanner = {
    "",          "",
    "",          "====================================================================",
    "< START >", "====================================================================",
};

const Lines kReleaseOne = {
    "DeviceManager::ReleaseRef() | Enter...",
    "DeviceManager::ReleaseRef() IUnknown* reference released.",
    "DeviceManager::ReleaseRef() | Exit...",
};

const Lines kGetWithLock = Join({
    {"DeviceManager::HrGetINetCfg() | Enter...",
     "DeviceManager::HrGetINetCfg() | QueryInterface returns OK...",
     "DeviceManager::HrGetINetCfg() | Initialize returns OK..."},
    kReleaseOne,
    kReleaseOne,
    {"DeviceManager::HrGetINetCfg() | Exit..."},
});

const Lines kReleaseWithLock = Join({
    {"DeviceManager::HrReleaseINetCfg() | Enter...",
     "DeviceManager::HrReleaseINetCfg() | Release write lock..."},
    kReleaseOne,
    kReleaseOne,
    {"DeviceManager::HrReleaseINetCfg() | Exit..."},
});

const Lines kInstallStart = Join({
    kBanner,
    {"Command found: install ethernet adapter and switch", "DeviceManager::Installer() | Enter..."},
});

namespace {

const Lines kUninstallStart = Join({
    kBanner,
    {"Command found: uninstall ethernet adapter and switch",
     "DeviceManager::Uninstaller() | Enter..."},
});

// One installation cycle that installs its component and applies the change, up to the end of
// InstallSpecifiedComponent.
const Lines kInstallCycle = Join({
    {"DeviceManager::InstallDriver() | Enter...",
     "DeviceManager::InstallSpecifiedComponent() | Enter..."},
    kGetWithLock,
    {"DeviceManager::HrInstallNetComponent() | Enter...",
     "DeviceManager::HrInstallComponent() | Enter...",
     "DeviceManager::HrInstallComponent() QueryNetCfgClass returns OK...",
     "DeviceManager::HrInstallComponent() Install returns OK..."},
    kReleaseOne,
    kReleaseOne,
    {"DeviceManager::HrInstallComponent() | Exit...",
     "DeviceManager::HrInstallNetComponent() | Exit..."},
    kReleaseWithLock,
    {"DeviceManager::InstallSpecifiedComponent() | Exit..."},
});

// The service start and the binding configuration after a successful installation, on a machine
// with two physical adapters besides the virtual one.
const Lines kConfiguration = {
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

// One removal cycle that finds, removes and applies.
const Lines kRemovalCycle = Join({
    {"DeviceManager::UninstallDriver() | Enter..."},
    kGetWithLock,
    {"DeviceManager::UninstallDriver() FindComponent was successful.",
     "DeviceManager::UninstallDriver() ClassGuid OK..",
     "DeviceManager::UninstallDriver() QueryNetCfgClass OK..",
     "DeviceManager::UninstallDriver() QueryInterface OK..",
     "DeviceManager::UninstallDriver() Uninstall OK..."},
    kReleaseOne,
    kReleaseOne,
    kReleaseOne,
    kReleaseWithLock,
    {"DeviceManager::UninstallDriver() | Exit..."},
});

Lines RemovalNotFound(const std::string& componentId, const std::string& findResult) {
    return Join({
        {"DeviceManager::UninstallDriver() | Enter..."},
        kGetWithLock,
        {"<ERROR> | DeviceManager::UninstallDriver() Couldn't get an interface pointer to " +
             componentId + ".",
         "<ERROR> | DeviceManager::UninstallDriver() FindComponent returned " + findResult},
        kReleaseWithLock,
        {"DeviceManager::UninstallDriver() | Exit..."},
    });
}

Lines RemovalLockRefused(const std::string& holder) {
    return Join({
        {"DeviceManager::UninstallDriver() | Enter...", "DeviceManager::HrGetINetCfg() | Enter...",
         "DeviceManager::HrGetINetCfg() | QueryInterface returns OK..."},
        kReleaseOne,
        kReleaseOne,
        {"DeviceManager::HrGetINetCfg() | Exit...",
         "<ERROR> | DeviceManager::UninstallDriver() " + holder +
             " currently holds the lock, try later.",
         "<ERROR> | DeviceManager::UninstallDriver() HrGetINetCfg returned hr='-2147180508' / "
         "hr='0x8004a024'",
         "DeviceManager::UninstallDriver() | Exit..."},
    });
}

const Lines kBothRemovalsFailed = {
    "<ERROR> | DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed.",
    "<ERROR> | DeviceManager::Uninstaller() Uninstall of virtual switch and/or virtual ethernet "
    "adapter failed.",
    "DeviceManager::Uninstaller() | Exit...",
};

const char kSwitchRemovalFailed[] =
    "<ERROR> | DeviceManager::Uninstaller() Virtual Switch uninstall failed.";

}  // namespace

Lines InstallSucceeds() {
    return Join({
        kInstallStart,
        {"DeviceManager::Installer() Installing Virtual Ethernet Adapter..."},
        kInstallCycle,
        {"DeviceManager::InstallDriver() | Exit...",
         "DeviceManager::Installer() Installing Virtual Ethernet Adapter succeeded.",
         "DeviceManager::Installer() Installing Virtual Switch..."},
        kInstallCycle,
        {"DeviceManager::InstallDriver() | Exit...",
         "DeviceManager::Installer() Installing Virtual Switch succeeded.",
         "DeviceManager::Installer() | Exit...",
         "Installation of Virtual Ethernet Adapter and Virtual Switch is finished."},
        kConfiguration,
    });
}

Lines UninstallSucceeds() {
    return Join({
        kUninstallStart,
        kRemovalCycle,
        {"DeviceManager::Uninstaller() Virtual Switch uninstall succeeded."},
        kRemovalCycle,
        {"DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall succeeded.",
         "DeviceManager::Uninstaller() Uninstall of virtual switch and virtual ethernet adapter "
         "succeeded.",
         "DeviceManager::Uninstaller() | Exit..."},
    });
}

Lines UninstallFindsNothing(const std::string& findResult) {
    return Join({
        kUninstallStart,
        RemovalNotFound("QUORIX_NdisLwf", findResult),
        {kSwitchRemovalFailed},
        RemovalNotFound("root\\quorixvmini60_a", findResult),
        kBothRemovalsFailed,
    });
}

Lines UninstallWhileLockHeld(const std::string& holder) {
    return Join({
        kUninstallStart,
        RemovalLockRefused(holder),
        {kSwitchRemovalFailed},
        RemovalLockRefused(holder),
        kBothRemovalsFailed,
    });
}

Lines InstallAdapterApplyAnswersReboot(const std::string& adapterInfPath) {
    return Join({
        kInstallStart,
        {"DeviceManager::Installer() Installing Virtual Ethernet Adapter..."},
        kInstallCycle,
        {"<ERROR> | DeviceManager::InstallDriver() InstallSpecifiedComponent returned "
         "hr='303136' / hr='0x0004a020'",
         "<ERROR> | DeviceManager::InstallDriver() InstallSpecifiedComponent szFileFullPath='" +
             adapterInfPath + "'",
         "DeviceManager::InstallDriver() | Exit...",
         "<ERROR> | DeviceManager::Installer() Installing Virtual Ethernet adapter failed. "
         "'InstallDriver()' returned hr='303136' / hr='0x0004a020'",
         "DeviceManager::Installer() | Exit...",
         "<ERROR> | Installation of virtual ethernet adapter failed. 'Installer()' returned "
         "result=901"},
    });
}

Lines UninstallSwitchApplyAnswersReboot() {
    return Join({
        kUninstallStart,
        kRemovalCycle,
        {kSwitchRemovalFailed},
        kRemovalCycle,
        {"DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall succeeded.",
         "<ERROR> | DeviceManager::Uninstaller() Uninstall of virtual switch and/or virtual "
         "ethernet adapter failed.",
         "DeviceManager::Uninstaller() | Exit..."},
    });
}

}  // namespace expected_runs
