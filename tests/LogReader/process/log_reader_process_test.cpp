// driverinstaller-log run as a process on logs that DriverInstaller itself wrote, run as a setup
// program runs it on a fresh simulated machine: each summary compared whole. Time stamps vary
// from run to run and are replaced by YYYY-MM-DD and hh:mm:ss before the comparison.
#include "LogReader/reader_output.h"
#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/log_file.h"
#include "support/process.h"
#include "support/setup_machine.h"
#include "support/temp_machine.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define READER_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define READER_SANITIZED 1
#endif
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using logreadertest::JsonErrorLines;
using logreadertest::ReaderRun;
using testsupport::ProcessOptions;
using testsupport::RunProcess;
using testsupport::TempMachine;

using testsupport::kExitAdapterInstallFailed;
using testsupport::kExitAdapterRemovalFailed;
using testsupport::kExitInfMissing;
using testsupport::kExitNoArgument;
using testsupport::kExitRefused;
constexpr int kReaderNoLog = 2;

class LogReaderProcessTest : public ::testing::Test {
protected:
    LogReaderProcessTest()
        : setupFolder_(machine_.setupFolder()),
          logFolder_(machine_.logFolder()),
          logPath_(testsupport::LogFileIn(logFolder_)) {}

    ProcessOptions InstallerOptions(std::vector<std::string> prefix = {}) const {
        ProcessOptions options = machine_.RunOptions();
        options.prefix = std::move(prefix);
        return options;
    }

    int RunInstaller(const std::vector<std::string>& arguments,
                     std::vector<std::string> prefix = {}) const {
        return RunProcess(DRIVERINSTALLER_EXE, arguments, InstallerOptions(std::move(prefix)));
    }

    // The reader with arguments; environment as given (the test's own otherwise).
    ReaderRun RunReader(const std::vector<std::string>& arguments,
                        const ProcessOptions& options = {}) const {
        const std::string outputPath = machine_.MakeFolder("reader") + "/output.txt";
        ReaderRun run;
        run.status = RunProcess(DRIVERINSTALLER_LOG_EXE, arguments, options, outputPath);
        run.output = logreadertest::WithoutTimes(testsupport::ReadFile(outputPath));
        return run;
    }

    // The reader's summary of the log, read with options: exit status 0 and the whole output.
    void ExpectSummary(std::vector<std::string> options, const std::string& expected) const {
        options.push_back(logPath_);
        const ReaderRun run = RunReader(options);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.output, expected);
    }

    // Holds the machine's write lock as another client would, until the object goes.
    class OtherClientHoldingTheLock {
    public:
        explicit OtherClientHoldingTheLock(const TempMachine& machine) : machine_(machine) {
            pid_ = ::fork();
            if (pid_ == 0) {
                ::setenv("SIMWIN_ROOT", machine.root().c_str(), 1);
                ::execl(NETCFG_SIM_EXE, NETCFG_SIM_EXE, "lock", "--hold", "30", "--as",
                        "Other Setup Wizard", static_cast<char*>(nullptr));
                ::_exit(127);
            }
        }
        ~OtherClientHoldingTheLock() {
            if (pid_ > 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
            }
        }
        bool Holding() const {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
            while (machine_.State().lockHolder.empty() &&
                   std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return !machine_.State().lockHolder.empty();
        }

    private:
        const TempMachine& machine_;
        pid_t pid_ = -1;
    };

    testsupport::SetupMachine machine_;
    const std::string setupFolder_;
    const std::string logFolder_;
    std::string logPath_;
};

