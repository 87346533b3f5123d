// GetTempPathW: the folder for temporary files.
#include <windows.h>

#include "base/utf8.h"
#include "kernel/wide_result.h"

#include <cstdlib>
#include <string>

DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
    return simwin::detail::FolderCall(
        "GetTempPathW", buffer, bufferLength, []() -> std::optional<std::wstring> {
            const char* tmpdir = std::getenv("TMPDIR");
            std::string folder = tmpdir != nullptr && tmpdir[0] != '\0' ? tmpdir : "/tmp";
            // Windows always ends the temporary path with a separator.
            if (folder.back() != '/') {
                folder += '/';
            }
            return simwin::FromUtf8(folder);
        });
}
