// The machine-wide write lock over the network configuration: an exclusive lock on
// "<root>/netcfg.lock", which the holder fills with its client description. The system gives the
// lock back when the holder's file closes, so a holder that dies frees it at once.
#pragma once

#include "base/lock_file.h"

#include <windows.h>

#include <memory>
#include <string>

namespace simwin {

std::string WriteLockPath(const std::string& root);

class WriteLock {
public:
    // path: the lock file. Each WriteLock opens it anew, so two objects of one process exclude
    // each other as two processes do.
    explicit WriteLock(std::string path);
    ~WriteLock();
    WriteLock(const WriteLock&) = delete;
    WriteLock& operator=(const WriteLock&) = delete;

    // Waits up to timeoutMs for the lock, polling every 200 microseconds. True when it is held
    // (then description is in the file); false after the wait, with the holder's description
    // in holder (empty when none could be read) - also when the file cannot be opened.
    bool Acquire(DWORD timeoutMs, const std::wstring& description, std::wstring* holder);
    // Clears the description and gives the lock back; nothing when it is not held.
    void Release();
    bool held() const { return held_; }

private:
    std::string path_;
    std::unique_ptr<LockFile> file_;  // opened at the first Acquire
    bool held_ = false;
};

// Whether anyone (this process included) holds the lock at path, and the holder's description
// (empty when none could be read).
bool IsWriteLockHeld(const std::string& path, std::wstring* holder);

}  // namespace simwin
