#include "support/temp_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testsupport {

namespace fs = std::filesystem;

TempMachine::TempMachine(simwin::MachineOptions options) {
    std::string pattern = (fs::temp_directory_path() / "simwin-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        ADD_FAILURE() << "cannot create a temporary folder";
    }
    const std::string base = pattern;
    root_ = base + "/machine";
    if (const char* previous = std::getenv("SIMWIN_ROOT")) {
        previousRoot_ = previous;
        hadPreviousRoot_ = true;
    }
    ::setenv("SIMWIN_ROOT", root_.c_str(), 1);
    std::string error;
    if (!simwin::InitMachine(root_, options, false, SIMWIN_NET_EXE, &error)) {
        ADD_FAILURE() << "cannot create the machine: " << error;
    }
    simwin::ClearFaultRules();
    simwin::ClearJournal();
}

TempMachine::~TempMachine() {
    simwin::ClearFaultRules();
    if (hadPreviousRoot_) {
        ::setenv("SIMWIN_ROOT", previousRoot_.c_str(), 1);
    } else {
        ::unsetenv("SIMWIN_ROOT");
    }
    std::error_code ignored;
    fs::remove_all(fs::path(root_).parent_path(), ignored);
}

std::string TempMachine::MakeFolder(const std::string& name) const {
    const fs::path folder = fs::path(root_).parent_path() / name;
    fs::create_directories(folder);
    return folder.string();
}

simwin::MachineState TempMachine::State() const {
    simwin::MachineState state;
    std::string error;
    if (!simwin::ReadMachineState(root_, &state, &error)) {
        ADD_FAILURE() << "cannot read the machine: " << error;
    }
    return state;
}

}  // namespace testsupport
