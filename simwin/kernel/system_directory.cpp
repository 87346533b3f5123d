// GetSystemDirectoryW: the machine's system folder, as a Windows path.
#include <windows.h>

#include "kernel/wide_result.h"

#include <string>

UINT GetSystemDirectoryW(LPWSTR buffer, UINT size) {
    // The machine's drive C: holds it; ShellExecuteW maps a path on that drive back to the
    // machine's folder.
    return simwin::detail::FolderCall(
        "GetSystemDirectoryW", buffer, size,
        []() -> std::optional<std::wstring> { return std::wstring(L"C:\\Windows\\System32"); });
}
