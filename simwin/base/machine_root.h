// Where the simulated machine lives: the folder named by SIMWIN_ROOT.
#pragma once

#include <string>

namespace simwin {

// SIMWIN_ROOT when it is set and not empty; else on Linux "$HOME/.simwin", else "/tmp/simwin";
// on Windows "%ProgramData%\simwin" (in a Wine prefix, C:\ProgramData\simwin).
std::string MachineRoot();
// A file or folder of the machine, e.g. MachinePath("netcfg.store").
std::string MachinePath(const std::string& name);
// The machine's drive C: ("drive_c"), which "C:\" maps to.
std::string DriveFolder();
// The machine's system folder, where ShellExecuteW looks first ("drive_c/Windows/System32").
std::string SystemFolder();

}  // namespace simwin
