#include "run_splitter.h"

#include <string>
#include <utility>

namespace logreader {

namespace {

constexpr std::size_t kPrefixOnlyLines = 3;
constexpr std::size_t kRuleLength = 68;

bool IsPrefixOnly(const LogLine& line) {
    return line.parsed && !line.isError && line.message.empty();
}

bool IsRule(const LogLine& line) {
    return line.parsed && !line.isError && line.message.size() == kRuleLength &&
           line.message.find_first_not_of('=') == std::string::npos;
}

// Collects the runs whole.
class RunCollector : public RunSink {
public:
    void BeginRun(bool startMissing) override {
        runs.emplace_back();
        runs.back().startMissing = startMissing;
    }
    void AddLine(const LogLine& line) override { runs.back().lines.push_back(line); }
    void EndRun() override {}

    std::vector<RunLines> runs;
};

}  // namespace

void RunSplitter::Add(LogLine line) {
    if (IsPrefixOnly(line)) {
        pending_.push_back(std::move(line));
        if (pending_.size() > kPrefixOnlyLines) {
            Deliver(std::move(pending_.front()));
            pending_.erase(pending_.begin());
        }
        return;
    }
    if (IsRule(line) && pending_.size() == kPrefixOnlyLines) {
        if (inRun_) {
            sink_->EndRun();
        }
        sink_->BeginRun(false);
        inRun_ = true;
        sawBanner_ = true;
        headlessFirst_.reset();
    }
    for (LogLine& waiting : pending_) {
        Deliver(std::move(waiting));
    }
    pending_.clear();
    Deliver(std::move(line));
}

void RunSplitter::Deliver(LogLine line) {
    if (!inRun_) {
        // Before the first banner: prefix-only lines alone are no run; only the first one
        // matters to a run that other lines make (its time is the run's start).
        if (IsPrefixOnly(line)) {
            if (!headlessFirst_) {
                headlessFirst_ = std::move(line);
            }
            return;
        }
        sink_->BeginRun(true);
        inRun_ = true;
        if (headlessFirst_) {
            sink_->AddLine(*headlessFirst_);
            headlessFirst_.reset();
        }
    }
    sink_->AddLine(line);
}

bool RunSplitter::Finish() {
    if (!sawBanner_) {
        return false;
    }
    for (LogLine& waiting : pending_) {
        Deliver(std::move(waiting));
    }
    pending_.clear();
    sink_->EndRun();
    inRun_ = false;
    return true;
}

std::vector<RunLines> SplitRuns(const std::vector<LogLine>& lines) {
    RunCollector collector;
    RunSplitter splitter(&collector);
    for (const LogLine& line : lines) {
        splitter.Add(line);
    }
    return splitter.Finish() ? collector.runs : std::vector<RunLines>{};
}

}  // namespace logreader
