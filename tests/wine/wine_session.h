// Running the Windows build's programs under Wine, in a Wine prefix inside the build folder, and
// reading the log DriverInstaller.exe writes there.
#pragma once

#include "support/expected_runs.h"
#include "support/log_file.h"
#include "support/process.h"
#include "support/uncopyable.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace winetest {

// A Wine prefix: a folder that holds one Windows installation.
class WinePrefix {
public:
    explicit WinePrefix(std::string path) : path_(std::move(path)) {}

    // Creates the prefix when it does not exist yet. False when Wine could not create it.
    bool Ensure() const;
    // The prefix's drive C: as a Unix folder.
    std::string DriveC() const { return path_ + "/drive_c"; }
    // Runs a Windows program (its Unix path first, then its arguments) under Wine in
    // workingFolder, with environment set over the test's own and SIMWIN_ROOT and the names in
    // unset removed. Output goes to outputPath when given. Returns the exit status as a Linux
    // parent sees it (the code modulo 256), or -1.
    int Run(const std::vector<std::string>& words, const std::string& workingFolder,
            const std::map<std::string, std::string>& environment = {},
            const std::vector<std::string>& unset = {}, const std::string& outputPath = "") const;
    // How Run starts a program: the base environment with environment set over it, and
    // SIMWIN_ROOT (unless environment sets it) and the names in unset removed.
    testsupport::ProcessOptions Options(const std::string& workingFolder,
                                        const std::map<std::string, std::string>& environment,
                                        const std::vector<std::string>& unset = {}) const;
    // Runs wineserver with arguments: "-p" keeps the prefix's server (and so its services) up
    // between processes, "-k" ends it and every process of the prefix, "--wait" waits for its end.
    int Server(const std::vector<std::string>& arguments) const;
    // Ends the prefix's server and every process of the prefix, and waits until the server has
    // gone: "-k" only signals it, and a program started meanwhile can reach the dying server and
    // fail before it prints anything.
    void StopServer() const;
    // A fresh server, kept up between processes: the old one stopped first. Returns the status
    // of "-p".
    int FreshServer() const;
    // The environment that every run gets: the prefix, no debug channels, no offer to download
    // the browser and .NET engines.
    std::map<std::string, std::string> BaseEnvironment() const;

private:
    std::string path_;
};

// The prefix of the tests against Wine's own network configuration object, created by the first
// run that needs it.
const WinePrefix& PlainPrefix();

// The prefix of the tests against our network configuration engine, which netcfg-sim.exe init
// prepares.
const WinePrefix& EnginePrefix();

// Ensures the plain prefix. Returns false when Wine could not create it.
bool EnsurePrefix();

// The plain prefix's drive C: as a Unix folder.
std::string DriveC();

// A Unix path as a Windows program under Wine sees it: drive Z: maps the root.
std::string WindowsPath(const std::string& unixPath);

// Runs DriverInstaller.exe (the Windows build's, or the one the environment variable
// WINE_TEST_INSTALLER_EXE names) under Wine in the given prefix (the plain one when none is
// given) in workingFolder. logFolder, when not null, is handed to the program as AutInstLog
// (already in the form the program should read); otherwise AutInstLog is left unset. Returns the
// exit status as a Linux parent sees it (the code modulo 256), or -1.
int RunInstaller(const std::vector<std::string>& arguments, const std::string& workingFolder,
                 const std::string* logFolder, const WinePrefix& prefix = PlainPrefix());

// A log file that DriverInstaller.exe wrote, read back: every line must end in CR LF.
using testsupport::LogFile;
inline LogFile ReadLog(const std::string& path) {
    return testsupport::ReadLog(path, "\r\n");
}

// Compares a log with the whole expected log, line by line, every line ending in CR LF, and
// reports the outcome as one "Wine run of DriverInstaller.exe: ..." line on standard output, which
// the test command counts.
void ExpectLog(const LogFile& log, const expected_runs::Lines& expected);

// A fresh folder for one case, removed with its contents when the object goes.
class CaseFolder : testsupport::Uncopyable {
public:
    CaseFolder();
    ~CaseFolder();

    // Creates a sub-folder and returns its path.
    std::string Make(const std::string& name) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A test in the plain prefix with a fresh case folder holding a setup folder and a log folder.
class PlainPrefixTest : public ::testing::Test {
protected:
    void SetUp() override;

    CaseFolder folder_;
    std::string setupFolder_;
    std::string logFolder_;
};

}  // namespace winetest
