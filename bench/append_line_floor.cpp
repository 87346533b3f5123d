// The smallest process worth comparing a whole installer run with: it starts, appends one line
// to the file named by its argument, and exits. Built with the same compiler and flags as the
// installer, so that both pay the same process start and library loading.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>

int main(int argc, char* argv[]) {
    if (argc < 2) {
        return 2;
    }
    const int fd = ::open(argv[1], O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return 1;
    }
    static const char kLine[] = "2026-12-07___21:40:12 | floor | one line\n";
    const ssize_t written = ::write(fd, kLine, std::strlen(kLine));
    ::close(fd);
    return written == static_cast<ssize_t>(std::strlen(kLine)) ? 0 : 1;
}
