#include "run_splitter.h"

#include <string>

namespace logreader {

namespace {

constexpr std::size_t kPrefixOnlyLines = 3;
constexpr std::size_t kRuleLength = 68;

bool IsPrefixOnly(const LogLine& line) {
    return line.parsed && !line.isError && line.message.empty();
}

bool IsRule(const LogLine& line) {
    return line.parsed && !line.isError && line.message == std::string(kRuleLength, '=');
}

}  // namespace

bool StartsBanner(const std::vector<LogLine>& lines, std::size_t index) {
    if (index + kPrefixOnlyLines >= lines.size()) {
        return false;
    }
    for (std::size_t k = 0; k < kPrefixOnlyLines; ++k) {
        if (!IsPrefixOnly(lines[index + k])) {
            return false;
        }
    }
    return IsRule(lines[index + kPrefixOnlyLines]);
}

std::vector<RunLines> SplitRuns(const std::vector<LogLine>& lines) {
    std::vector<RunLines> runs;
    RunLines beforeFirstBanner;
    beforeFirstBanner.startMissing = true;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (StartsBanner(lines, i)) {
            runs.emplace_back();
        }
        RunLines& run = runs.empty() ? beforeFirstBanner : runs.back();
        run.lines.push_back(lines[i]);
    }
    if (runs.empty()) {
        return runs;
    }
    // Prefix-only lines alone before the first banner are what is left of a banner cut short.
    bool onlyPrefixLines = true;
    for (const LogLine& line : beforeFirstBanner.lines) {
        onlyPrefixLines = onlyPrefixLines && IsPrefixOnly(line);
    }
    if (!onlyPrefixLines) {
        runs.insert(runs.begin(), beforeFirstBanner);
    }
    return runs;
}

}  // namespace logreader
