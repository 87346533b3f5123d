// What the call site sweeps fail and where: the four whole runs whose fault-free journals give the
// call sites, and the failing results a COM call is given. The Linux sweep fails every platform
// call site with these; the Wine sweep fails the network configuration engine's sites with the
// same rules in the Windows build and compares it with the Linux build.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace reliability {

// A run of one command from one starting machine, and the exit code it ends with when no call
// fails.
struct Scenario {
    std::string name;
    std::string command;
    bool componentsInstalled;
    int exitCode;
};

// Install on a fresh machine and over both components, Uninstall of both and on a fresh machine.
const std::vector<Scenario>& Scenarios();

// A failing result that fits the call, with the last error the platform would leave ("": none).
struct Failure {
    std::string result;
    std::string lastError;
};

// The fault rule that makes the n-th call of its name fail so.
std::string RuleText(const std::string& call, const Failure& failure, unsigned n);

// The call's name in a journal entry ("INetCfg::Apply -> 0x00000000" gives "INetCfg::Apply").
std::string CallName(const std::string& entry);

// Whether the network configuration engine answers the call: the INetCfg family's methods and
// the creation of the configuration object.
bool IsEngineCall(const std::string& call);

// The failing results of a COM call (an interface's method, CoInitializeEx, CoCreateInstance):
// E_FAIL, S_FALSE where the platform itself can answer it, NETCFG_S_REBOOT where a
// configuration change can ask for a restart. None for any other call.
std::optional<std::vector<Failure>> ComFailuresOf(const std::string& call);

// Whether failing the site of this fault-free journal entry so changes its answer: a result the
// call already gives in the fault-free run is no new failure.
bool IsNewFailure(const Failure& failure, const std::string& baselineEntry);

}  // namespace reliability
