#include "console_output.h"

#include "text.h"

namespace selftest {

void WriteStandard(DWORD standardHandle, const std::wstring& text) {
    const HANDLE handle = GetStdHandle(standardHandle);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD mode = 0;
    DWORD written = 0;
    // A console shows wide text whatever its code page; a file gets the report's own encoding.
    if (GetConsoleMode(handle, &mode) != FALSE) {
        WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const std::string bytes = ToUtf8(text);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace selftest
