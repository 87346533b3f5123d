#include "support/setup_machine.h"

#include <filesystem>

namespace testsupport {

namespace fs = std::filesystem;

SetupMachine::SetupMachine(InfFiles infFiles)
    : TempMachine(simwin::MachineOptions{true}),
      setupFolder_(MakeFolder("setup")),
      logFolder_(MakeFolder("logs")) {
    if (infFiles == InfFiles::kMissing) {
        return;
    }
    for (const char* name : {"quorixvmini60.inf", "quorixlwf.inf"}) {
        fs::copy_file(fs::path(INF_FOLDER) / name, fs::path(setupFolder_) / name);
    }
}

ProcessOptions SetupMachine::RunOptions() const {
    ProcessOptions options;
    options.workingFolder = setupFolder_;
    options.environment = {{"SIMWIN_ROOT", root()}, {"AutInstLog", logFolder_}};
    return options;
}

}  // namespace testsupport
