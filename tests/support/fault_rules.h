// Fault rules written as the machine's "faults" file and `netcfg-sim fault add` write them:
//   CALL RESULT [always | nth N | from N] [error N] [text TEXT...]
// e.g. "INetCfg::Apply NETCFG_S_REBOOT nth 2" or "ShellExecuteW 0 error 2".
#pragma once

#include <simwin/testing.h>

#include <string>

namespace testsupport {

// The rule the text says; a text that is no rule fails the test (and gives a rule that never
// matches a call).
simwin::FaultRule Fault(const std::string& rule);

// Adds the rule to this process's rules.
void AddFault(const std::string& rule);

}  // namespace testsupport