TEST_F(LogReaderProcessTest, InstallThenUninstallAreTwoSuccessfulRuns) {
    ASSERT_EQ(RunInstaller({"Install"}), 0);
    ASSERT_EQ(RunInstaller({"Uninstall"}), 0);

    const std::string uninstallRun =
        "Run 2, started YYYY-MM-DD hh:mm:ss\n"
        "  Command: Uninstall\n"
        "  Outcome: exit code 0: the command succeeded\n"
        "  Left installed: nothing\n"
        "  Errors: none\n"
        "\n";
    ExpectSummary({},
                  "Run 1, started YYYY-MM-DD hh:mm:ss\n"
                  "  Command: Install\n"
                  "  Outcome: exit code 0: the command succeeded\n"
                  "  Left installed: the virtual ethernet adapter (installed by this run), the "
                  "virtual switch (installed by this run)\n"
                  "  Errors: none\n"
                  "\n" +
                      uninstallRun);
    // The last run keeps its number in the file.
    ExpectSummary({"--last"}, uninstallRun);

    ExpectSummary({"--json"}, R"({"run":1,"started":"YYYY-MM-DD hh:mm:ss","startMissing":false,)"
                              R"("command":"Install","complete":true,"exitCode":0,)"
                              R"("outcome":"the command succeeded","leftInstalled":{)"
                              R"("verdict":"something","text":"the virtual ethernet adapter )"
                              R"((installed by this run), the virtual switch (installed by )"
                              R"j(this run)","components":[{"component":"adapter","cycle":1,)j"
                              R"("state":"installed","text":"installed by this run"},)"
                              R"({"component":"switch","cycle":1,"state":"installed",)"
                              R"("text":"installed by this run"}]},"lockHolders":[],"lines":[]})"
                              "\n"
                              R"({"run":2,"started":"YYYY-MM-DD hh:mm:ss","startMissing":false,)"
                              R"("command":"Uninstall","complete":true,"exitCode":0,)"
                              R"("outcome":"the command succeeded","leftInstalled":{)"
                              R"("verdict":"nothing","text":"nothing","components":[)"
                              R"({"component":"switch","cycle":1,"state":"removed",)"
                              R"("text":"removed by this run"},{"component":"adapter",)"
                              R"("cycle":1,"state":"removed","text":"removed by this run"}]},)"
                              R"("lockHolders":[],"lines":[]})"
                              "\n");
}

TEST_F(LogReaderProcessTest, UninstallWithNothingInstalledIs903WithBothLookupsDecoded) {
    ASSERT_EQ(RunInstaller({"Uninstall"}), kExitAdapterRemovalFailed);

    ExpectSummary(
        {},
        "Run 1, started YYYY-MM-DD hh:mm:ss\n"
        "  Command: Uninstall\n"
        "  Outcome: exit code 903: removing the virtual ethernet adapter failed, whatever "
        "became of the switch\n"
        "  Left installed: nothing\n"
        "  Errors:\n"
        "    hh:mm:ss DeviceManager::UninstallDriver() Couldn't get an interface pointer to "
        "QUORIX_NdisLwf.\n"
        "    hh:mm:ss DeviceManager::UninstallDriver() FindComponent returned hr='1' / "
        "hr='0x00000001'\n"
        "      hr 0x00000001 = S_FALSE: success with a negative answer (not found, or "
        "already done)\n"
        "    hh:mm:ss DeviceManager::Uninstaller() Virtual Switch uninstall failed.\n"
        "    hh:mm:ss DeviceManager::UninstallDriver() Couldn't get an interface pointer to "
        "root\\quorixvmini60_a.\n"
        "    hh:mm:ss DeviceManager::UninstallDriver() FindComponent returned hr='1' / "
        "hr='0x00000001'\n"
        "      hr 0x00000001 = S_FALSE: success with a negative answer (not found, or "
        "already done)\n"
        "    hh:mm:ss DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall "
        "failed.\n"
        "    hh:mm:ss DeviceManager::Uninstaller() Uninstall of virtual switch and/or "
        "virtual ethernet adapter failed.\n"
        "\n");
}

TEST_F(LogReaderProcessTest, AMissingInfFileIs908) {
    fs::remove(fs::path(setupFolder_) / "quorixlwf.inf");
    ASSERT_EQ(RunInstaller({"Install"}), kExitInfMissing);

    ExpectSummary(
        {},
        "Run 1, started YYYY-MM-DD hh:mm:ss\n"
        "  Command: Install\n"
        "  Outcome: exit code 908: an INF file is missing from the current folder\n"
        "  Left installed: the virtual ethernet adapter (unknown: the run ended before its "
        "step), "
        "the virtual switch (unknown: the run ended before its step)\n"
        "  Errors:\n"
        "    hh:mm:ss DeviceManager::Installer() *.inf files for virtual ethernet adapter or "
        "virtual switch not found\n"
        "    hh:mm:ss DeviceManager::Installer() | Exit...\n"
        "    hh:mm:ss Installation of virtual ethernet adapter failed. 'Installer()' "
        "returned result=908\n"
        "      result 908: an INF file is missing from the current folder\n"
        "\n");
}

