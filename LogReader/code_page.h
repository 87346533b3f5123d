// The log's text encoding: the ANSI code page DriverInstaller writes in, turned into UTF-8, which
// the reader works and prints in.
#pragma once

#include <string>

namespace logreader {

// The bytes of the log (ANSI code page) as UTF-8. On Windows the code page is the system's ANSI
// code page; on Linux it is UTF-8 already, and a byte that does not belong to a well-formed
// UTF-8 sequence becomes U+FFFD, so that the output stays valid UTF-8.
std::string AnsiToUtf8(const std::string& bytes);

}  // namespace logreader
