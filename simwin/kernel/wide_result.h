// Windows' rule for functions that hand a string back in a caller's buffer of wide characters.
#pragma once

#include <windows.h>

#include <string>

namespace simwin::detail {

// Copies value with its terminator when it fits and returns its length without the terminator;
// otherwise leaves the buffer alone and returns the size needed, terminator included.
DWORD CopyWideResult(const std::wstring& value, LPWSTR buffer, DWORD bufferLength);

}  // namespace simwin::detail
