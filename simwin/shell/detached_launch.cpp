#include "shell/detached_launch.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace simwin::detail {

namespace {

// What the grandchild reports through the pipe when it cannot become the program.
struct ChildReport {
    int inFolder;
    int error;
};

// Closes every descriptor from 3 on except keep (the report pipe, which closes itself at exec).
// Only async-signal-safe calls: this runs between fork and exec.
void CloseInheritedDescriptors(int keep, int highestDescriptor) {
    const bool closedLow = keep <= 3 || ::close_range(3, static_cast<unsigned>(keep - 1), 0) == 0;
    const bool closedHigh = ::close_range(static_cast<unsigned>(keep + 1), ~0u, 0) == 0;
    if (closedLow && closedHigh) {
        return;
    }
    // A kernel without close_range: close one by one up to the descriptor limit.
    for (int fd = 3; fd <= highestDescriptor; ++fd) {
        if (fd != keep) {
            ::close(fd);
        }
    }
}

[[noreturn]] void Report(int pipeWrite, int inFolder, int error) {
    const ChildReport report{inFolder, error};
    const ssize_t written = ::write(pipeWrite, &report, sizeof report);
    (void)written;  // nothing more can be done from here
    ::_exit(127);
}

// Points standard input, output and error at /dev/null: on Windows the program gets a console of
// its own, hidden, so nothing it writes reaches its starter's console.
void DetachStandardStreams() {
    const int null = ::open("/dev/null", O_RDWR);
    if (null < 0) {
        return;
    }
    for (int stream = 0; stream <= 2; ++stream) {
        ::dup2(null, stream);
    }
    if (null > 2) {
        ::close(null);
    }
}

[[noreturn]] void BecomeProgram(const char* program, char* const* argv, const char* folder,
                                int pipeWrite, int highestDescriptor) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    DetachStandardStreams();
    CloseInheritedDescriptors(pipeWrite, highestDescriptor);
    if (::chdir(folder) != 0) {
        Report(pipeWrite, 1, errno);
    }
    ::execv(program, argv);
    Report(pipeWrite, 0, errno);
}

int HighestDescriptor() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > 65536) {
        return 65535;
    }
    return static_cast<int>(limit.rlim_cur) - 1;
}

}  // namespace

bool LaunchDetached(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder, LaunchFailure* failure) {
    // Everything the children need is prepared here: after fork in a process that may have
    // threads, only async-signal-safe calls are allowed.
    std::vector<char*> argv;
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const int highestDescriptor = HighestDescriptor();

    // The pipe closes itself at exec, so an empty read means the program is running.
    int reportPipe[2];
    if (::pipe2(reportPipe, O_CLOEXEC) != 0) {
        *failure = {false, errno};
        return false;
    }
    const pid_t middle = ::fork();
    if (middle < 0) {
        const int error = errno;
        ::close(reportPipe[0]);
        ::close(reportPipe[1]);
        *failure = {false, error};
        return false;
    }
    if (middle == 0) {
        ::close(reportPipe[0]);
        const pid_t grandchild = ::fork();
        if (grandchild < 0) {
            Report(reportPipe[1], 0, errno);
        }
        if (grandchild == 0) {
            BecomeProgram(program.c_str(), argv.data(), folder.c_str(), reportPipe[1],
                          highestDescriptor);
        }
        ::_exit(0);
    }
    ::close(reportPipe[1]);
    int status = 0;
    while (::waitpid(middle, &status, 0) < 0 && errno == EINTR) {
    }
    ChildReport report{};
    ssize_t got = -1;
    do {
        got = ::read(reportPipe[0], &report, sizeof report);
    } while (got < 0 && errno == EINTR);
    ::close(reportPipe[0]);
    // An empty pipe after a clean exit of the middle child: the program's exec succeeded.
    const bool middleClean = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (got == 0 && middleClean) {
        return true;
    }
    if (got == 0) {
        *failure = {false, ECHILD};
        return false;
    }
    if (got != static_cast<ssize_t>(sizeof report)) {
        *failure = {false, got < 0 ? errno : EIO};
        return false;
    }
    *failure = {report.inFolder != 0, report.error};
    return false;
}

}  // namespace simwin::detail