TEST_F(LogReaderProcessTest, ARunWithoutPrivilegeIs906BeforeAnyCommand) {
    // Without CAP_NET_ADMIN the simulated token is not elevated.
    ASSERT_EQ(
        RunInstaller({"Install"}, {"setpriv", "--bounding-set=-all", "--inh-caps=-all", "--"}),
        kExitRefused);

    ExpectSummary({},
                  "Run 1, started YYYY-MM-DD hh:mm:ss\n"
                  "  Command: not looked at: the process is not elevated\n"
                  "  Outcome: exit code 906: the process token is not elevated, or the command is "
                  "not recognised\n"
                  "  Left installed: unknown: no line of the run reaches a component\n"
                  "  Errors:\n"
                  "    hh:mm:ss Admin rights are required to install the driver!\n"
                  "\n");
}

// On a folder that holds no machine the configuration object cannot be created: no lock is
// blamed, and the reader says what the missing class means on both kinds of system.
TEST_F(LogReaderProcessTest, AnInstallWithoutAMachineIsExplainedAsAClassNotRegistered) {
    ProcessOptions options = InstallerOptions();
    options.environment["SIMWIN_ROOT"] = machine_.MakeFolder("no-machine");
    ASSERT_EQ(RunProcess(DRIVERINSTALLER_EXE, {"Install"}, options), kExitAdapterInstallFailed);

    const std::string hr = "hr='-2147221164' / hr='0x80040154'";
    const std::string decoded =
        "      hr 0x80040154 = REGDB_E_CLASSNOTREG: the network configuration class is not "
        "registered; on the simulated platform, SIMWIN_ROOT holds no machine (netcfg-sim init "
        "makes one)\n";
    ExpectSummary({},
                  "Run 1, started YYYY-MM-DD hh:mm:ss\n"
                  "  Command: Install\n"
                  "  Outcome: exit code 901: installing the virtual ethernet adapter failed\n"
                  "  Left installed: nothing\n"
                  "  Errors:\n"
                  "    hh:mm:ss  " +
                      hr + "\n" + decoded + "    hh:mm:ss  " + hr + "\n" + decoded +
                      "    hh:mm:ss DeviceManager::InstallSpecifiedComponent() Couldn't the get "
                      "notify object interface. HrGetINetCfg returned " +
                      hr + "\n" + decoded +
                      "    hh:mm:ss DeviceManager::InstallDriver() InstallSpecifiedComponent "
                      "returned " +
                      hr + "\n" + decoded +
                      "    hh:mm:ss DeviceManager::InstallDriver() InstallSpecifiedComponent "
                      "szFileFullPath='" +
                      setupFolder_ +
                      "/quorixvmini60.inf'\n"
                      "    hh:mm:ss DeviceManager::Installer() Installing Virtual Ethernet adapter "
                      "failed. 'InstallDriver()' returned " +
                      hr + "\n" + decoded +
                      "    hh:mm:ss Installation of virtual ethernet adapter failed. 'Installer()' "
                      "returned result=901\n"
                      "      result 901: installing the virtual ethernet adapter failed\n"
                      "\n");
}

