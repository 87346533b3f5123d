// One line of the installer's log, taken apart: "YYYY-MM-DD___HH:MM:SS | ", then "<ERROR> | " on
// error lines, then the message.
#pragma once

#include <cstdint>
#include <string>

namespace logreader {

struct LogLine {
    bool parsed = false;   // false: the line lacks the time prefix; only raw is meaningful
    std::string raw;       // the line as the file holds it, without its line end
    std::string date;      // "YYYY-MM-DD"
    std::string time;      // "HH:MM:SS"
    bool isError = false;  // the line carries the "<ERROR> | " marker
    std::string message;   // what follows the prefix and the marker; empty for a prefix-only line
    std::uint64_t cutBytes = 0;  // the bytes of the line past the longest read (see log_file.h)
};

// Takes one line (UTF-8, without its line end) apart. A line without a well-formed time prefix
// comes back with parsed false and its text in raw.
LogLine ParseLogLine(const std::string& line);

// "YYYY-MM-DD HH:MM:SS": the line's time stamp as the reader shows it.
std::string TimeStamp(const LogLine& line);

}  // namespace logreader
