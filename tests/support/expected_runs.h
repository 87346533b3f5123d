// Whole logs of whole DriverInstaller runs, as every build must write them: the messages without
// their time prefix, one string a line. The Linux process tests and the Wine tests of the
// Windows executable compare their runs' logs with these same tables.
#pragma once

#include <initializer_list>
#include <string>
#include <vector>

namespace expected_runs {

using Lines = std::vector<std::string>;

Lines Join(std::initializer_list<Lines> pieces);

// ---- Pieces (functions, so that other files' tables can be built from them at any time)
// The start banner of every run.
const Lines& Banner();
// One traced release of an interface, and of a null reference.
const Lines& ReleaseOne();
const Lines& ReleaseNull();
// HrGetINetCfg granted the write lock and initialised, and HrReleaseINetCfg after it.
const Lines& GetWithLock();
const Lines& ReleaseWithLock();
// An Install run up to the point where the INF files have been found.
Lines InstallStart();
// An Install run up to its adapter cycle's granted write lock and initialised configuration.
Lines AdapterCycleStart();
// InstallSpecifiedComponent's end after the class installer failed with hr, written as the hr
// line writes it ("hr='-2147467259' / hr='0x80004005'"), from HrInstallComponent's Exit line on.
Lines ComponentInstallFailed(const std::string& hr);
// The end of an Install run whose adapter cycle failed with hr; adapterInfPath is the INF full
// path as the program built it.
Lines AdapterInstallFailed(const std::string& hr, const std::string& adapterInfPath);

// ---- Whole runs on a machine whose network configuration behaves as documented
// Install on a fresh machine: both components installed, npf started, the bindings set.
Lines InstallSucceeds();
// Uninstall after that Install, or after adapterInstances Installs: both components removed,
// the adapter in a cycle for each of its instances.
Lines UninstallSucceeds(int adapterInstances = 1);
// Uninstall with neither component installed: FindComponent answers findResult, written as
// the hr line writes it ("hr='1' / hr='0x00000001'" for S_FALSE).
Lines UninstallFindsNothing(const std::string& findResult);
// Uninstall on a machine whose store is corrupt: Initialize answers ERROR_INVALID_DATA in both
// removal cycles.
Lines UninstallStoreCorrupt();
// Uninstall while another client holds the write lock and describes itself as holder.
Lines UninstallWhileLockHeld(const std::string& holder);
// Install whose adapter cycle's second Apply answers NETCFG_S_REBOOT; adapterInfPath is the INF
// full path as the program built it.
Lines InstallAdapterApplyAnswersReboot(const std::string& adapterInfPath);
// Install on a system without the network configuration class (on the simulated platform, a
// folder that holds no machine): the adapter cycle's CoCreateInstance answers REGDB_E_CLASSNOTREG.
Lines InstallWithoutConfigurationClass(const std::string& adapterInfPath);
// Install whose adapter INF cannot be copied into the INF store and is not published already:
// the copy failure line names adapterInfPath whole, and the installation fails.
Lines InstallAdapterInfNotCopied(const std::string& adapterInfPath);
// Install while another client holds the write lock and describes itself as holder: the adapter
// cycle is refused; adapterInfPath is the INF full path as the program built it.
Lines InstallWhileLockHeld(const std::string& holder, const std::string& adapterInfPath);
// Install whose switch installation the class installer refuses with hr, written as the hr line
// writes it; the adapter stays installed. switchInfPath is the INF full path as the program built
// it.
Lines InstallSwitchRefused(const std::string& hr, const std::string& switchInfPath);
// Uninstall with the adapter alone installed: the switch is not found (S_FALSE), the adapter is
// removed.
Lines UninstallAdapterAlone();
// Uninstall with the adapter alone installed whose DeInstall answers E_FAIL: the switch is not
// found, and the adapter stays.
Lines UninstallAdapterAloneStays();
// Uninstall (after an Install, or after Installs that left adapterInstances instances) whose
// switch removal's Apply answers NETCFG_S_REBOOT.
Lines UninstallSwitchApplyAnswersReboot(int adapterInstances = 1);
// Uninstall after three Installs whose second adapter cycle's DeInstall answers E_FAIL: the switch
// and one adapter instance removed, and no third adapter cycle.
Lines UninstallSecondAdapterCycleFails();
// Uninstall (after an Install) while another product also references the switch: its DeInstall
// answers NETCFG_S_STILL_REFERENCED, nothing is applied for it, and the adapter is removed.
Lines UninstallSwitchStillReferenced();

}  // namespace expected_runs
