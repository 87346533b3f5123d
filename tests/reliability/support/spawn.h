// Starting the built program without waiting for it, so that several runs overlap or a run can
// be killed part-way.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace reliability {

struct Launch {
    std::string program;
    std::vector<std::string> arguments;
    std::string workingFolder;
    std::map<std::string, std::string> environment;  // set over the test's own
    bool quiet = true;                               // output to /dev/null
    std::string outputPath;                          // else, when given, output to this file
};

// Starts the program; the child's process id, or -1.
pid_t Spawn(const Launch& launch);

struct Ending {
    bool exited = false;    // ended by itself
    bool timedOut = false;  // killed by RunWithin when its time was up
    int exitStatus = -1;    // when it exited: 0-255
    int signal = 0;         // when a signal ended it
};

Ending WaitFor(pid_t child);

// How a process ended, from its waitpid status.
Ending EndingOf(int status);

// Runs the program to its end, or kills it with SIGKILL once limitMs have passed.
Ending RunWithin(const Launch& launch, long limitMs);

}  // namespace reliability
