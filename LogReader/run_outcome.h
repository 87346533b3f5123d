// A run's command and the exit code its lines imply, followed line by line.
#pragma once

#include "log_line.h"

#include <string>

namespace logreader {

// The outcome of a run whose lines stop before its exit code is settled.
extern const char kOutcomeUnknown[];

struct RunOutcome {
    std::string command;    // "Install", "Uninstall", or what happened instead
    bool complete = false;  // the lines that fix the exit code are there
    int exitCode = 0;       // meaningful when complete
    std::string outcome;    // the exit code's meaning, or why it is unknown
};

// Follows the run's lines to its command and, when the deciding line is there, its exit code.
class OutcomeTracker {
public:
    void See(const LogLine& line);
    RunOutcome Outcome() const;

private:
    void Settle(int exitCode);
    void SeeInstallLine(const LogLine& line);
    void SeeUninstallLine(const LogLine& line);

    std::string command_;
    bool settled_ = false;
    int exitCode_ = 0;
    std::string unreadExitCode_;  // an exit code written too large for its field, as written
    bool switchFailed_ = false;
    bool adapterFailed_ = false;
};

}  // namespace logreader
