// The install cycle, which changes the machine: DriverInstaller.exe from the vendor's folder
// runs Install, Install, Uninstall, Uninstall, Install, Uninstall; each run's exit code, its log
// and the machine after it are kept (the log read through the log reader's verdict of what the
// run left installed), and every answer that differs from the engine's becomes an assumption that
// differs.
#pragma once

#include "findings.h"
#include "network_view.h"

#include <string>

namespace selftest {

// Why the cycle cannot run from folder, in one line, or empty text when it can: the folder must
// exist and hold DriverInstaller.exe and both INF files, the process must be elevated, and the
// machine must be readable without either component installed (so that it can end as it began).
// Nothing is changed.
std::wstring InstallCycleRefusal(const std::wstring& folder);

// Runs the cycle from folder; each run's log and the log reader's summary of it go to
// reportFolder\logs. baseline is the machine before the first run.
void RunInstallCycle(const std::wstring& folder, const std::wstring& reportFolder,
                     const NetworkView& baseline, Findings* findings);

}  // namespace selftest
