// Running the built programs as processes, as a setup program would.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace testsupport {

struct ProcessOptions {
    std::string workingFolder;                       // empty: the test's own
    std::map<std::string, std::string> environment;  // set in the child, over the test's own
    std::vector<std::string> unsetEnvironment;
    std::vector<std::string>
        prefix;  // run through another program first, e.g. setpriv and its options
};

// Runs the program to its end and returns its exit status (0-255), or -1 when it could not be
// started or did not exit normally. Standard output and error go to outputPath when given.
int RunProcess(const std::string& program, const std::vector<std::string>& arguments,
               const ProcessOptions& options, const std::string& outputPath = "");

}  // namespace testsupport
