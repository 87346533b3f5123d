// DriverInstaller's own lines that tell the reader what a run did, as the program writes them.
// A line known by its start alone is a ...Prefix; everything after it varies.
#pragma once

#include <string_view>

namespace logreader {

// The command the run was given.
constexpr std::string_view kInstallCommand = "Command found: install ethernet adapter and switch";
constexpr std::string_view kUninstallCommand =
    "Command found: uninstall ethernet adapter and switch";

// Install: each component's installation cycle, then the sequence's and the run's outcome.
constexpr std::string_view kInstallCycleEnter = "DeviceManager::InstallDriver() | Enter...";
// Written just before the class's Install: the first step of a cycle that can change the
// component. Every step before it (COM, the configuration object, the write lock, the
// initialisation, the INF copy into the store) leaves the component as it was.
constexpr std::string_view kInstallCall =
    "DeviceManager::HrInstallComponent() QueryNetCfgClass returns OK...";
constexpr std::string_view kAdapterInstalled =
    "DeviceManager::Installer() Installing Virtual Ethernet Adapter succeeded.";
constexpr std::string_view kAdapterInstallFailedPrefix =
    "DeviceManager::Installer() Installing Virtual Ethernet adapter failed. ";
constexpr std::string_view kSwitchInstalled =
    "DeviceManager::Installer() Installing Virtual Switch succeeded.";
constexpr std::string_view kSwitchInstallFailedPrefix =
    "DeviceManager::Installer() Installing Virtual Switch failed. ";
constexpr std::string_view kInstallerExit = "DeviceManager::Installer() | Exit...";
// The install sequence's result, when it is not 0, becomes the exit code ...
constexpr std::string_view kInstallFailedPrefix =
    "Installation of virtual ethernet adapter failed. 'Installer()' returned result=";
// ... and when it is 0, the binding configuration's outcome is the run's last line.
constexpr std::string_view kBindingsSucceeded =
    "Configuration of IPv6 and Virtual Switch succeeded.";
constexpr std::string_view kBindingsFailedPrefix =
    "Configuration of IPv6 and Virtual Switch failed. ";

// Uninstall: a removal cycle for each component (for the adapter, one for each instance), then
// each component's outcome, and the Exit line that ends the run.
constexpr std::string_view kRemovalCycleEnter = "DeviceManager::UninstallDriver() | Enter...";
constexpr std::string_view kRemovalCycleExit = "DeviceManager::UninstallDriver() | Exit...";
// Every line of a removal cycle's own begins so.
constexpr std::string_view kRemovalCyclePrefix = "DeviceManager::UninstallDriver() ";
constexpr std::string_view kRemovalFound =
    "DeviceManager::UninstallDriver() FindComponent was successful.";
// FindComponent's S_FALSE: no component has the id.
constexpr std::string_view kRemovalNotFound =
    "DeviceManager::UninstallDriver() FindComponent returned hr='1' / hr='0x00000001'";
constexpr std::string_view kRemovalDeinstalled = "DeviceManager::UninstallDriver() Uninstall OK...";
constexpr std::string_view kSwitchRemoved =
    "DeviceManager::Uninstaller() Virtual Switch uninstall succeeded.";
constexpr std::string_view kSwitchRemovalFailed =
    "DeviceManager::Uninstaller() Virtual Switch uninstall failed.";
constexpr std::string_view kAdapterRemoved =
    "DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall succeeded.";
constexpr std::string_view kAdapterRemovalFailed =
    "DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed.";
constexpr std::string_view kUninstallerExit = "DeviceManager::Uninstaller() | Exit...";

// An installation's failure line ends with this result when its last Apply answered
// NETCFG_S_REBOOT: the change was made and takes effect after a restart.
constexpr std::string_view kRebootResult = "hr='303136' / hr='0x0004a020'";

}  // namespace logreader
