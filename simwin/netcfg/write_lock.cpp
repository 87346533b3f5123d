#include "netcfg/write_lock.h"

#include "kernel/utf8.h"

#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <thread>

namespace simwin {

namespace {

constexpr std::chrono::microseconds kPollInterval{200};

int OpenLockFile(const std::string& path) {
    return ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
}

bool TryLock(int fd) {
    int result = 0;
    do {
        result = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

std::wstring ReadDescription(int fd) {
    std::string text;
    char buffer[512];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd, buffer, sizeof buffer, offset);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    return FromUtf8(text);
}

std::wstring ReadDescriptionAt(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::wstring();
    }
    std::wstring description = ReadDescription(fd);
    ::close(fd);
    return description;
}

}  // namespace

std::string WriteLockPath(const std::string& root) {
    return root + "/netcfg.lock";
}

WriteLock::WriteLock(std::string path) : path_(std::move(path)) {}

WriteLock::~WriteLock() {
    Release();
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool WriteLock::Acquire(DWORD timeoutMs, const std::wstring& description, std::wstring* holder) {
    if (held_) {
        return true;
    }
    if (fd_ < 0) {
        fd_ = OpenLockFile(path_);
    }
    if (fd_ < 0) {
        holder->clear();
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!TryLock(fd_)) {
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline) {
            *holder = ReadDescription(fd_);
            return false;
        }
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(kPollInterval, deadline - now));
    }
    held_ = true;
    const std::string text = ToUtf8(description);
    // Waiters read the description only while they are refused, so it is written in place.
    if (::ftruncate(fd_, 0) != 0 ||
        ::pwrite(fd_, text.data(), text.size(), 0) != static_cast<ssize_t>(text.size())) {
        // The lock is held all the same; a waiter just cannot name the holder.
    }
    return true;
}

void WriteLock::Release() {
    if (!held_) {
        return;
    }
    if (::ftruncate(fd_, 0) != 0) {
        // A stale description is harmless: it is read only while the lock is held.
    }
    ::flock(fd_, LOCK_UN);
    held_ = false;
}

bool IsWriteLockHeld(const std::string& path, std::wstring* holder) {
    holder->clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;  // no lock file: nobody ever took the lock
    }
    // A fresh open description is refused while any other one holds the lock.
    const bool free = TryLock(fd);
    if (free) {
        ::flock(fd, LOCK_UN);
    } else {
        *holder = ReadDescriptionAt(path);
    }
    ::close(fd);
    return !free;
}

}  // namespace simwin
