// DriverInstaller's log as the tests read it back: its file name, and its lines cut into
// messages. Every line must be "YYYY-MM-DD___HH:MM:SS | " and a message, ended by the platform's
// line end (CR LF on Windows, LF on Linux); the reader says which lines are not.
#pragma once

#include <string>
#include <vector>

namespace testsupport {

inline constexpr char kLogFileName[] = "Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log";

// The log file inside a log folder.
std::string LogFileIn(const std::string& folder);

// Whether a line starts with the time prefix "YYYY-MM-DD___HH:MM:SS | ".
bool HasTimePrefix(const std::string& line);

struct LogFile {
    bool exists = false;
    // Each well-formed line's message: the line without its time prefix and line end
    // ("<ERROR> | " kept).
    std::vector<std::string> messages;
    // Lines without the time prefix, without lineEnd, or with a CR or LF inside; a last line
    // without its line end is one of them.
    std::vector<std::string> malformedLines;
};

// Reads the log at path, whose lines end in lineEnd ("\n" or "\r\n").
LogFile ReadLog(const std::string& path, const std::string& lineEnd);

}  // namespace testsupport
