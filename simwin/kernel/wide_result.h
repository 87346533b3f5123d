// Windows' rule for functions that hand a string back in a caller's buffer of wide characters.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

namespace simwin::detail {

// Copies value with its terminator when it fits and returns its length without the terminator;
// otherwise leaves the buffer alone and returns the size needed, terminator included.
DWORD CopyWideResult(const std::wstring& value, LPWSTR buffer, DWORD bufferLength);

// A call that hands a folder back in the caller's buffer (GetCurrentDirectoryW, GetTempPathW):
// a fault rule's answer, or else the folder that readFolder gives copied as CopyWideResult does
// (0 when readFolder gives none, having set the last error). Journalled as "CALL LENGTH -> RESULT".
DWORD FolderCall(const char* call, LPWSTR buffer, DWORD bufferLength,
                 const std::function<std::optional<std::wstring>()>& readFolder);

}  // namespace simwin::detail
