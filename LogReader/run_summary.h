// What a person needs to know about one run: its command, its outcome as the exit code its lines
// imply, its error lines with their results decoded, and who held the lock when it was refused.
#pragma once

#include "left_installed.h"
#include "result_mentions.h"
#include "run_splitter.h"

#include <string>
#include <vector>

namespace logreader {

// An error line, or a line that is not a log line and is shown as it is.
struct NotableLine {
    bool parsed = true;                  // false: not a log line; text is the line as it is
    std::string time;                    // "HH:MM:SS" of an error line
    std::string text;                    // the error line's message, or the unparsed line
    std::vector<DecodedResult> results;  // the results the message holds, decoded
};

struct RunSummary {
    int number = 0;               // 1 for the file's first run
    bool startMissing = false;    // the run's banner is not in the file
    std::string started;          // "YYYY-MM-DD HH:MM:SS" of its first line; empty when none
    std::string command;          // "Install", "Uninstall", or what happened instead
    bool complete = false;        // the lines that fix the exit code are there
    int exitCode = 0;             // meaningful when complete
    std::string outcome;          // the exit code's meaning, or why it is unknown
    LeftInstalled leftInstalled;  // what the run left installed, as far as its lines show
    std::vector<std::string> lockHolders;  // who held the write lock when it was refused
    std::vector<NotableLine> lines;
};

// The outcome of a run whose lines stop before its exit code is settled.
extern const char kOutcomeUnknown[];

// Summarises one run, numbered number.
RunSummary SummarizeRun(const RunLines& run, int number);

}  // namespace logreader
