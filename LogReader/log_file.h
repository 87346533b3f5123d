// Reading the log file: its bytes, in a code page, cut into lines at LF or CR LF.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace logreader {

struct LogFileText {
    bool readable = false;           // false: the file could not be opened or read
    std::vector<std::string> lines;  // UTF-8, without line ends; a last line without one counts
};

// Reads the whole file, in codePage (see code_page.h), and cuts it into lines. An LF ends a line;
// a CR just before it is part of the line end. An empty file gives no lines.
LogFileText ReadLogFile(const std::filesystem::path& path, unsigned codePage);

// Cuts text into lines as ReadLogFile does (exposed for the tests).
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace logreader
