// The log's runs: every run starts with a banner of three prefix-only lines, a line of 68 '=',
// "< START >" and the '=' line again. Runs appended to one file are cut apart at those banners,
// line by line, holding no more than the three lines that may start a banner.
#pragma once

#include "log_line.h"

#include <optional>
#include <vector>

namespace logreader {

// What the splitter hands on: each run's start, its lines in file order, its end.
class RunSink {
public:
    virtual void BeginRun(bool startMissing) = 0;
    virtual void AddLine(const LogLine& line) = 0;
    virtual void EndRun() = 0;

protected:
    ~RunSink() = default;
};

// Cuts the log's lines into runs as they come. A run starts at three prefix-only lines followed
// by the line of 68 '='. Lines before the first banner, if any, form a run of their own whose
// start is missing, unless they are prefix-only lines alone (what is left of a banner cut
// short); that run is ended only once a banner follows.
class RunSplitter {
public:
    explicit RunSplitter(RunSink* sink) : sink_(sink) {}

    void Add(LogLine line);
    // After the last line: ends the run under way. Returns false, ending nothing, when no line
    // started a banner: the file is not DriverInstaller's log.
    bool Finish();

private:
    void Deliver(LogLine line);

    RunSink* sink_;
    std::vector<LogLine> pending_;  // prefix-only lines that may start a banner (three at most)
    std::optional<LogLine> headlessFirst_;  // before any run: the first prefix-only line
    bool inRun_ = false;
    bool sawBanner_ = false;
};

struct RunLines {
    bool startMissing = false;   // lines before the file's first banner: a run whose start is gone
    std::vector<LogLine> lines;  // the run's lines, its banner included, in file order
};

// Every run of the lines, held whole (for the tests); none when the lines hold no banner.
std::vector<RunLines> SplitRuns(const std::vector<LogLine>& lines);

}  // namespace logreader
