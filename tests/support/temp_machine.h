// A fresh simulated machine in a temporary folder, made the process's machine (SIMWIN_ROOT) for
// the life of the object, with no fault rules and an empty journal.
#pragma once

#include <simwin/machine.h>
#include <simwin/testing.h>

#include "support/text_file.h"
#include "support/uncopyable.h"

#include <string>

namespace testsupport {

class TempMachine : Uncopyable {
public:
    explicit TempMachine(simwin::MachineOptions options = {});
    ~TempMachine();

    const std::string& root() const { return root_; }
    // A fresh, empty folder inside the machine's temporary folder (for INF files, logs, ...).
    std::string MakeFolder(const std::string& name) const;
    // The machine's durable state; fails the test when it cannot be read.
    simwin::MachineState State() const;

private:
    std::string root_;
    std::string previousRoot_;
    bool hadPreviousRoot_ = false;
};

}  // namespace testsupport
