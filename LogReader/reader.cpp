#include "reader.h"

#include "json_report.h"
#include "log_file.h"
#include "log_location.h"
#include "log_runs.h"
#include "terminal_text.h"
#include "text_report.h"

#include <fstream>
#include <optional>
#include <string>

namespace logreader {

namespace {

ReaderResult Failure(const std::string& error) {
    return ReaderResult{kExitNoLog, error};
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

ReaderResult RunReader(const ReaderOptions& options, const OutputWriter& write) {
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

    std::ifstream stream;
    if (!OpenLogFile(path, &stream)) {
        return Failure("cannot read " + Quoted(path));
    }
    // Each run is written as it ends, unless only the last one is asked for.
    std::optional<RunSummary> last;
    const auto onRun = [&](RunSummary&& summary) {
        if (options.lastRunOnly) {
            // The run before is let go first, so that two are never held at once.
            last.reset();
            last = std::move(summary);
        } else {
            write(options.json ? FormatRunJson(summary) + "\n" : FormatRunText(summary));
        }
    };
    const LogRead read = SummarizeRuns(stream, options.codePage, onRun);
    if (read.failed) {
        return Failure("cannot read " + Quoted(path));
    }
    if (read.bytes == 0) {
        return Failure(Quoted(path) + " is empty");
    }
    if (!read.sawBanner) {
        return Failure(Quoted(path) + " is not a DriverInstaller log: it holds no start banner");
    }

    ReaderResult result;
    if (options.leftInstalledOnly) {
        write("Left installed: " + LeftInstalledText(last->leftInstalled) + "\n");
        result.exitCode = LeftInstalledExitCode(last->leftInstalled.verdict);
    } else if (options.lastRunOnly) {
        write(options.json ? FormatRunJson(*last) + "\n" : FormatRunText(*last));
    }
    return result;
}

}  // namespace logreader
