#include "log_line.h"

#include <cctype>
#include <cstddef>

namespace logreader {

namespace {

// "2026-12-07___21:40:12 | ": digits where the pattern has 'D', every other character as is.
constexpr char kPrefixPattern[] = "DDDD-DD-DD___DD:DD:DD | ";
constexpr std::size_t kPrefixLength = sizeof kPrefixPattern - 1;
constexpr char kErrorMarker[] = "<ERROR> | ";
constexpr std::size_t kErrorMarkerLength = sizeof kErrorMarker - 1;

bool MatchesPrefixPattern(const std::string& line, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        const char expected = kPrefixPattern[i];
        const char actual = line[i];
        const bool matches = expected == 'D' ? std::isdigit(static_cast<unsigned char>(actual)) != 0
                                             : actual == expected;
        if (!matches) {
            return false;
        }
    }
    return true;
}

}  // namespace

LogLine ParseLogLine(const std::string& line) {
    LogLine parsed;
    parsed.raw = line;
    // A prefix-only line ends in the blank after the bar; an editor may have trimmed it.
    const bool trimmedPrefixOnly = line.size() == kPrefixLength - 1;
    if (line.size() < kPrefixLength && !trimmedPrefixOnly) {
        return parsed;
    }
    if (!MatchesPrefixPattern(line, kPrefixLength - 1)) {
        return parsed;
    }
    parsed.parsed = true;
    parsed.date = line.substr(0, 10);
    parsed.time = line.substr(13, 8);
    if (trimmedPrefixOnly) {
        return parsed;
    }
    if (line[kPrefixLength - 1] != ' ') {
        return LogLine{false, line, {}, {}, false, {}};
    }
    parsed.isError =
        line.compare(kPrefixLength, kErrorMarkerLength, kErrorMarker, kErrorMarkerLength) == 0;
    parsed.message.assign(line, kPrefixLength + (parsed.isError ? kErrorMarkerLength : 0),
                          std::string::npos);
    return parsed;
}

std::string TimeStamp(const LogLine& line) {
    return line.date + " " + line.time;
}

}  // namespace logreader
