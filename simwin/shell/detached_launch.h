// Starting a program that the caller does not wait for.
#pragma once

#include <string>
#include <vector>

namespace simwin::detail {

struct LaunchFailure {
    bool inFolder = false;  // the folder could not be entered (else the program not started)
    int error = 0;          // the errno of the step that failed
};

// Starts program with arguments (argv[0] included) in folder, without waiting for it: a double
// fork leaves the program a child of init, so no zombie remains. The program inherits the
// environment and no descriptor: its standard streams are /dev/null, as a program started in a
// hidden console of its own sees nothing of its starter's. True once exec succeeded;
// otherwise false with what failed.
bool LaunchDetached(const std::string& program, const std::vector<std::string>& arguments,
                    const std::string& folder, LaunchFailure* failure);

}  // namespace simwin::detail
