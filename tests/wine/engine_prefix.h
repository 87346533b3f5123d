// The Wine prefix whose network configuration is our engine: CLSID_CNetCfg is the engine's DLL
// and "npf" our stand-in service, both registered by netcfg-sim.exe init --with-npf, which each
// test runs first. The machine as `netcfg-sim.exe show` prints it, and a fixture that runs
// programs there.
#pragma once

#include "wine/wine_session.h"

#include <gtest/gtest.h>

#include <sys/types.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace winetest {

// What `netcfg-sim.exe show` prints of a machine, from its components on (the machine's own
// folder line comes first and is left out), in parts.
extern const char kBaselineComponents[];
extern const char kBaselineBindings[];
// The adapter installed and the switch not (yet, or any more).
extern const char kAdapterAloneComponents[];
extern const std::string kAdapterAloneBindings;
// Both drivers installed.
extern const std::string kInstalledComponents;
extern const std::string kInstalledBindings;
// The switch kept for another product after the adapter's removal.
extern const std::string kSwitchKeptComponents;
extern const std::string kSwitchKeptBindings;
extern const char kNpfStopped[];
extern const char kNpfRunning[];
extern const char kLockFree[];
extern const char kLockHeld[];  // by kLockHolder
extern const char kLockHolder[];

// The whole of what show prints, from those parts.
std::string Show(const std::string& components, const std::string& bindings, const char* services,
                 const char* lock);

// The files and folders below folder, relative to it and sorted; none when it is not there.
std::vector<std::string> FilesUnder(const std::string& folder);

// A test in the engine prefix, on a fresh machine, with a case folder holding a setup folder
// (the two INF files in it) and a log folder.
class EnginePrefixTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs netcfg-sim.exe with arguments; its output is Output().
    int NetCfgSim(const std::vector<std::string>& arguments) const;

    // What netcfg-sim.exe show prints, without its first line (the machine's folder).
    std::string ShowMachine() const;

    // The machine as shown once it shows every one of parts, or after twenty seconds: the npf
    // service and another client's lock come up in processes of their own.
    std::string ShowOnceItShows(std::initializer_list<const char*> parts) const;

    // Starts netcfg-sim.exe lock, holding the write lock for a minute as kLockHolder, and waits
    // until the machine shows it held (twenty seconds at most); the holder's process id (the Wine
    // process running it, so that killing it kills the holder), or -1.
    pid_t HoldLock() const;

    // Starts a holder as HoldLock does, for the rest of the test: TearDown kills it. False when
    // it did not start.
    bool HoldLockForTheTest();

    // Makes the class installer refuse the switch's Install: counted in each process, the
    // adapter's Install is the first, the switch's the second. netcfg-sim.exe's exit code.
    int FailSwitchInstall() const;

    // Runs DriverInstaller.exe with command in the setup folder, after removing the log file;
    // the log goes to the log folder.
    int Run(const std::string& command) const;

    LogFile Log() const;

    std::string OutputPath() const { return folder_.path() + "/tool-output.txt"; }
    std::string Output() const;

    CaseFolder folder_;
    std::string setupFolder_;
    std::string logFolder_;
    pid_t holder_ = -1;
};

}  // namespace winetest
