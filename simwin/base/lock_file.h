// An exclusive lock on a file that the system gives back when the file is closed or its process
// dies (flock on POSIX, LockFileEx on Windows), and the short text its holder keeps in it.
#pragma once

#include <string>

namespace simwin {

class LockFile {
public:
    // Opens the file at path, creating it when needed; opened() tells whether that worked. Each
    // LockFile opens the file anew, so two objects of one process exclude each other as two
    // processes do.
    explicit LockFile(const std::string& path);
    ~LockFile();
    LockFile(const LockFile&) = delete;
    LockFile& operator=(const LockFile&) = delete;

    bool opened() const;
    // Takes the lock without waiting; false when another holder has it.
    bool TryLock();
    // Waits for the lock; false only when the system refuses to wait.
    bool Lock();
    void Unlock();
    // The file's text, read while it is locked or not (the lock never covers the text).
    std::string ReadText() const;
    // Replaces the file's text; false when it could not be written.
    bool WriteText(const std::string& text);

private:
#ifdef _WIN32
    void* handle_;  // a HANDLE, kept out of this header so that it needs no <windows.h>
#else
    int fd_;
#endif
};

}  // namespace simwin
