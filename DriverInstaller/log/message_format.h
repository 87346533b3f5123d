// Building the text of log messages: printf-style formats applied to wide text, and the
// conventional rendering of a platform result.
#pragma once

#include <windows.h>

#include <string>

// The bare result line, written after a platform call failed.
inline constexpr wchar_t kHrLineFormat[] = L" hr='%ld' / hr='0x%08lx'";

// Fills a printf-style wide format ("%ls" for wide strings, "%d" with int, "%lu" with
// unsigned long) and returns the text. Returns an empty string when the format cannot be filled.
std::wstring FormatText(const wchar_t* format, ...);

// Fills a format that ends in "hr='%ld' / hr='0x%08lx'" (and has no other placeholder) with hr,
// as signed decimal and as eight lower-case hexadecimal digits, with the same digits where long
// is 32 or 64 bits wide: 0x8004A024 reads hr='-2147180508' / hr='0x8004a024'.
std::wstring FormatHr(const wchar_t* format, HRESULT hr);
