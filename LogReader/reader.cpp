#include "reader.h"

#include "json_report.h"
#include "log_file.h"
#include "log_location.h"
#include "run_splitter.h"
#include "run_summary.h"
#include "terminal_text.h"
#include "text_report.h"

#include <string>
#include <vector>

namespace logreader {

namespace {

ReaderResult Failure(const std::string& error) {
    return ReaderResult{kExitNoLog, {}, error};
}

int LeftInstalledExitCode(Verdict verdict) {
    switch (verdict) {
        case Verdict::Nothing:
            return kExitNothingLeft;
        case Verdict::Something:
            return kExitSomethingLeft;
        case Verdict::Unknown:
            break;
    }
    return kExitCannotTell;
}

}  // namespace

std::string Quoted(const std::filesystem::path& path) {
    // A name may hold any character: it reaches the terminal as the report's text does.
    return "'" + VisibleText(PathToUtf8(path)) + "'";
}

ReaderResult RunReader(const ReaderOptions& options) {
    if (!CanReadCodePage(options.codePage)) {
        return Failure("code page " + std::to_string(options.codePage) + " cannot be read here");
    }
    std::filesystem::path path;
    if (options.file) {
        path = *options.file;
    } else {
        const LogLocation location = FindDefaultLogFile();
        if (!location.found) {
            return Failure(location.reason);
        }
        path = location.path;
    }

    const LogFileText file = ReadLogFile(path, options.codePage);
    if (!file.readable) {
        return Failure("cannot read " + Quoted(path));
    }
    if (file.lines.empty()) {
        return Failure(Quoted(path) + " is empty");
    }
    std::vector<LogLine> lines;
    lines.reserve(file.lines.size());
    for (const std::string& line : file.lines) {
        lines.push_back(ParseLogLine(line));
    }
    const std::vector<RunLines> runs = SplitRuns(lines);
    if (runs.empty()) {
        return Failure(Quoted(path) + " is not a DriverInstaller log: it holds no start banner");
    }

    ReaderResult result;
    if (options.leftInstalledOnly) {
        const RunSummary summary = SummarizeRun(runs.back(), static_cast<int>(runs.size()));
        result.output = "Left installed: " + LeftInstalledText(summary.leftInstalled) + "\n";
        result.exitCode = LeftInstalledExitCode(summary.leftInstalled.verdict);
        return result;
    }
    const std::size_t first = options.lastRunOnly ? runs.size() - 1 : 0;
    for (std::size_t i = first; i < runs.size(); ++i) {
        const RunSummary summary = SummarizeRun(runs[i], static_cast<int>(i) + 1);
        result.output += options.json ? FormatRunJson(summary) + "\n" : FormatRunText(summary);
    }
    return result;
}

}  // namespace logreader
