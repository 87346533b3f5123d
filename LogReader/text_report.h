// The runs' summaries as text for a person.
#pragma once

#include "run_summary.h"

#include <string>

namespace logreader {

// One block for the run, ending in an empty line:
//   Run 2, started 2026-12-07 21:40:12
//     Command: Uninstall
//     Outcome: exit code 903: removing the virtual ethernet adapter failed, ...
//     Left installed: the virtual ethernet adapter (its removal failed)
//     Lock holder: Other Setup Wizard
//     Errors:
//       21:40:17 DeviceManager::UninstallDriver() HrGetINetCfg returned hr='-2147180508' / ...
//         hr 0x8004a024 = NETCFG_E_NO_WRITE_LOCK: another program holds the write lock ...
// Lines that are not log lines are listed among the errors, as they are, after "not a log line: ".
// Controls from the log are written as visible escapes (see VisibleText).
std::string FormatRunText(const RunSummary& run);

}  // namespace logreader
