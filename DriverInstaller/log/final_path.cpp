#include "log/final_path.h"

namespace {

// The longest path Windows knows, without its terminator.
constexpr DWORD kLongestPath = 32767;

}  // namespace

std::wstring FolderFinalPath(const std::wstring& folder, DWORD* error) {
    const HANDLE handle = CreateFileW(folder.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (error != nullptr) {
            *error = GetLastError();
        }
        return std::wstring();
    }
    std::wstring finalPath(kLongestPath + 1, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(handle, &finalPath[0], kLongestPath + 1,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (error != nullptr) {
        *error = GetLastError();
    }
    CloseHandle(handle);
    if (length == 0 || length > kLongestPath) {
        return std::wstring();
    }
    finalPath.resize(length);
    return finalPath;
}
