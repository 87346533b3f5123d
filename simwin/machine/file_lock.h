// A blocking, machine-wide exclusive lock on a file (flock), held for the life of the object.
#pragma once

#include <string>

namespace simwin {

class FileLock {
public:
    // Creates the lock file when needed and waits for the lock. held() tells whether it was got.
    explicit FileLock(const std::string& path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

}  // namespace simwin
