// Text for the console: wide characters to a console, UTF-8 to a file or a pipe.
#pragma once

#include <windows.h>

#include <string>

namespace selftest {

// Writes text to the standard handle (STD_OUTPUT_HANDLE or STD_ERROR_HANDLE).
void WriteStandard(DWORD standardHandle, const std::wstring& text);

}  // namespace selftest
