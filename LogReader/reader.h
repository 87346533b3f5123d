// The reader's work from its options to its output: find and read the log, cut it into runs,
// summarise them and format the summaries.
#pragma once

#include "code_page.h"

#include <filesystem>
#include <optional>
#include <string>

namespace logreader {

struct ReaderOptions {
    std::optional<std::filesystem::path> file;  // none: the file DriverInstaller writes to
    bool lastRunOnly = false;                   // --last
    bool json = false;                          // --json
    unsigned codePage = kThreadAnsiCodePage;    // --code-page N
};

struct ReaderResult {
    int exitCode = 0;    // 0, or 2 when there is no log to summarise
    std::string output;  // the summaries (UTF-8)
    std::string error;   // the one-line error (UTF-8, without line end) when exitCode is 2
};

constexpr int kExitNoLog = 2;

// Summarises the log the options name: one text block, or one JSON document on a line of its
// own, per run. A file that cannot be read, is empty or holds no start banner, and a code page
// the platform cannot read, give exit code 2 and a one-line error.
ReaderResult RunReader(const ReaderOptions& options);

// A file name as messages show it: in single quotes, in UTF-8 (see PathToUtf8).
std::string Quoted(const std::filesystem::path& path);

}  // namespace logreader
