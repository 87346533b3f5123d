#include "support/log_file.h"

#include "support/text_file.h"

#include <cctype>
#include <filesystem>

namespace testsupport {

namespace {
constexpr char kTimePrefixShape[] = "9999-99-99___99:99:99 | ";
constexpr std::size_t kTimePrefixLength = sizeof kTimePrefixShape - 1;
}  // namespace

std::string LogFileIn(const std::string& folder) {
    return (std::filesystem::path(folder) / kLogFileName).string();
}

bool HasTimePrefix(const std::string& line) {
    if (line.size() < kTimePrefixLength) {
        return false;
    }
    for (std::size_t i = 0; i < kTimePrefixLength; ++i) {
        const bool digitWanted = kTimePrefixShape[i] == '9';
        const bool isDigit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
        if (digitWanted ? !isDigit : line[i] != kTimePrefixShape[i]) {
            return false;
        }
    }
    return true;
}

LogFile ReadLog(const std::string& path, const std::string& lineEnd) {
    LogFile log;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        return log;
    }
    log.exists = true;
    const std::string text = ReadFile(path);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        const std::size_t end = newline == std::string::npos ? text.size() : newline + 1;
        std::string line = text.substr(start, end - start);
        start = end;
        const bool endsWell =
            line.size() >= lineEnd.size() &&
            line.compare(line.size() - lineEnd.size(), lineEnd.size(), lineEnd) == 0;
        if (endsWell) {
            line.erase(line.size() - lineEnd.size());
        }
        if (!endsWell || line.find_first_of("\r\n") != std::string::npos || !HasTimePrefix(line)) {
            log.malformedLines.push_back(line);
            continue;
        }
        log.messages.push_back(line.substr(kTimePrefixLength));
    }
    return log;
}

}  // namespace testsupport
