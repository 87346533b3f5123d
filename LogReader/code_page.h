// The log's text encoding: the code page DriverInstaller writes in, turned into UTF-8, which the
// reader works and prints in; and file names, which the platform keeps in its own form, as UTF-8.
#pragma once

#include <filesystem>
#include <string>

namespace logreader {

// The code page read when none is named: the calling thread's ANSI code page (CP_THREAD_ACP),
// which DriverInstaller writes in and which follows the user's locale; the reader is mostly run
// as the user who ran DriverInstaller. On Linux it is UTF-8.
constexpr unsigned kThreadAnsiCodePage = 3;
constexpr unsigned kUtf8CodePage = 65001;

// Whether the platform can read text in codePage. On Windows any code page that
// MultiByteToWideChar takes (0, the system's ANSI code page, and 3 included); on Linux UTF-8
// (65001, and 0 and 3, the ANSI code pages there) and the code pages that iconv knows as
// "CP<N>" (1250 to 1258, 437, 850, 932 and others).
bool CanReadCodePage(unsigned codePage);

// The bytes of the log, in codePage, as UTF-8. A byte that is no character of the code page
// becomes U+FFFD (on Windows, the code page's own default character), so that nothing is dropped
// and the output stays valid UTF-8.
std::string CodePageToUtf8(std::string bytes, unsigned codePage);

// The bytes of the log in the default code page as UTF-8.
inline std::string AnsiToUtf8(const std::string& bytes) {
    return CodePageToUtf8(bytes, kThreadAnsiCodePage);
}

// A file name as UTF-8, for messages. What has no UTF-8 form (on Windows an unpaired UTF-16
// surrogate, which NTFS allows in names; on Linux a byte that is not UTF-8) becomes U+FFFD, where
// path::u8string() would throw.
std::string PathToUtf8(const std::filesystem::path& path);

}  // namespace logreader
