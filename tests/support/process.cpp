#include "support/process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace testsupport {

pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const ProcessOptions& options) {
    std::vector<std::string> words = options.prefix;
    words.push_back(program);
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    const pid_t child = ::fork();
    if (child != 0) {
        return child < 0 ? -1 : child;
    }
    if (!options.workingFolder.empty() && ::chdir(options.workingFolder.c_str()) != 0) {
        ::_exit(126);
    }
    for (const std::string& name : options.unsetEnvironment) {
        ::unsetenv(name.c_str());
    }
    for (const auto& [name, value] : options.environment) {
        ::setenv(name.c_str(), value.c_str(), 1);
    }
    if (!options.outputPath.empty() || options.quiet) {
        const int output = options.outputPath.empty() ? ::open("/dev/null", O_WRONLY)
                                                      : ::open(options.outputPath.c_str(),
                                                               O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (output >= 0) {
            ::dup2(output, 1);
            ::dup2(output, 2);
            ::close(output);
        }
    }
    ::execvp(argv[0], argv.data());
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

Ending RunWithin(const std::string& program, const std::vector<std::string>& arguments,
                 const ProcessOptions& options, long limitMs) {
    const pid_t child = Spawn(program, arguments, options);
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

int RunProcess(const std::string& program, const std::vector<std::string>& arguments,
               const ProcessOptions& options, const std::string& outputPath) {
    ProcessOptions run = options;
    if (!outputPath.empty()) {
        run.outputPath = outputPath;
    }
    const Ending ending = WaitFor(Spawn(program, arguments, run));
    return ending.exited ? ending.exitStatus : -1;
}

}  // namespace testsupport
