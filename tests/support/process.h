// Running the built programs as processes, as a setup program would: to their end, within a time
// limit, or started and left running so that several runs overlap or a run can be killed.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProcessOptions {
    std::string workingFolder;                       // empty: the test's own
    std::map<std::string, std::string> environment;  // set in the child, over the test's own
    std::vector<std::string> unsetEnvironment;
    std::vector<std::string>
        prefix;              // run through another program first, e.g. setpriv and its options
    std::string outputPath;  // standard output and error to this file when given,
    bool quiet = false;      // else to /dev/null when set, else the test's own
};

// Starts program (found on PATH when it has no slash) with arguments; the child's process id,
// or -1.
pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments,
            const ProcessOptions& options);

struct Ending {
    bool exited = false;    // ended by itself
    bool timedOut = false;  // killed by RunWithin when its time was up
    int exitStatus = -1;    // when it exited: 0-255
    int signal = 0;         // when a signal ended it
};

// Waits for a child that Spawn started.
Ending WaitFor(pid_t child);

// How a process ended, from its waitpid status.
Ending EndingOf(int status);

// Runs the program to its end, or kills it with SIGKILL once limitMs have passed.
Ending RunWithin(const std::string& program, const std::vector<std::string>& arguments,
                 const ProcessOptions& options, long limitMs);

// Runs the program to its end and returns its exit status (0-255), or -1 when it could not be
// started or did not exit normally. Standard output and error go to outputPath when given.
int RunProcess(const std::string& program, const std::vector<std::string>& arguments,
               const ProcessOptions& options, const std::string& outputPath = "");

}  // namespace testsupport
