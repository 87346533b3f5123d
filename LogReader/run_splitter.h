// The log's runs: every run starts with a banner of three prefix-only lines, a line of 68 '=',
// "< START >" and the '=' line again. Runs appended to one file are cut apart at those banners.
#pragma once

#include "log_line.h"

#include <vector>

namespace logreader {

struct RunLines {
    bool startMissing = false;   // lines before the file's first banner: a run whose start is gone
    std::vector<LogLine> lines;  // the run's lines, its banner included, in file order
};

// Cuts the log's lines into runs. A run starts at three prefix-only lines followed by the line
// of 68 '='. Lines before the first banner, if any, form a run of their own with startMissing
// set. Returns no runs when the lines hold no banner: the file is not DriverInstaller's log.
std::vector<RunLines> SplitRuns(const std::vector<LogLine>& lines);

// Whether lines[index] is the first line of a start banner.
bool StartsBanner(const std::vector<LogLine>& lines, std::size_t index);

}  // namespace logreader
