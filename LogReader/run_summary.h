// What a person needs to know about one run: its command, its outcome as the exit code its lines
// imply, what it left installed, its error lines with their results decoded, and who held the
// lock when it was refused. Built line by line, in bounded memory.
#pragma once

#include "left_installed.h"
#include "result_mentions.h"
#include "run_outcome.h"
#include "run_splitter.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace logreader {

// An error line, or a line that is not a log line and is shown as it is, or an ordinary line
// shown because it was cut.
struct NotableLine {
    bool parsed = true;                  // false: not a log line; text is the line as it is
    std::string time;                    // "HH:MM:SS" of a log line
    std::string text;                    // the log line's message, or the unparsed line
    std::vector<DecodedResult> results;  // the results an error line holds, decoded
    bool isError = true;                 // false: an ordinary log line, shown for its cut
    std::uint64_t cutBytes = 0;          // the bytes of the line left unread (see kLongestLine)
};

// The most text of its lines one run's summary keeps; the lines after it are counted.
constexpr std::size_t kMostKeptLineBytes = 2 * 1024 * 1024;

struct RunSummary {
    int number = 0;               // 1 for the file's first run
    bool startMissing = false;    // the run's banner is not in the file
    std::string started;          // "YYYY-MM-DD HH:MM:SS" of its first line; empty when none
    std::string command;          // "Install", "Uninstall", or what happened instead
    bool complete = false;        // the lines that fix the exit code are there
    int exitCode = 0;             // meaningful when complete
    std::string outcome;          // the exit code's meaning, or why it is unknown
    LeftInstalled leftInstalled;  // what the run left installed, as its lines show
    std::vector<std::string> lockHolders;  // who held the write lock when it was refused
    std::vector<NotableLine> lines;
    std::uint64_t linesNotKept = 0;  // notable lines beyond kMostKeptLineBytes, not kept
};

// Summarises one run from its lines, in file order.
class RunSummarizer {
public:
    RunSummarizer(int number, bool startMissing);

    void See(const LogLine& line);
    // The summary once the run's last line has been seen.
    RunSummary Finish();

private:
    void Keep(NotableLine line);

    RunSummary summary_;
    OutcomeTracker outcome_;
    LeftInstalledTracker leftInstalled_;
    std::size_t keptBytes_ = 0;
};

// Summarises one run held whole, numbered number.
RunSummary SummarizeRun(const RunLines& run, int number);

}  // namespace logreader
