// A blocking, machine-wide exclusive lock on a file, held for the life of the object.
#pragma once

#include "base/lock_file.h"

#include <string>

namespace simwin {

class FileLock {
public:
    // Creates the lock file when needed and waits for the lock. held() tells whether it was got.
    explicit FileLock(const std::string& path) : file_(path), held_(file_.Lock()) {}

    bool held() const { return held_; }

private:
    LockFile file_;  // closing it gives the lock back
    bool held_;
};

}  // namespace simwin
