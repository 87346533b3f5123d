#include "support/spawn.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace reliability {

pid_t Spawn(const Launch& launch) {
    std::vector<std::string> words = {launch.program};
    words.insert(words.end(), launch.arguments.begin(), launch.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child != 0) {
        return child;
    }
    if (!launch.workingFolder.empty() && ::chdir(launch.workingFolder.c_str()) != 0) {
        ::_exit(126);
    }
    for (const auto& [name, value] : launch.environment) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    if (!launch.outputPath.empty() || launch.quiet) {
        const int output = launch.outputPath.empty() ? ::open("/dev/null", O_WRONLY)
                                                     : ::open(launch.outputPath.c_str(),
                                                              O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(output, 1);
        ::dup2(output, 2);
    }
    ::execv(argv[0], argv.data());
    ::_exit(127);
}

Ending WaitFor(pid_t child) {
    int status = 0;
    if (child <= 0 || ::waitpid(child, &status, 0) != child) {
        return Ending{};
    }
    return EndingOf(status);
}

Ending EndingOf(int status) {
    Ending ending;
    if (WIFEXITED(status)) {
        ending.exited = true;
        ending.exitStatus = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        ending.signal = WTERMSIG(status);
    }
    return ending;
}

Ending RunWithin(const Launch& launch, long limitMs) {
    const pid_t child = Spawn(launch);
    if (child <= 0) {
        return Ending{};
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    int status = 0;
    while (::waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ::kill(child, SIGKILL);
            Ending ending = WaitFor(child);
            ending.timedOut = true;
            return ending;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return EndingOf(status);
}

}  // namespace reliability
