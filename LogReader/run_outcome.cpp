#include "run_outcome.h"

#include "message_match.h"
#include "program_lines.h"
#include "result_mentions.h"
#include "result_names.h"

#include <string_view>
#include <vector>

namespace logreader {

const char kOutcomeUnknown[] = "unknown: the run's last lines are missing";

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitSwitchRemovalFailed = 904;
constexpr int kExitAdapterRemovalFailed = 903;
constexpr int kExitNoCommand = 905;
constexpr int kExitRefused = 906;
constexpr int kExitNotYet = -1;

// The lines that settle a run's command, and for some its exit code too, as DriverInstaller
// writes them.
struct CommandLine {
    std::string_view message;
    bool onlyAsError;  // counts only as an <ERROR> line
    const char* command;
    int exitCode;  // kExitNotYet: the command's own lines settle it later
};

constexpr CommandLine kCommandLines[] = {
    {"Admin rights are required to install the driver!", true,
     "not looked at: the process is not elevated", kExitRefused},
    {"Too less command arguments, [install] or [uninstall] expected", false,
     "none: no command argument", kExitNoCommand},
    {"Command found: invalid command", false, "not recognised", kExitRefused},
    {kInstallCommand, false, "Install", kExitNotYet},
    {kUninstallCommand, false, "Uninstall", kExitNotYet},
};

}  // namespace

void OutcomeTracker::See(const LogLine& line) {
    if (!line.parsed || settled_) {
        return;
    }
    for (const CommandLine& known : kCommandLines) {
        if (line.message == known.message && (line.isError || !known.onlyAsError)) {
            command_ = known.command;
            if (known.exitCode != kExitNotYet) {
                Settle(known.exitCode);
            }
            return;
        }
    }
    if (command_ == "Install") {
        SeeInstallLine(line);
    } else if (command_ == "Uninstall") {
        SeeUninstallLine(line);
    }
}

RunOutcome OutcomeTracker::Outcome() const {
    RunOutcome outcome;
    outcome.command = command_.empty() ? "unknown: no line of the run names it" : command_;
    if (!unreadExitCode_.empty()) {
        outcome.outcome = "unknown: the exit code is written as " + unreadExitCode_ +
                          ", which is none of DriverInstaller's";
        return outcome;
    }
    outcome.complete = settled_;
    outcome.exitCode = settled_ ? exitCode_ : 0;
    outcome.outcome = settled_ ? ExitCodeMeaning(exitCode_) : kOutcomeUnknown;
    if (settled_ && outcome.outcome.empty()) {
        outcome.outcome = "not one of DriverInstaller's exit codes";
    }
    return outcome;
}

void OutcomeTracker::Settle(int exitCode) {
    exitCode_ = exitCode;
    settled_ = true;
}

void OutcomeTracker::SeeInstallLine(const LogLine& line) {
    if (line.isError && StartsWith(line.message, kInstallFailedPrefix)) {
        // The result as the reader decodes it everywhere: a value that does not fit the
        // installer's int is kept as written.
        const std::vector<DecodedResult> results = DecodeResults(line.message);
        if (results.empty() || results.back().kind != ResultKind::ExitCode) {
            return;
        }
        if (!results.back().inRange) {
            unreadExitCode_ = results.back().written;
            settled_ = true;
            return;
        }
        Settle(static_cast<int>(results.back().value));
    } else if ((!line.isError && line.message == kBindingsSucceeded) ||
               (line.isError && StartsWith(line.message, kBindingsFailedPrefix))) {
        Settle(kExitSuccess);
    }
}

void OutcomeTracker::SeeUninstallLine(const LogLine& line) {
    if (line.isError && line.message == kSwitchRemovalFailed) {
        switchFailed_ = true;
    } else if (line.isError && line.message == kAdapterRemovalFailed) {
        adapterFailed_ = true;
    } else if (!line.isError && line.message == kUninstallerExit) {
        Settle(adapterFailed_  ? kExitAdapterRemovalFailed
               : switchFailed_ ? kExitSwitchRemovalFailed
                               : kExitSuccess);
    }
}

}  // namespace logreader
