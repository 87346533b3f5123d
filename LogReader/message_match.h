// Whether a log message begins or ends with a known part: the reader knows many of
// DriverInstaller's lines by their fixed start or end alone.
#pragma once

#include <string>
#include <string_view>

namespace logreader {

inline bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

inline bool EndsWith(const std::string& text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace logreader
