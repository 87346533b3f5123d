// GetCurrentDirectoryW: the process's working folder.
#include <windows.h>

#include "base/utf8.h"
#include "kernel/wide_result.h"
#include "kernel/win32_error.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <unistd.h>

DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
    return simwin::detail::FolderCall(
        "GetCurrentDirectoryW", buffer, bufferLength, []() -> std::optional<std::wstring> {
            // glibc sizes the buffer itself, so a folder deeper than PATH_MAX is still read.
            char* folder = ::getcwd(nullptr, 0);
            if (folder == nullptr) {
                SetLastError(simwin::detail::Win32ErrorFromErrno(errno));
                return std::nullopt;
            }
            std::wstring wideFolder = simwin::FromUtf8(folder);
            std::free(folder);
            return wideFolder;
        });
}
