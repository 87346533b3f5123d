#include "log_runs.h"

#include "log_file.h"
#include "run_splitter.h"

#include <optional>
#include <utility>

namespace logreader {

namespace {

// Summarises each run the splitter finds and hands it on when it ends.
class SummarizingSink : public RunSink {
public:
    explicit SummarizingSink(const std::function<void(RunSummary&&)>& onRun) : onRun_(onRun) {}

    void BeginRun(bool startMissing) override { summarizer_.emplace(++runs_, startMissing); }
    void AddLine(const LogLine& line) override { summarizer_->See(line); }
    void EndRun() override {
        RunSummary summary = summarizer_->Finish();
        summarizer_.reset();
        onRun_(std::move(summary));
    }

    int runs() const { return runs_; }

private:
    const std::function<void(RunSummary&&)>& onRun_;
    std::optional<RunSummarizer> summarizer_;
    int runs_ = 0;
};

}  // namespace

LogRead SummarizeRuns(std::istream& stream, unsigned codePage,
                      const std::function<void(RunSummary&&)>& onRun) {
    SummarizingSink sink(onRun);
    RunSplitter splitter(&sink);
    LineReader reader(stream, codePage);
    FileLine fileLine;
    while (reader.Next(&fileLine)) {
        LogLine line = ParseLogLine(fileLine.text);
        line.cutBytes = fileLine.cutBytes;
        splitter.Add(std::move(line));
    }
    LogRead read;
    read.failed = reader.failed();
    read.bytes = reader.bytesRead();
    // A stream that failed part way is not summarised further: its last run is not handed on.
    read.sawBanner = !read.failed && splitter.Finish();
    read.runs = sink.runs();
    return read;
}

}  // namespace logreader
