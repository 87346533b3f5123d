// What the program's in-process tests share on both platforms: a log folder of the test's own
// named by AutInstLog, the Logger and DeviceManager of a run, the log read back line by line,
// and environment variables restored after the test.
#pragma once

#include "device_manager/DeviceManager.h"
#include "log/Logger.h"
#include "support/test_platform.h"

#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/log_file.h"
#include "support/uncopyable.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace installer_test {

using expected_runs::Join;
using testsupport::CaseName;
using testsupport::kLogFileName;
using namespace testsupport::exit_code;  // the codes as RunWith and the Installer return them

// Expected log lines, one string a message.
using LineList = std::vector<std::string>;

// The log's messages: its lines without the time prefix and the platform's line end ("<ERROR> | "
// kept). A malformed line fails the test.
std::vector<std::string> ReadLogLines(const std::string& logFile);

// Compares log lines with the expected ones and reports the first line that differs.
void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected);

// An error line as the log shows it once the time prefix is removed.
inline std::string E(const std::string& message) {
    return "<ERROR> | " + message;
}

// The six lines every run starts with.
inline const std::vector<std::string>& kBanner = expected_runs::Banner();

// Runs the program's entry with the given arguments after the program name; returns the exit
// code.
int RunWith(std::vector<std::wstring> arguments);

// An environment variable given back its value (or its absence) when the object goes.
class ScopedVariable : testsupport::Uncopyable {
public:
    explicit ScopedVariable(std::string name);
    ~ScopedVariable();

    void Set(const std::optional<std::string>& value) const;

private:
    std::string name_;
    std::optional<std::string> saved_;
};

class ProgramTest : public ::testing::Test {
protected:
    ProgramTest();
    ~ProgramTest() override;

    // A fresh folder inside the test's own folder.
    std::string MakeFolder(const std::string& name) const { return platform_.MakeFolder(name); }
    // Makes folder the current directory until the test ends.
    void EnterFolder(const std::string& folder) const;
    std::vector<std::string> Lines() const { return ReadLogLines(logFile_); }
    void ClearLog() const;

    // First, so that on Linux the simulated machine is in place before any platform call and
    // its ledger is read after everything else has been given back.
    TestPlatform platform_;
    ScopedVariable autInstLog_{"AutInstLog"};
    std::string logFolder_;
    std::string logFile_;
    std::unique_ptr<Logger> logger_;
    std::unique_ptr<DeviceManager> manager_;

private:
    std::filesystem::path previousDirectory_;
};

}  // namespace installer_test
