#include "base/atomic_file.h"

#include "base/utf8.h"

#include <windows.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace simwin {

namespace {

// errno for the thread's last error, so that callers report failures as on POSIX.
void SetErrnoFromLastError() {
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            errno = ENOENT;
            break;
        case ERROR_DISK_FULL:
            errno = ENOSPC;
            break;
        default:
            errno = EACCES;
            break;
    }
}

bool Fail(std::string* error, const std::string& message) {
    SetErrnoFromLastError();
    if (error != nullptr) {
        *error = message + ": " + std::strerror(errno);
    }
    return false;
}

// Closes a file handle when it goes.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() {
        if (valid()) {
            CloseHandle(handle_);
        }
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

HANDLE Open(const std::string& path, DWORD access, DWORD disposition) {
    return CreateFileW(FromUtf8(path).c_str(), access,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// One WriteFile of the whole text, so that a reader sees all of it or none of it.
bool WriteOnce(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error) {
    // A name unique to this process and call, so that two writers never share a temporary file.
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".tmp." + std::to_string(GetCurrentProcessId()) + "." + std::to_string(++counter);
    {
        FileHandle file(Open(temporary, GENERIC_WRITE, CREATE_ALWAYS));
        if (!file.valid()) {
            return Fail(error, "cannot create " + temporary);
        }
        if (!WriteOnce(file.get(), text) || !FlushFileBuffers(file.get())) {
            Fail(error, "cannot write " + temporary);
            DeleteFileW(FromUtf8(temporary).c_str());
            return false;
        }
    }
    // MoveFileExW replaces the file in one step: a reader opens either the old or the new one.
    if (!MoveFileExW(FromUtf8(temporary).c_str(), FromUtf8(path).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        Fail(error, "cannot replace " + path);
        DeleteFileW(FromUtf8(temporary).c_str());
        return false;
    }
    return true;
}

bool AppendToFileOfLength(const std::string& path, std::size_t expectedLength,
                          const std::string& text, std::string* error) {
    FileHandle file(Open(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, OPEN_EXISTING));
    if (!file.valid()) {
        return Fail(error, "cannot open " + path);
    }
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.get(), &size) ||
        static_cast<std::size_t>(size.QuadPart) != expectedLength) {
        // The C runtime has no ESTALE; the message says what happened.
        return Fail(error, path + " changed since it was read");
    }
    if (!WriteOnce(file.get(), text)) {
        return Fail(error, "cannot append to " + path);
    }
    return true;
}

bool AppendToExistingFile(const std::string& path, const std::string& text) {
    FileHandle file(Open(path, FILE_APPEND_DATA, OPEN_EXISTING));
    return file.valid() && WriteOnce(file.get(), text);
}

bool ReadWholeFile(const std::string& path, std::string* text) {
    FileHandle file(Open(path, GENERIC_READ, OPEN_EXISTING));
    if (!file.valid()) {
        // A folder cannot be opened as a file here; say so as POSIX does.
        const DWORD attributes = GetFileAttributesW(FromUtf8(path).c_str());
        SetErrnoFromLastError();
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            errno = EISDIR;
        }
        return false;
    }
    text->clear();
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr)) {
            SetErrnoFromLastError();
            return false;
        }
        if (got == 0) {
            return true;
        }
        text->append(buffer, got);
    }
}

}  // namespace simwin
