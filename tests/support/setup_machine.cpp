#include "support/setup_machine.h"

#include "support/inf_files.h"

namespace testsupport {

SetupMachine::SetupMachine(InfFiles infFiles)
    : TempMachine(simwin::MachineOptions{true}),
      setupFolder_(MakeFolder("setup")),
      logFolder_(MakeFolder("logs")) {
    if (infFiles == InfFiles::kMissing) {
        return;
    }
    CopyInfFiles(setupFolder_);
}

ProcessOptions SetupMachine::RunOptions() const {
    ProcessOptions options;
    options.workingFolder = setupFolder_;
    options.environment = {{"SIMWIN_ROOT", root()}, {"AutInstLog", logFolder_}};
    return options;
}

}  // namespace testsupport
