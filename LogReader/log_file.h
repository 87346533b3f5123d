// Reading the log file: its bytes, in a code page, cut into lines at LF or CR LF, read as a
// stream so that a file of any size is read in the same memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <istream>
#include <string>
#include <vector>

namespace logreader {

// The longest line read whole: a longer one is cut there and the rest of it left unread.
constexpr std::size_t kLongestLine = 64 * 1024;

struct FileLine {
    std::string text;            // UTF-8, without its line end; at most kLongestLine bytes read
    std::uint64_t cutBytes = 0;  // the bytes of the line after the first kLongestLine, not read
};

// The lines of a stream, one at a time. An LF ends a line; a CR just before it is part of the
// line end; a last line without one counts. Each line is converted from codePage (see
// code_page.h) on its own: no code page DriverInstaller writes in has a character that holds the
// byte LF, so none is cut at a line end (a line cut at kLongestLine may end in U+FFFD).
class LineReader {
public:
    LineReader(std::istream& stream, unsigned codePage);

    // The next line into *line; false after the last one, or when the stream cannot be read.
    bool Next(FileLine* line);
    // Whether reading stopped at an error of the stream rather than at its end.
    bool failed() const { return failed_; }
    std::uint64_t bytesRead() const { return bytesRead_; }

private:
    bool Fill();

    std::istream& stream_;
    unsigned codePage_;
    std::vector<char> buffer_;
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
    bool failed_ = false;
    std::uint64_t bytesRead_ = 0;
};

// Opens the file at path for reading its bytes into *stream; false when it cannot be opened or
// is a folder.
bool OpenLogFile(const std::filesystem::path& path, std::ifstream* stream);

// Cuts UTF-8 text into lines as LineReader does (exposed for the tests).
std::vector<FileLine> SplitLines(const std::string& text);

}  // namespace logreader
