#include "run_summary.h"

#include "result_names.h"

#include <algorithm>
#include <cstdint>
#include <optional>

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
    const char* message;
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
    {"Command found: install ethernet adapter and switch", false, "Install", kExitNotYet},
    {"Command found: uninstall ethernet adapter and switch", false, "Uninstall", kExitNotYet},
};

// Install: the install sequence's result, when it is not 0, becomes the exit code ...
constexpr char kInstallFailedPrefix[] =
    "Installation of virtual ethernet adapter failed. 'Installer()' returned result=";
// ... and when it is 0, the binding configuration's outcome is the run's last line.
constexpr char kBindingsSucceeded[] = "Configuration of IPv6 and Virtual Switch succeeded.";
constexpr char kBindingsFailedPrefix[] = "Configuration of IPv6 and Virtual Switch failed. ";
// Uninstall: the removal's Exit line ends the run; its failure lines fix the code.
constexpr char kUninstallerExit[] = "DeviceManager::Uninstaller() | Exit...";
constexpr char kSwitchRemovalFailed[] =
    "DeviceManager::Uninstaller() Virtual Switch uninstall failed.";
constexpr char kAdapterRemovalFailed[] =
    "DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed.";
// "<operation>() <holder> currently holds the lock, try later."
constexpr const char* kLockHolderPrefixes[] = {"DeviceManager::InstallSpecifiedComponent() ",
                                               "DeviceManager::UninstallDriver() "};
constexpr char kLockHolderSuffix[] = " currently holds the lock, try later.";

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

bool EndsWith(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

std::optional<std::string> LockHolder(const LogLine& line) {
    if (!line.isError || !EndsWith(line.message, kLockHolderSuffix)) {
        return std::nullopt;
    }
    for (const char* prefix : kLockHolderPrefixes) {
        const std::string operation = prefix;
        // A line with nothing between the two parts names no holder.
        const std::size_t parts = operation.size() + (sizeof kLockHolderSuffix - 1);
        if (line.message.size() > parts && StartsWith(line.message, operation)) {
            return line.message.substr(operation.size(), line.message.size() - parts);
        }
    }
    return std::nullopt;
}

// Follows the run's lines to its command and, when the deciding line is there, its exit code.
class OutcomeTracker {
public:
    void See(const LogLine& line) {
        if (!line.parsed || settled_) {
            return;
        }
        for (const CommandLine& known : kCommandLines) {
            if (line.message == known.message && (line.isError || !known.onlyAsError)) {
                if (known.exitCode == kExitNotYet) {
                    command_ = known.command;
                } else {
                    Settle(known.command, known.exitCode);
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

    void Fill(RunSummary* summary) const {
        summary->command = command_.empty() ? "unknown: no line of the run names it" : command_;
        if (!unreadExitCode_.empty()) {
            summary->outcome = "unknown: the exit code is written as " + unreadExitCode_ +
                               ", which is none of DriverInstaller's";
            return;
        }
        summary->complete = settled_;
        summary->exitCode = settled_ ? exitCode_ : 0;
        summary->outcome = settled_ ? ExitCodeMeaning(exitCode_) : kOutcomeUnknown;
        if (settled_ && summary->outcome.empty()) {
            summary->outcome = "not one of DriverInstaller's exit codes";
        }
    }

private:
    void Settle(const std::string& command, int exitCode) {
        command_ = command;
        exitCode_ = exitCode;
        settled_ = true;
    }

    void SeeInstallLine(const LogLine& line) {
        if (line.isError && StartsWith(line.message, kInstallFailedPrefix)) {
            SettleInstallResult(line.message);
        } else if ((!line.isError && line.message == kBindingsSucceeded) ||
                   (line.isError && StartsWith(line.message, kBindingsFailedPrefix))) {
            Settle(command_, kExitSuccess);
        }
    }

    // The install sequence's result as the reader decodes it everywhere: a value that does not
    // fit the installer's int is kept as written, not wrapped into an exit code.
    void SettleInstallResult(const std::string& message) {
        const std::vector<DecodedResult> results = DecodeResults(message);
        if (results.empty() || results.back().kind != ResultKind::ExitCode) {
            return;
        }
        if (!results.back().inRange) {
            unreadExitCode_ = results.back().written;
            settled_ = true;
            return;
        }
        Settle(command_, static_cast<int>(results.back().value));
    }

    void SeeUninstallLine(const LogLine& line) {
        if (line.isError && line.message == kSwitchRemovalFailed) {
            switchFailed_ = true;
        } else if (line.isError && line.message == kAdapterRemovalFailed) {
            adapterFailed_ = true;
        } else if (!line.isError && line.message == kUninstallerExit) {
            Settle(command_, adapterFailed_  ? kExitAdapterRemovalFailed
                             : switchFailed_ ? kExitSwitchRemovalFailed
                                             : kExitSuccess);
        }
    }

    std::string command_;
    bool settled_ = false;
    int exitCode_ = 0;
    std::string unreadExitCode_;  // an exit code written too large for its field, as written
    bool switchFailed_ = false;
    bool adapterFailed_ = false;
};

constexpr std::uint32_t kNoWriteLock = 0x8004A024;

void NameLockHolderInRefusals(RunSummary* summary) {
    for (NotableLine& line : summary->lines) {
        for (DecodedResult& result : line.results) {
            if (result.kind == ResultKind::Hresult && result.value == kNoWriteLock) {
                result.meaning = kNoWriteLockHolderNamed;
            }
        }
    }
}

}  // namespace

RunSummary SummarizeRun(const RunLines& run, int number) {
    RunSummary summary;
    summary.number = number;
    summary.startMissing = run.startMissing;
    OutcomeTracker outcome;
    LeftInstalledTracker leftInstalled;
    for (const LogLine& line : run.lines) {
        outcome.See(line);
        leftInstalled.See(line);
        if (line.parsed && summary.started.empty()) {
            summary.started = TimeStamp(line);
        }
        if (!line.parsed) {
            summary.lines.push_back(NotableLine{false, {}, line.raw, {}});
            continue;
        }
        if (!line.isError) {
            continue;
        }
        summary.lines.push_back(
            NotableLine{true, line.time, line.message, DecodeResults(line.message)});
        const std::optional<std::string> holder = LockHolder(line);
        if (holder && std::find(summary.lockHolders.begin(), summary.lockHolders.end(), *holder) ==
                          summary.lockHolders.end()) {
            summary.lockHolders.push_back(*holder);
        }
    }
    outcome.Fill(&summary);
    summary.leftInstalled = leftInstalled.Finish();
    // A refused lock is blamed on another program only when the run names that program.
    if (!summary.lockHolders.empty()) {
        NameLockHolderInRefusals(&summary);
    }
    return summary;
}

}  // namespace logreader
