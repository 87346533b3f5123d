// A fresh simulated machine as a setup program leaves it before it runs DriverInstaller: the
// "npf" service registered, the two INF files in a setup folder, and a log folder for AutInstLog.
#pragma once

#include "support/process.h"
#include "support/temp_machine.h"

#include <string>

namespace testsupport {

class SetupMachine : public TempMachine {
public:
    // Without INF files the setup folder stays empty.
    enum class InfFiles { kCopied, kMissing };
    explicit SetupMachine(InfFiles infFiles = InfFiles::kCopied);

    const std::string& setupFolder() const { return setupFolder_; }
    const std::string& logFolder() const { return logFolder_; }
    // A run of DriverInstaller in the setup folder on this machine, logging into the log folder.
    ProcessOptions RunOptions() const;

private:
    std::string setupFolder_;
    std::string logFolder_;
};

}  // namespace testsupport
