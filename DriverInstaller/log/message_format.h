// Building the text of log messages: printf-style formats applied to wide text, the
// conventional rendering of a platform result, and text from outside made safe for one line.
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

// Text that another program handed over (a lock holder's description), made fit to stand inside
// one log line: each control character is written as a visible escape, so that the text can
// neither end the line nor pass for lines of its own, and readers that go line by line see one
// line. TAB, LF and CR become \t, \n and \r; every other control character (U+0000 to U+001F,
// U+007F to U+009F) becomes \x and two lower-case hexadecimal digits ("\x1b" for ESC). Every
// other character, a backslash included, is kept as it is.
std::wstring EscapeControlCharacters(const std::wstring& text);
