#include "machine/write_lock.h"

#include "base/utf8.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <thread>

namespace simwin {

namespace {

constexpr std::chrono::microseconds kPollInterval{200};

}  // namespace

std::string WriteLockPath(const std::string& root) {
    return root + "/netcfg.lock";
}

WriteLock::WriteLock(std::string path) : path_(std::move(path)) {}

WriteLock::~WriteLock() {
    Release();
}

bool WriteLock::Acquire(DWORD timeoutMs, const std::wstring& description, std::wstring* holder) {
    if (held_) {
        return true;
    }
    if (!file_ || !file_->opened()) {
        file_ = std::make_unique<LockFile>(path_);
    }
    if (!file_->opened()) {
        holder->clear();
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!file_->TryLock()) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            *holder = FromUtf8(file_->ReadText());
            return false;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kPollInterval, deadline - now));
    }
    held_ = true;
    // Waiters read the description only while they are refused, so it is written in place. When
    // it cannot be written the lock is held all the same; a waiter just cannot name the holder.
    file_->WriteText(ToUtf8(description));
    return true;
}

void WriteLock::Release() {
    if (!held_) {
        return;
    }
    // A stale description left by a failed write is harmless: it is read only while the lock
    // is held.
    file_->WriteText(std::string());
    file_->Unlock();
    held_ = false;
}

bool IsWriteLockHeld(const std::string& path, std::wstring* holder) {
    holder->clear();
    if (!std::ifstream(path)) {
        return false;  // no lock file: nobody ever took the lock
    }
    // A fresh opening of the file is refused while any other one holds the lock.
    LockFile probe(path);
    if (probe.TryLock()) {
        probe.Unlock();
        return false;
    }
    *holder = FromUtf8(probe.ReadText());
    return true;
}

}  // namespace simwin
