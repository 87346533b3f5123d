#include "log_file.h"

#include "code_page.h"

#include <cstring>
#include <sstream>
#include <utility>

namespace logreader {

namespace {

constexpr std::size_t kReadSize = 256 * 1024;

}  // namespace

LineReader::LineReader(std::istream& stream, unsigned codePage)
    : stream_(stream), codePage_(codePage), buffer_(kReadSize) {}

bool LineReader::Fill() {
    if (failed_ || !stream_) {
        return false;
    }
    stream_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    const auto count = static_cast<std::size_t>(stream_.gcount());
    if (stream_.bad()) {
        failed_ = true;
        return false;
    }
    begin_ = 0;
    end_ = count;
    bytesRead_ += count;
    return count > 0;
}

bool LineReader::Next(FileLine* line) {
    // One byte beyond the longest line is kept, so that a CR before the LF is told from text.
    std::string bytes;
    std::uint64_t skipped = 0;
    bool any = false;
    bool ended = false;
    char last = '\0';
    while (!ended) {
        if (begin_ == end_ && !Fill()) {
            break;
        }
        any = true;
        const char* start = buffer_.data() + begin_;
        const std::size_t available = end_ - begin_;
        const void* lineFeed = std::memchr(start, '\n', available);
        const std::size_t length =
            lineFeed != nullptr
                ? static_cast<std::size_t>(static_cast<const char*>(lineFeed) - start)
                : available;
        const std::size_t room = kLongestLine + 1 - bytes.size();
        const std::size_t kept = length < room ? length : room;
        bytes.append(start, kept);
        skipped += length - kept;
        if (length > 0) {
            last = start[length - 1];
        }
        ended = lineFeed != nullptr;
        begin_ += length + (ended ? 1 : 0);
    }
    if (!any || failed_) {
        return false;
    }
    std::uint64_t lineLength = bytes.size() + skipped;
    // Only the CR just before an LF belongs to the line end.
    if (ended && lineLength > 0 && last == '\r') {
        --lineLength;
    }
    line->cutBytes = lineLength > kLongestLine ? lineLength - kLongestLine : 0;
    bytes.resize(static_cast<std::size_t>(lineLength < kLongestLine ? lineLength : kLongestLine));
    line->text = CodePageToUtf8(std::move(bytes), codePage_);
    return true;
}

bool OpenLogFile(const std::filesystem::path& path, std::ifstream* stream) {
    std::error_code error;
    // A folder opens as a stream on some runtimes; it is not a log either way.
    if (std::filesystem::is_directory(path, error)) {
        return false;
    }
    stream->open(path, std::ios::binary);
    return stream->is_open();
}

std::vector<FileLine> SplitLines(const std::string& text) {
    std::istringstream stream(text);
    LineReader reader(stream, kUtf8CodePage);
    std::vector<FileLine> lines;
    FileLine line;
    while (reader.Next(&line)) {
        lines.push_back(line);
    }
    return lines;
}

}  // namespace logreader
