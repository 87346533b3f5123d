#include "base/lock_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace simwin {

namespace {

bool Flock(int fd, int operation) {
    int result = 0;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result == 0;
}

}  // namespace

LockFile::LockFile(const std::string& path)
    : fd_(::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {}

LockFile::~LockFile() {
    if (fd_ >= 0) {
        // Closing the only descriptor of the open file gives the lock back.
        ::close(fd_);
    }
}

bool LockFile::opened() const {
    return fd_ >= 0;
}

bool LockFile::TryLock() {
    return fd_ >= 0 && Flock(fd_, LOCK_EX | LOCK_NB);
}

bool LockFile::Lock() {
    return fd_ >= 0 && Flock(fd_, LOCK_EX);
}

void LockFile::Unlock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
    }
}

std::string LockFile::ReadText() const {
    std::string text;
    if (fd_ < 0) {
        return text;
    }
    char buffer[512];
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd_, buffer, sizeof buffer, offset);
        if (got <= 0) {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        offset += got;
    }
    return text;
}

bool LockFile::WriteText(const std::string& text) {
    return fd_ >= 0 && ::ftruncate(fd_, 0) == 0 &&
           ::pwrite(fd_, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
}

}  // namespace simwin