TEST_F(LogReaderProcessTest, AnInstallRefusedTheLockNamesTheHolderAndDecodesEveryResult) {
    OtherClientHoldingTheLock holder(machine_);
    ASSERT_TRUE(holder.Holding());
    ASSERT_EQ(RunInstaller({"Install"}), kExitAdapterInstallFailed);

    const std::string adapterInf = setupFolder_ + "/quorixvmini60.inf";
    ExpectSummary(
        {},
        "Run 1, started YYYY-MM-DD hh:mm:ss\n"
        "  Command: Install\n"
        "  Outcome: exit code 901: installing the virtual ethernet adapter failed\n"
        "  Left installed: nothing\n"
        "  Lock holder: Other Setup Wizard\n"
        "  Errors:\n"
        "    hh:mm:ss  hr='-2147180508' / hr='0x8004a024'\n"
        "      hr 0x8004a024 = NETCFG_E_NO_WRITE_LOCK: another program holds the write lock "
        "of the network configuration\n"
        "    hh:mm:ss DeviceManager::InstallSpecifiedComponent() Other Setup Wizard "
        "currently holds the lock, try later.\n"
        "    hh:mm:ss DeviceManager::InstallDriver() InstallSpecifiedComponent returned "
        "hr='-2147180508' / hr='0x8004a024'\n"
        "      hr 0x8004a024 = NETCFG_E_NO_WRITE_LOCK: another program holds the write lock "
        "of the network configuration\n"
        "    hh:mm:ss DeviceManager::InstallDriver() InstallSpecifiedComponent "
        "szFileFullPath='" +
            adapterInf +
            "'\n"
            "    hh:mm:ss DeviceManager::Installer() Installing Virtual Ethernet adapter "
            "failed. 'InstallDriver()' returned hr='-2147180508' / hr='0x8004a024'\n"
            "      hr 0x8004a024 = NETCFG_E_NO_WRITE_LOCK: another program holds the write "
            "lock of the network configuration\n"
            "    hh:mm:ss Installation of virtual ethernet adapter failed. 'Installer()' "
            "returned result=901\n"
            "      result 901: installing the virtual ethernet adapter failed\n"
            "\n");

    const std::string noWriteLock =
        R"({"field":"hr","written":"0x8004a024","value":2147786788,"known":true,)"
        R"("name":"NETCFG_E_NO_WRITE_LOCK",)"
        R"("meaning":"another program holds the write lock of the network configuration"})";
    ExpectSummary(
        {"--json"},
        R"({"run":1,"started":"YYYY-MM-DD hh:mm:ss","startMissing":false,)"
        R"("command":"Install","complete":true,"exitCode":901,)"
        R"("outcome":"installing the virtual ethernet adapter failed",)" +
            logreadertest::kLeftAfterFailedAdapterInstallJson +
            R"("lockHolders":["Other Setup Wizard"],"lines":)" +
            JsonErrorLines({
                {" hr='-2147180508' / hr='0x8004a024'", noWriteLock},
                {"DeviceManager::InstallSpecifiedComponent() Other Setup Wizard currently "
                 "holds "
                 "the lock, try later.",
                 ""},
                {"DeviceManager::InstallDriver() InstallSpecifiedComponent returned "
                 "hr='-2147180508' / hr='0x8004a024'",
                 noWriteLock},
                {"DeviceManager::InstallDriver() InstallSpecifiedComponent szFileFullPath='" +
                     adapterInf + "'",
                 ""},
                {"DeviceManager::Installer() Installing Virtual Ethernet adapter failed. "
                 "'InstallDriver()' returned hr='-2147180508' / hr='0x8004a024'",
                 noWriteLock},
                {"Installation of virtual ethernet adapter failed. 'Installer()' returned "
                 "result=901",
                 R"({"field":"result","written":"901","value":901,"known":true,"name":"",)"
                 R"("meaning":"installing the virtual ethernet adapter failed"})"},
            }) +
            "}\n");
}

