#include "base/atomic_file.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace simwin {

namespace {

bool Fail(std::string* error, const std::string& message) {
    if (error != nullptr) {
        *error = message + ": " + std::strerror(errno);
    }
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t written = ::write(fd, text.data() + done, text.size() - done);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Puts the file at temporary in path's place in one step. Swapping the two names and then
// removing the old file is as atomic for readers as a rename over path, and much cheaper on
// ext4, which starts writing a file's data out when it is renamed over another one. A file
// system without the swap, or no file at path yet, takes the plain rename.
bool Replace(const std::string& temporary, const std::string& path) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_EXCHANGE) == 0) {
        // temporary now names the old file; a process killed here leaves it as a stray
        // temporary file, as a rename that never happened would.
        ::unlink(temporary.c_str());
        return true;
    }
    return ::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

bool WriteFileAtomically(const std::string& path, const std::string& text, std::string* error) {
    // A name unique to this process and call, so that two writers never share a temporary file.
    static std::atomic<unsigned> counter{0};
    const std::string temporary =
        path + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(++counter);
    const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return Fail(error, "cannot create " + temporary);
    }
    const bool written = WriteAll(fd, text);
    const int savedErrno = errno;
    if (::close(fd) != 0 || !written) {
        errno = written ? errno : savedErrno;
        Fail(error, "cannot write " + temporary);
        ::unlink(temporary.c_str());
        return false;
    }
    if (!Replace(temporary, path)) {
        Fail(error, "cannot replace " + path);
        ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

bool AppendToFileOfLength(const std::string& path, std::size_t expectedLength,
                          const std::string& text, std::string* error) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        return Fail(error, "cannot open " + path);
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || static_cast<std::size_t>(info.st_size) != expectedLength) {
        ::close(fd);
        errno = ESTALE;
        return Fail(error, path + " changed since it was read");
    }
    // One write, so that a reader sees all of text or none of it; not retried after a short
    // write, which would split it.
    ssize_t written = -1;
    do {
        written = ::write(fd, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    const int savedErrno = errno;
    ::close(fd);
    if (written != static_cast<ssize_t>(text.size())) {
        errno = written < 0 ? savedErrno : ENOSPC;
        return Fail(error, "cannot append to " + path);
    }
    return true;
}

bool AppendToExistingFile(const std::string& path, const std::string& text) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    ssize_t written = -1;
    do {
        written = ::write(fd, text.data(), text.size());
    } while (written < 0 && errno == EINTR);
    ::close(fd);
    return written == static_cast<ssize_t>(text.size());
}

bool ReadWholeFile(const std::string& path, std::string* text) {
    // Opened without waiting: a FIFO in a file's place would otherwise hold the reader until
    // some writer came, which may be never.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) == 0 &&
        (S_ISDIR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode))) {
        ::close(fd);
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    text->clear();
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int savedErrno = errno;
            ::close(fd);
            errno = savedErrno;
            return false;
        }
        if (got == 0) {
            break;
        }
        text->append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return true;
}

}  // namespace simwin
