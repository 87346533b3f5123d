// Registrations that make a Wine prefix a test machine for the Windows build: our network
// configuration engine as the in-process server of CLSID_CNetCfg, and our stand-in "npf"
// service. Windows only, and for tests only: nothing here is shipped.
//
// Every registration first asks whether the process runs under Wine and refuses, changing
// nothing, when it does not: these functions must never change a real Windows machine's
// configuration. The question is a parameter, so that a test under Wine can show the refusal.
#pragma once

#include <string>

namespace simwin {

// Answers whether the process runs under Wine.
using WineCheck = bool (*)();

// True when ntdll exports wine_get_version, which Wine's ntdll does and Windows' does not.
bool RunningUnderWine();

// Makes dllPath the in-process server of CLSID_CNetCfg in the prefix: the default value of
// HKLM\Software\Classes\CLSID\{5B035261-40F9-11D1-AAEC-00805FC1270E}\InprocServer32, with
// ThreadingModel "Both", replacing Wine's own netcfgx.dll there. Returns true when both values
// were written; otherwise false with the reason in *error. Refuses unless underWine() is true.
bool RegisterNetCfgServer(const std::wstring& dllPath, std::wstring* error,
                          WineCheck underWine = RunningUnderWine);

// Registers "npf" as a demand-start service in a process of its own whose program is
// servicePath (quoted in the command line, so that the path may hold spaces). An existing
// "npf" is reconfigured to the same settings, so that a prefix can be set up again. Returns
// true when the service is registered; otherwise false with the reason in *error. Refuses
// unless underWine() is true.
bool RegisterNpfService(const std::wstring& servicePath, std::wstring* error,
                        WineCheck underWine = RunningUnderWine);

}  // namespace simwin