TEST_F(LogReaderProcessTest, ARunKilledBeforeItsEndHasAnUnknownOutcomeAndTheNextRunIsItsOwn) {
    // Install waits two seconds once it has found the INF files: it is killed in that wait.
    ProcessOptions options = InstallerOptions();
    options.quiet = true;
    const pid_t installer = testsupport::Spawn(DRIVERINSTALLER_EXE, {"Install"}, options);
    ASSERT_GT(installer, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (testsupport::ReadFile(logPath_).find("DeviceManager::Installer() | Enter...") ==
               std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(installer, SIGKILL);
    ASSERT_EQ(testsupport::WaitFor(installer).signal, SIGKILL);
    ASSERT_EQ(RunInstaller({}), kExitNoArgument);

    ExpectSummary({},
                  "Run 1, started YYYY-MM-DD hh:mm:ss\n"
                  "  Command: Install\n"
                  "  Outcome: unknown: the run's last lines are missing\n"
                  "  Left installed: the virtual ethernet adapter (unknown: the run ended "
                  "before its step), "
                  "the virtual switch (unknown: the run ended before its step)\n"
                  "  Errors: none\n"
                  "\n"
                  "Run 2, started YYYY-MM-DD hh:mm:ss\n"
                  "  Command: none: no command argument\n"
                  "  Outcome: exit code 905: no command argument\n"
                  "  Left installed: unknown: no line of the run reaches a component\n"
                  "  Errors: none\n"
                  "\n");
}

// What the last run left installed, as a setup program's uninstaller asks after a 903 or 904:
// only the verdict's line, and its answer as the exit code.
struct LeftInstalledCase {
    const char* name;
    std::vector<std::string> commands;  // the runs, in order; "" for a run without an argument
    const char* fault;                  // a machine fault rule added before the last run, or ""
    int lastExitCode;
    std::string verdict;
    int readerExitCode;
};

class LeftInstalledTest : public testsupport::CaseTest<LeftInstalledCase, LogReaderProcessTest> {};

TEST_P(LeftInstalledTest, PrintsTheLastRunsVerdictAndAnswersWithIt) {
    const LeftInstalledCase& c = GetParam();
    for (std::size_t i = 0; i < c.commands.size(); ++i) {
        if (i + 1 == c.commands.size() && *c.fault != '\0') {
            const std::string faults = machine_.root() + "/faults";
            testsupport::WriteFile(faults, std::string(c.fault) + "\n");
        }
        const std::vector<std::string> arguments =
            c.commands[i].empty() ? std::vector<std::string>{} : std::vector{c.commands[i]};
        const int status = RunInstaller(arguments);
        if (i + 1 == c.commands.size()) {
            ASSERT_EQ(status, c.lastExitCode);
        }
    }
    const ReaderRun run = RunReader({"--last", "--left-installed", logPath_});
    EXPECT_EQ(run.status, c.readerExitCode);
    EXPECT_EQ(run.output, "Left installed: " + c.verdict + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, LeftInstalledTest,
    ::testing::Values(
        LeftInstalledCase{"InstallOverBoth",
                          {"Install", "Install"},
                          "",
                          0,
                          "the virtual ethernet adapter (installed by this run), the virtual "
                          "switch (installed by this run)",
                          1},
        LeftInstalledCase{"CleanUninstall", {"Install", "Uninstall"}, "", 0, "nothing", 0},
        // 903, yet neither component was there to remove.
        LeftInstalledCase{
            "UninstallOfNothing", {"Uninstall"}, "", kExitAdapterRemovalFailed, "nothing", 0},
        LeftInstalledCase{"SecondOfTwoUninstalls",
                          {"Install", "Uninstall", "Uninstall"},
                          "",
                          kExitAdapterRemovalFailed,
                          "nothing",
                          0},
        LeftInstalledCase{"FailedDeInstall",
                          {"Install", "Uninstall"},
                          "INetCfgClassSetup::DeInstall E_FAIL nth 1",
                          testsupport::kExitSwitchRemovalFailed,
                          "the virtual switch (its removal failed)",
                          1},
        LeftInstalledCase{"NoCommand",
                          {"Uninstall", ""},
                          "",
                          kExitNoArgument,
                          "unknown: no line of the run reaches a component",
                          2}),
    testsupport::CaseName{});

// A damaged or planted log: a line of a million digits after "errorMessageID=" (which once
// overflowed the stack of std::regex), a line of terminal controls that would rewrite the outcome
// shown above it, and a holder line that names no one. The report holds them cut, escaped and
// undecoded, and no control byte but its line ends.
TEST_F(LogReaderProcessTest, AHostileLogGetsAReportOfTextAlone) {
    const std::string path = machine_.MakeFolder("input") + "/hostile.log";
    std::string log;
    for (const std::string& message : expected_runs::Banner()) {
        log += "2026-12-07___21:40:12 | " + message + "\n";
    }
    const std::string errorLine = "2026-12-07___21:40:13 | <ERROR> | ";
    log += "2026-12-07___21:40:12 | Command found: uninstall ethernet adapter and switch\n" +
           errorLine + "errorMessageID=" + std::string(1000000, '7') + "\n" + errorLine +
           "\x1b[3A\r\x1b[2K  Outcome: exit code 0: the command succeeded\x08\x7f\xc2\x9b\n" +
           errorLine + "DeviceManager::UninstallDriver() currently holds the lock, try later.\n";
    testsupport::WriteFile(path, log);

    // The line is read up to 65536 bytes: its prefix, marker, field name and 65487 digits.
    const std::string digits(65487, '7');
    const ReaderRun run = RunReader({path});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "Run 1, started YYYY-MM-DD hh:mm:ss\n"
              "  Command: Uninstall\n"
              "  Outcome: unknown: the run's last lines are missing\n"
              "  Left installed: the virtual switch (unknown: the run ended before its step), the "
              "virtual ethernet adapter (unknown: the run ended before its step)\n"
              "  Errors:\n"
              "    hh:mm:ss errorMessageID=" +
                  digits +
                  "\n"
                  "      errorMessageID " +
                  digits +
                  ": out of its field's range; not decoded\n"
                  "      cut: the line is longer than 65536 bytes; its last 934513 bytes are not "
                  "read\n"
                  "    hh:mm:ss \\x1b[3A\\x0d\\x1b[2K  Outcome: exit code 0: the command "
                  "succeeded\\x08\\x7f\\u009b\n"
                  "    hh:mm:ss DeviceManager::UninstallDriver() currently holds the lock, try "
                  "later.\n"
                  "\n");
}

// The file DriverInstaller writes to, found by the reader the same way when no file is named.
struct LocationCase {
    const char* name;
    std::map<std::string, std::string> environment;  // "FOLDER" stands for the log folder
};

class DefaultLogFileTest : public testsupport::CaseTest<LocationCase, LogReaderProcessTest> {};

TEST_P(DefaultLogFileTest, TheReaderFindsTheLogWhereTheInstallerWroteIt) {
    ProcessOptions options;
    options.unsetEnvironment = {"AutInstLog", "tmp", "TMP", "Tmp", "TMPDIR"};
    for (const auto& [name, value] : GetParam().environment) {
        options.environment[name] = value == "FOLDER" ? logFolder_ : value;
    }
    ProcessOptions installerOptions = options;
    installerOptions.workingFolder = setupFolder_;
    installerOptions.environment["SIMWIN_ROOT"] = machine_.root();
    ASSERT_EQ(RunProcess(DRIVERINSTALLER_EXE, {}, installerOptions), kExitNoArgument);
    ASSERT_TRUE(fs::exists(logPath_)) << "the installer wrote elsewhere";

    const ReaderRun run = RunReader({}, options);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "Run 1, started YYYY-MM-DD hh:mm:ss\n"
              "  Command: none: no command argument\n"
              "  Outcome: exit code 905: no command argument\n"
              "  Left installed: unknown: no line of the run reaches a component\n"
              "  Errors: none\n"
              "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Environments, DefaultLogFileTest,
    ::testing::Values(
        LocationCase{"AutInstLog", {{"AutInstLog", "FOLDER"}, {"tmp", "/nonexistent"}}},
        // A variable that is set but empty counts as not set.
        LocationCase{"EmptyAutInstLogThenTmp", {{"AutInstLog", ""}, {"tmp", "FOLDER"}}},
        // tmp is looked up without regard to letter case, as Windows does.
        LocationCase{"UpperCaseTmp", {{"TMP", "FOLDER"}}},
        LocationCase{"TemporaryFolder", {{"TMPDIR", "FOLDER"}}}),
    testsupport::CaseName{});

// The version is the project's, set once for every program and resource.
TEST_F(LogReaderProcessTest, VersionIsTheProjectVersion) {
    const ReaderRun run = RunReader({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, std::string("driverinstaller-log ") + PROJECT_VERSION + "\n");
    // --help, like --version, answers alone and succeeds.
    const ReaderRun help = RunReader({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: driverinstaller-log ", 0), 0u) << help.output;
}

// What is not a log gets one line and exit code 2, whatever the options.
struct NoLogCase {
    const char* name;
    const char* content;  // nullptr: no file is made; "/": a folder is made in its place
    const char* complaint;
};

class NoLogTest : public testsupport::CaseTest<NoLogCase, LogReaderProcessTest> {};

TEST_P(NoLogTest, GetsOneLineAndExitCode2) {
    const NoLogCase& c = GetParam();
    const std::string path = machine_.MakeFolder("input") + "/given.log";
    if (c.content != nullptr && std::string(c.content) == "/") {
        fs::create_directory(path);
    } else if (c.content != nullptr) {
        testsupport::WriteFile(path, c.content);
    }
    for (const std::vector<std::string>& options :
         {std::vector<std::string>{}, std::vector<std::string>{"--json", "--last"}}) {
        std::vector<std::string> arguments = options;
        arguments.push_back(path);
        const ReaderRun run = RunReader(arguments);
        EXPECT_EQ(run.status, kReaderNoLog);
        const std::string expected =
            std::string(c.complaint) == "cannot read"
                ? "driverinstaller-log: cannot read '" + path + "'\n"
                : "driverinstaller-log: '" + path + "' " + c.complaint + "\n";
        EXPECT_EQ(run.output, expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, NoLogTest,
    ::testing::Values(
        NoLogCase{"Missing", nullptr, "cannot read"}, NoLogCase{"Folder", "/", "cannot read"},
        NoLogCase{"Empty", "", "is empty"},
        NoLogCase{"OtherText", "[Version]\nSignature=\"$Windows NT$\"\n",
                  "is not a DriverInstaller log: it holds no start banner"},
        // Log lines alone, without the banner that starts every run, are no run of the program.
        NoLogCase{"LinesWithoutBanner",
                  "2026-12-07___21:40:12 | DeviceManager::Installer() | Enter...\n",
                  "is not a DriverInstaller log: it holds no start banner"}),
    testsupport::CaseName{});

// Arguments the reader cannot act on get one line naming the problem (with the usage after it
// when the command line is at fault) and exit code 2.
struct ArgumentCase {
    const char* name;
    std::vector<std::string> arguments;  // "LOG" stands for a log DriverInstaller wrote
    std::string problem;
    bool usage;
};

class BadArgumentsTest : public testsupport::CaseTest<ArgumentCase, LogReaderProcessTest> {};

const std::string kNoCodePage = "--code-page takes a code page number (0 to 65535)";

TEST_P(BadArgumentsTest, GetOneLineAndExitCode2) {
    ASSERT_EQ(RunInstaller({}), kExitNoArgument);
    std::vector<std::string> arguments = GetParam().arguments;
    std::replace(arguments.begin(), arguments.end(), std::string("LOG"), logPath_);
    const ReaderRun run = RunReader(arguments);
    EXPECT_EQ(run.status, kReaderNoLog);
    const std::string first = "driverinstaller-log: " + GetParam().problem + "\n";
    EXPECT_EQ(run.output.substr(0, first.size()), first);
    const std::string rest = run.output.substr(std::min(first.size(), run.output.size()));
    EXPECT_EQ(rest.rfind("usage: driverinstaller-log ", 0) == 0, GetParam().usage) << rest;
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, BadArgumentsTest,
    ::testing::Values(
        ArgumentCase{"UnknownOption", {"--verbose", "LOG"}, "unknown option --verbose", true},
        ArgumentCase{"UnknownShortOption", {"-v", "LOG"}, "unknown option -v", true},
        ArgumentCase{"TwoFiles", {"LOG", "LOG"}, "more than one file named", true},
        // A lone dash names a file, as "-" is a file name like any other.
        ArgumentCase{"LoneDashIsAFileName", {"-"}, "cannot read '-'", false},
        ArgumentCase{"LeftInstalledWithJson",
                     {"--left-installed", "--json", "LOG"},
                     "--left-installed prints text only: it does not take --json",
                     true},
        ArgumentCase{"CodePageWithoutNumber", {"LOG", "--code-page"}, kNoCodePage, true},
        ArgumentCase{"CodePageNotANumber", {"--code-page", "12a", "LOG"}, kNoCodePage, true},
        ArgumentCase{"CodePageTooLarge", {"--code-page", "65536", "LOG"}, kNoCodePage, true},
        // At most five digits, as 65535 has, leading zeros counted.
        ArgumentCase{"CodePageOfSixDigits", {"--code-page", "001252", "LOG"}, kNoCodePage, true},
        ArgumentCase{"CodePageUnknownWithANine",
                     {"--code-page", "9999", "LOG"},
                     "code page 9999 cannot be read here",
                     false},
        ArgumentCase{"CodePageUnknown",
                     {"--code-page", "12345", "LOG"},
                     "code page 12345 cannot be read here",
                     false}),
    testsupport::CaseName{});

// An error that nothing else answers, here memory running out (a run's report keeps up to 2 MiB
// of its lines, more than the process may use here), still gets one line naming the file and
// exit code 2, not the runtime's abort.
TEST_F(LogReaderProcessTest, AnErrorThatEscapesGetsOneLineNamingTheFile) {
#ifdef READER_SANITIZED
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit allows";
#endif
    const std::string path = machine_.MakeFolder("input") + "/huge.log";
    std::string log;
    for (const std::string& message : expected_runs::Banner()) {
        log += "2026-12-07___21:40:12 | " + message + "\n";
    }
    for (int i = 0; i < 60; ++i) {
        log += "2026-12-07___21:40:12 | <ERROR> | " + std::to_string(i) + std::string(60000, 'x') +
               "\n";
    }
    testsupport::WriteFile(path, log);
    ProcessOptions options;
    options.prefix = {"prlimit", "--as=" + std::to_string(10u << 20), "--"};
    const ReaderRun run = RunReader({path}, options);
    EXPECT_EQ(run.status, kReaderNoLog);
    EXPECT_EQ(run.output, "driverinstaller-log: cannot summarise '" + path + "': std::bad_alloc\n");
}

}  // namespace
