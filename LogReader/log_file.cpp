#include "log_file.h"

#include "code_page.h"

#include <fstream>
#include <iterator>

namespace logreader {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    while (start < text.size()) {
        std::string::size_type end = text.find('\n', start);
        const bool lastWithoutEnd = end == std::string::npos;
        if (lastWithoutEnd) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        if (!lastWithoutEnd && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(std::move(line));
        start = lastWithoutEnd ? text.size() : end + 1;
    }
    return lines;
}

LogFileText ReadLogFile(const std::filesystem::path& path, unsigned codePage) {
    LogFileText file;
    std::error_code error;
    // A folder opens as a stream on some runtimes; it is not a log either way.
    if (std::filesystem::is_directory(path, error)) {
        return file;
    }
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        return file;
    }
    const std::string bytes((std::istreambuf_iterator<char>(stream)),
                            std::istreambuf_iterator<char>());
    if (stream.bad()) {
        return file;
    }
    file.readable = true;
    // Converted whole, so that a multibyte character is never cut at a line end.
    file.lines = SplitLines(CodePageToUtf8(bytes, codePage));
    return file;
}

}  // namespace logreader
