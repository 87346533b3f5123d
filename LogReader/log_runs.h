// The runs of a log read as a stream: each summarised as its lines come and handed on when it
// ends, so that a log of any size is read once, in the same memory.
#pragma once

#include "run_summary.h"

#include <cstdint>
#include <functional>
#include <istream>

namespace logreader {

struct LogRead {
    bool failed = false;      // the stream could not be read to its end
    std::uint64_t bytes = 0;  // the bytes read
    bool sawBanner = false;   // false: no line starts a run; nothing was handed on
    int runs = 0;
};

// Reads the log's bytes from stream, in codePage, and calls onRun with each run's summary as the
// run ends (the run before a banner as the banner starts, the last one at the end). Holds one
// run's summary at a time.
LogRead SummarizeRuns(std::istream& stream, unsigned codePage,
                      const std::function<void(RunSummary&&)>& onRun);

}  // namespace logreader
