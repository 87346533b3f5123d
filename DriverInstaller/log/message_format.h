// Building the text of log messages: printf-style formats applied to wide text, and the
// conventional rendering of a platform result.
#pragma once

#include <windows.h>

#include <string>

// Fills a printf-style wide format ("%ls" for wide strings, "%d" with int, "%lu" with
// unsigned long) and returns the text. Returns an empty string when the format cannot be filled.
std::wstring FormatText(const wchar_t* format, ...);

// A platform result as a log line ends in it: " hr='<signed decimal>' / hr='0x<eight lower-case
// hexadecimal digits>'", the same digits where long is 32 or 64 bits wide, so that 0x8004A024
// reads " hr='-2147180508' / hr='0x8004a024'". Alone it is the bare result line.
std::wstring FormatHr(HRESULT hr);
