// UTF-8, the code page of the simulated machine and of its files, to and from wide text: UTF-32
// where wchar_t has 32 bits (Linux), UTF-16 where it has 16 (Windows).
#pragma once

#include <string>
#include <string_view>

namespace simwin {

// A wide value that is no valid code point (a lone surrogate, a value past U+10FFFF) becomes '?';
// a surrogate pair of UTF-16 is one code point.
// usedDefault, when given, tells whether that happened.
std::string ToUtf8(std::wstring_view text, bool* usedDefault = nullptr);
// Bytes that are not UTF-8 become U+FFFD, one for each byte that cannot start or continue a
// sequence.
std::wstring FromUtf8(std::string_view text);

}  // namespace simwin
