// The reader's work from its options to its output: find and read the log, cut it into runs,
// summarise them and format the summaries.
#pragma once

#include "code_page.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace logreader {

struct ReaderOptions {
    std::optional<std::filesystem::path> file;  // none: the file DriverInstaller writes to
    bool lastRunOnly = false;                   // --last
    bool json = false;                          // --json
    bool leftInstalledOnly = false;             // --left-installed: the last run's verdict
    unsigned codePage = kThreadAnsiCodePage;    // --code-page N
};

struct ReaderResult {
    int exitCode = 0;   // 0, or 2 when there is no log to summarise; see kExitSomethingLeft
    std::string error;  // the one-line error (UTF-8, without line end), when there is no log
};

// Where the reader's output goes, a piece at a time (UTF-8).
using OutputWriter = std::function<void(const std::string&)>;

constexpr int kExitNoLog = 2;
// --left-installed: 0 when nothing of the product is left installed after the last run, 1 when
// something is or may be, 2 when its lines cannot tell (and when there is no log).
constexpr int kExitNothingLeft = 0;
constexpr int kExitSomethingLeft = 1;
constexpr int kExitCannotTell = 2;

// Summarises the log the options name to write: one text block, or one JSON document on a line
// of its own, per run, each written as the run ends; the file is read once, as a stream. A file
// that cannot be read, is empty or holds no start banner, and a code page the platform cannot read,
// give exit code 2 and a one-line error. With leftInstalledOnly, the output is the last run's "Left
// installed: " line and the exit code its verdict's.
ReaderResult RunReader(const ReaderOptions& options, const OutputWriter& write);

// A file name as messages show it: in single quotes, in UTF-8 (see PathToUtf8).
std::string Quoted(const std::filesystem::path& path);

}  // namespace logreader
