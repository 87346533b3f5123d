#include "base/lock_file.h"

#include "base/utf8.h"

#include <windows.h>

namespace simwin {

namespace {

// The lock covers one byte far past any text the file holds, so that a waiter can still read
// the holder's text (Windows refuses reads of a range another handle has locked).
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

HANDLE Handle(void* handle) {
    return static_cast<HANDLE>(handle);
}

bool LockRange(HANDLE handle, DWORD flags) {
    OVERLAPPED range{};
    range.OffsetHigh = kLockOffsetHigh;
    return LockFileEx(handle, flags, 0, 1, 0, &range) != FALSE;
}

}  // namespace

LockFile::LockFile(const std::string& path)
    : handle_(CreateFileW(FromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

LockFile::~LockFile() {
    if (opened()) {
        // Closing the handle gives the lock back, as the system does when the process dies.
        CloseHandle(Handle(handle_));
    }
}

bool LockFile::opened() const {
    return Handle(handle_) != INVALID_HANDLE_VALUE;
}

bool LockFile::TryLock() {
    return opened() &&
           LockRange(Handle(handle_), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY);
}

bool LockFile::Lock() {
    return opened() && LockRange(Handle(handle_), LOCKFILE_EXCLUSIVE_LOCK);
}

void LockFile::Unlock() {
    if (opened()) {
        OVERLAPPED range{};
        range.OffsetHigh = kLockOffsetHigh;
        UnlockFileEx(Handle(handle_), 0, 1, 0, &range);
    }
}

std::string LockFile::ReadText() const {
    std::string text;
    if (!opened()) {
        return text;
    }
    char buffer[512];
    OVERLAPPED at{};
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(Handle(handle_), buffer, sizeof buffer, &got, &at) || got == 0) {
            break;
        }
        text.append(buffer, got);
        at.Offset += got;
    }
    return text;
}

bool LockFile::WriteText(const std::string& text) {
    if (!opened()) {
        return false;
    }
    LARGE_INTEGER start{};
    DWORD written = 0;
    return SetFilePointerEx(Handle(handle_), start, nullptr, FILE_BEGIN) &&
           SetEndOfFile(Handle(handle_)) &&
           WriteFile(Handle(handle_), text.data(), static_cast<DWORD>(text.size()), &written,
                     nullptr) &&
           written == text.size();
}

}  // namespace simwin
