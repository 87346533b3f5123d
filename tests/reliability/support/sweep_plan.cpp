#include "support/sweep_plan.h"

#include "support/exit_codes.h"

namespace reliability {

namespace {

constexpr char kEFail[] = "E_FAIL";
constexpr char kSFalse[] = "S_FALSE";
constexpr char kNetCfgSReboot[] = "NETCFG_S_REBOOT";
// How the journal writes S_FALSE at the end of an entry.
constexpr char kJournalSFalse[] = "0x00000001";
// How it writes an open that found nothing to open.
constexpr char kJournalNoHandle[] = " -> INVALID_HANDLE_VALUE";

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

const std::vector<Scenario>& Scenarios() {
    using namespace testsupport::exit_code;
    static const std::vector<Scenario> scenarios = {
        {"Install on a fresh machine", "Install", false, kOk},
        {"Install over both components", "Install", true, kOk},
        {"Uninstall of both components", "Uninstall", true, kOk},
        // Neither component is found: the adapter's removal fails.
        {"Uninstall on a fresh machine", "Uninstall", false, kAdapterRemovalFailed},
    };
    return scenarios;
}

std::string RuleText(const std::string& call, const Failure& failure, unsigned n) {
    std::string rule = call + " " + failure.result + " nth " + std::to_string(n);
    if (!failure.lastError.empty()) {
        rule += " error " + failure.lastError;
    }
    return rule;
}

std::string CallName(const std::string& entry) {
    return entry.substr(0, entry.find(' '));
}

bool IsEngineCall(const std::string& call) {
    return call.find("::") != std::string::npos || call == "CoCreateInstance";
}

std::optional<std::vector<Failure>> ComFailuresOf(const std::string& call) {
    if (!IsEngineCall(call) && call != "CoInitializeEx") {
        return std::nullopt;
    }
    std::vector<Failure> failures = {{kEFail, ""}};
    if (call == "CoInitializeEx" || call == "INetCfgLock::AcquireWriteLock" ||
        call == "INetCfg::FindComponent" || call.find("::Next") != std::string::npos) {
        failures.push_back({kSFalse, ""});
    }
    if (call == "INetCfg::Apply" || call == "INetCfgClassSetup::DeInstall" ||
        call == "INetCfgClassSetup::Install") {
        failures.push_back({kNetCfgSReboot, ""});
    }
    return failures;
}

bool IsNewFailure(const Failure& failure, const std::string& baselineEntry) {
    if (failure.result == kSFalse) {
        return !EndsWith(baselineEntry, kJournalSFalse);
    }
    // The log's first open of a file that is not there yet fails in every run.
    return !(failure.result == "0" && EndsWith(baselineEntry, kJournalNoHandle));
}

}  // namespace reliability
