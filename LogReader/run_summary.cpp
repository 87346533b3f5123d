#include "run_summary.h"

#include "message_match.h"
#include "result_names.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <utility>

namespace logreader {

namespace {

// "<operation>() <holder> currently holds the lock, try later."
constexpr std::string_view kLockHolderPrefixes[] = {"DeviceManager::InstallSpecifiedComponent() ",
                                                    "DeviceManager::UninstallDriver() "};
constexpr std::string_view kLockHolderSuffix = " currently holds the lock, try later.";

// What a kept line costs besides its text: its strings' and results' own room.
constexpr std::size_t kKeptLineOverhead = 128;

// The holder a holder line names; none for a line that names no one between its two parts.
std::optional<std::string> LockHolder(const LogLine& line) {
    if (!line.isError || !EndsWith(line.message, kLockHolderSuffix)) {
        return std::nullopt;
    }
    for (const std::string_view operation : kLockHolderPrefixes) {
        if (line.message.size() > operation.size() + kLockHolderSuffix.size() &&
            StartsWith(line.message, operation)) {
            return line.message.substr(operation.size(), line.message.size() - operation.size() -
                                                             kLockHolderSuffix.size());
        }
    }
    return std::nullopt;
}

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

std::size_t KeptSize(const NotableLine& line) {
    std::size_t size = kKeptLineOverhead + line.text.size();
    for (const DecodedResult& result : line.results) {
        size += kKeptLineOverhead + result.written.size();
    }
    return size;
}

}  // namespace

RunSummarizer::RunSummarizer(int number, bool startMissing) {
    summary_.number = number;
    summary_.startMissing = startMissing;
}

void RunSummarizer::See(const LogLine& line) {
    outcome_.See(line);
    leftInstalled_.See(line);
    if (line.parsed && summary_.started.empty()) {
        summary_.started = TimeStamp(line);
    }
    const bool notable = !line.parsed || line.isError || line.cutBytes > 0;
    if (notable && keptBytes_ > kMostKeptLineBytes) {
        // Past the most a report keeps, a line is only counted: not even decoded.
        ++summary_.linesNotKept;
        return;
    }
    if (!line.parsed) {
        Keep(NotableLine{false, {}, line.raw, {}, false, line.cutBytes});
        return;
    }
    if (!line.isError) {
        if (line.cutBytes > 0) {
            Keep(NotableLine{true, line.time, line.message, {}, false, line.cutBytes});
        }
        return;
    }
    const std::optional<std::string> holder = LockHolder(line);
    if (holder && std::find(summary_.lockHolders.begin(), summary_.lockHolders.end(), *holder) ==
                      summary_.lockHolders.end()) {
        // Every holder line names the same few clients; the room of a planted many is counted.
        keptBytes_ += kKeptLineOverhead + holder->size();
        if (keptBytes_ <= kMostKeptLineBytes) {
            summary_.lockHolders.push_back(*holder);
        }
    }
    Keep(NotableLine{true, line.time, line.message, DecodeResults(line.message), true,
                     line.cutBytes});
}

void RunSummarizer::Keep(NotableLine line) {
    keptBytes_ += KeptSize(line);
    if (keptBytes_ > kMostKeptLineBytes) {
        ++summary_.linesNotKept;
        return;
    }
    summary_.lines.push_back(std::move(line));
}

RunSummary RunSummarizer::Finish() {
    const RunOutcome outcome = outcome_.Outcome();
    summary_.command = outcome.command;
    summary_.complete = outcome.complete;
    summary_.exitCode = outcome.exitCode;
    summary_.outcome = outcome.outcome;
    summary_.leftInstalled = leftInstalled_.Finish();
    // A refused lock is blamed on another program only when the run names that program.
    if (!summary_.lockHolders.empty()) {
        NameLockHolderInRefusals(&summary_);
    }
    return std::move(summary_);
}

RunSummary SummarizeRun(const RunLines& run, int number) {
    RunSummarizer summarizer(number, run.startMissing);
    for (const LogLine& line : run.lines) {
        summarizer.See(line);
    }
    return summarizer.Finish();
}

}  // namespace logreader
