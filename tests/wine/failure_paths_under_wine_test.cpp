// Every failure that the network configuration engine can inject, in the executable users ship:
// DriverInstaller.exe run whole under Wine against the engine, with one fault rule in its
// machine's "faults" file, must end with the exit code and write the log that the Linux build
// does with the same rule. Both builds read the rule through the same engine code, so any
// difference is a fault of one build.
//
// The failure paths are the Linux sweep's, restricted to the calls the engine answers: each such
// call in the fault-free journal of the Linux sweep's four whole runs, failed with each result
// that sweep gives it. The Linux build, run as a process as the Windows build is, gives every
// path's expectation at run time; nothing here spells out a log. Each run has a machine of its
// own (SIMWIN_ROOT), copied from a template, so that the Wine runs go side by side on one
// persistent wineserver while Install's real wait passes.
#include "support/exit_codes.h"
#include "support/inf_files.h"
#include "support/log_file.h"
#include "support/process.h"
#include "support/sweep_plan.h"
#include "support/text_file.h"
#include "wine/wine_session.h"

#include <simwin/machine.h>

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using reliability::Scenario;
using testsupport::Ending;
using winetest::EnginePrefix;
using winetest::WindowsPath;

// Runs of the Linux build at once (it never waits: its Sleep is failed to 0 ms), and of the
// Windows build (each Install waits 2000 ms without using the processor).
constexpr std::size_t kLinuxRunsAtOnce = 2;
constexpr std::size_t kWineRunsAtOnce = 8;
// A run still going after this long is stuck: it is killed and counted as a difference.
constexpr auto kRunLimit = std::chrono::seconds(120);

// What a run ended with: its exit status as a Linux parent sees it, and its log's messages.
struct Outcome {
    int exitStatus = -1;
    std::vector<std::string> messages;
    std::string problem;  // the run could not be made, or its log is malformed
};

// One failure path: a scenario run with one rule, and the Linux build's outcome with it.
struct FailurePath {
    const Scenario* scenario = nullptr;
    std::string site;  // the call and its occurrence, "INetCfg::Apply #2"
    std::string rule;
    Outcome expected;
};

// Starts every process of starts, at most width at once, and waits for each; a process that
// outlives kRunLimit is killed (timedOut).
std::vector<Ending> RunSideBySide(const std::vector<std::function<pid_t()>>& starts,
                                  std::size_t width) {
    using Clock = std::chrono::steady_clock;
    struct Running {
        std::size_t index;
        Clock::time_point deadline;
    };
    std::vector<Ending> endings(starts.size());
    std::map<pid_t, Running> running;
    std::size_t next = 0;
    while (next < starts.size() || !running.empty()) {
        for (; running.size() < width && next < starts.size(); ++next) {
            const pid_t child = starts[next]();
            if (child > 0) {
                running[child] = {next, Clock::now() + kRunLimit};
            }
        }
        bool ended = false;
        for (auto it = running.begin(); it != running.end();) {
            int status = 0;
            const pid_t done = ::waitpid(it->first, &status, WNOHANG);
            if (done == 0 && Clock::now() < it->second.deadline) {
                ++it;
                continue;
            }
            Ending& ending = endings[it->second.index];
            if (done == 0) {
                ::kill(it->first, SIGKILL);
                ending = testsupport::WaitFor(it->first);
                ending.timedOut = true;
            } else {
                ending = testsupport::EndingOf(status);
            }
            it = running.erase(it);
            ended = true;
        }
        if (!ended) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    return endings;
}

// The platform calls that the process pid recorded in a machine's journal, in order. Other
// processes (net.exe) append blocks of their own.
std::vector<std::string> JournalOf(const std::string& machine, pid_t pid) {
    std::vector<std::string> entries;
    bool ours = false;
    for (const std::string& line : testsupport::FileLines(machine + "/journal.log")) {
        if (line.rfind("# process ", 0) == 0) {
            ours = line == "# process " + std::to_string(pid);
        } else if (ours) {
            entries.push_back(line);
        }
    }
    return entries;
}

// The lines where two runs first part, as "line N: Linux build '...', Windows build '...'".
std::string FirstDifference(const Outcome& linux, const Outcome& windows) {
    if (!windows.problem.empty()) {
        return windows.problem;
    }
    std::string difference;
    if (linux.exitStatus != windows.exitStatus) {
        difference = "exit status: Linux build " + std::to_string(linux.exitStatus) +
                     ", Windows build " + std::to_string(windows.exitStatus) + "; ";
    }
    const std::size_t lines = std::max(linux.messages.size(), windows.messages.size());
    for (std::size_t i = 0; i < lines; ++i) {
        const auto lineOf = [i](const Outcome& outcome) {
            return i < outcome.messages.size() ? "'" + outcome.messages[i] + "'"
                                               : std::string("(no line)");
        };
        if (lineOf(linux) != lineOf(windows)) {
            return difference + "line " + std::to_string(i + 1) + ": Linux build " + lineOf(linux) +
                   ", Windows build " + lineOf(windows);
        }
    }
    return difference.empty() ? "" : difference + "the logs are the same";
}

class FailurePathsUnderWine : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(folder_.path().empty());
        setupFolder_ = folder_.Make("setup");
        testsupport::CopyInfFiles(setupFolder_);
    }

    void TearDown() override { EnginePrefix().StopServer(); }

    // ---- The Linux build

    // Fresh and installed Linux machines to copy each run's machine from.
    void MakeLinuxTemplates() {
        std::string error;
        const std::string fresh = folder_.path() + "/linux-fresh";
        ASSERT_TRUE(
            simwin::InitMachine(fresh, simwin::MachineOptions{true}, false, SIMWIN_NET_EXE, &error))
            << error;
        linuxTemplates_[false] = fresh;
        const std::string installed = folder_.path() + "/linux-installed";
        fs::copy(fresh, installed, fs::copy_options::recursive);
        ASSERT_EQ(WaitForLinux(StartLinux("Install", installed, "", folder_.Make("install-logs"))),
                  testsupport::kExitOk)
            << "the components could not be installed first";
        linuxTemplates_[true] = installed;
    }

    // A run's folder: its machine (copied from the scenario's template) and its log folder.
    std::string MakeRun(const std::string& name, const std::string& machineTemplate) const {
        const std::string run = folder_.Make("runs/" + name);
        fs::copy(machineTemplate, run + "/machine", fs::copy_options::recursive);
        fs::create_directories(run + "/logs");
        return run;
    }

    // Starts the Linux build on machine with rule ("": none) in its faults file, logging into
    // logFolder; its Sleep answers at once.
    pid_t StartLinux(const std::string& command, const std::string& machine,
                     const std::string& rule, const std::string& logFolder) const {
        testsupport::WriteFile(machine + "/faults",
                               "Sleep 0\n" + (rule.empty() ? "" : rule + "\n"));
        testsupport::ProcessOptions options;
        options.workingFolder = setupFolder_;
        options.environment = {{"SIMWIN_ROOT", machine}, {"AutInstLog", logFolder}};
        options.quiet = true;  // the machine's net.exe speaks
        return testsupport::Spawn(DRIVERINSTALLER_EXE, {command}, options);
    }

    static int WaitForLinux(pid_t child) {
        const Ending ending = testsupport::WaitFor(child);
        return ending.exited ? ending.exitStatus : -1;
    }

    // What a run's log says, in the form the Windows build must write it: the setup folder as
    // Windows names it.
    Outcome LinuxOutcome(const Ending& ending, const std::string& run) const {
        Outcome outcome;
        outcome.exitStatus = ending.exited ? ending.exitStatus : -1;
        const testsupport::LogFile log =
            testsupport::ReadLog(testsupport::LogFileIn(run + "/logs"), "\n");
        if (!ending.exited || !log.exists || !log.malformedLines.empty()) {
            outcome.problem = "the Linux build's run did not end with a well-formed log";
        }
        const std::string linuxFolder = setupFolder_ + "/";
        const std::string windowsFolder = WindowsPath(setupFolder_) + "\\";
        for (std::string message : log.messages) {
            for (std::size_t at = message.find(linuxFolder); at != std::string::npos;
                 at = message.find(linuxFolder, at + windowsFolder.size())) {
                message.replace(at, linuxFolder.size(), windowsFolder);
            }
            outcome.messages.push_back(message);
        }
        return outcome;
    }

    // Every failure path of the scenarios with the Linux build's outcome: the engine's call sites
    // of each fault-free journal, each failed with every result the Linux sweep gives it.
    std::vector<FailurePath> LinuxFailurePaths() {
        std::vector<FailurePath> paths;
        for (const Scenario& scenario : reliability::Scenarios()) {
            const std::string run =
                MakeRun(scenario.name, linuxTemplates_.at(scenario.componentsInstalled));
            testsupport::WriteFile(run + "/machine/journal.log", "");
            const pid_t child = StartLinux(scenario.command, run + "/machine", "", run + "/logs");
            const int exitStatus = WaitForLinux(child);
            const std::vector<std::string> journal = JournalOf(run + "/machine", child);
            if (exitStatus != testsupport::SeenOnLinux(scenario.exitCode) || journal.empty()) {
                ADD_FAILURE() << scenario.name << ": the Linux build's fault-free run ended with "
                              << exitStatus << " and journalled " << journal.size() << " calls";
                continue;
            }
            std::map<std::string, unsigned> seen;
            for (const std::string& entry : journal) {
                const std::string call = reliability::CallName(entry);
                const unsigned occurrence = ++seen[call];
                if (!reliability::IsEngineCall(call)) {
                    continue;
                }
                const auto failures = reliability::ComFailuresOf(call);
                for (const reliability::Failure& failure : *failures) {
                    if (reliability::IsNewFailure(failure, entry)) {
                        paths.push_back({&scenario,
                                         call + " #" + std::to_string(occurrence),
                                         reliability::RuleText(call, failure, occurrence),
                                         {}});
                    }
                }
            }
        }
        std::vector<std::function<pid_t()>> starts;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            starts.push_back([this, &paths, i] {
                const FailurePath& path = paths[i];
                const std::string run =
                    MakeRun("linux-" + std::to_string(i),
                            linuxTemplates_.at(path.scenario->componentsInstalled));
                return StartLinux(path.scenario->command, run + "/machine", path.rule,
                                  run + "/logs");
            });
        }
        const std::vector<Ending> endings = RunSideBySide(starts, kLinuxRunsAtOnce);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::string run = folder_.path() + "/runs/linux-" + std::to_string(i);
            paths[i].expected = LinuxOutcome(endings[i], run);
            fs::remove_all(run);
        }
        return paths;
    }

    // ---- The Windows build under Wine

    // A fresh server kept up for every run, fresh and installed Windows machines to copy each
    // run's machine from; init also registers the engine and the "npf" service in the prefix.
    void MakeWindowsTemplates() {
        ASSERT_TRUE(EnginePrefix().Ensure()) << "Wine could not create its prefix";
        ASSERT_EQ(EnginePrefix().FreshServer(), 0);
        const std::string fresh = folder_.Make("windows-fresh");
        const std::string output = folder_.path() + "/tool-output.txt";
        ASSERT_EQ(
            EnginePrefix().Run({NETCFG_SIM_WINDOWS_EXE, "init", "--with-npf", "--force"},
                               folder_.path(), {{"SIMWIN_ROOT", WindowsPath(fresh)}}, {}, output),
            0)
            << testsupport::ReadFile(output);
        windowsTemplates_[false] = fresh;
        const std::string installed = MakeRun("windows-installed", fresh);
        ASSERT_EQ(testsupport::WaitFor(StartWindows("Install", installed, "")).exitStatus,
                  testsupport::kExitOk)
            << "the components could not be installed first";
        windowsTemplates_[true] = installed + "/machine";
    }

    // Starts DriverInstaller.exe on the machine of run with rule ("": none) in its faults file.
    pid_t StartWindows(const std::string& command, const std::string& run,
                       const std::string& rule) const {
        testsupport::WriteFile(run + "/machine/faults", rule.empty() ? "" : rule + "\n");
        testsupport::ProcessOptions options =
            EnginePrefix().Options(setupFolder_, {{"SIMWIN_ROOT", WindowsPath(run + "/machine")},
                                                  {"AutInstLog", WindowsPath(run + "/logs")}});
        options.outputPath = run + "/wine-output.txt";
        return testsupport::Spawn(WINE_PROGRAM, {DRIVERINSTALLER_WINDOWS_EXE, command}, options);
    }

    static constexpr char kNoLog[] = "no log";

    static Outcome WindowsOutcome(const Ending& ending, const std::string& run) {
        Outcome outcome;
        outcome.exitStatus = ending.exited ? ending.exitStatus : -1;
        const winetest::LogFile log = winetest::ReadLog(testsupport::LogFileIn(run + "/logs"));
        outcome.messages = log.messages;
        if (ending.timedOut) {
            outcome.problem = "the run was still going after " + std::to_string(kRunLimit.count()) +
                              " s and was killed";
        } else if (!log.exists) {
            outcome.problem = std::string(kNoLog) + " (exit status " +
                              std::to_string(outcome.exitStatus) + ", Wine's output: '" +
                              testsupport::ReadFile(run + "/wine-output.txt").substr(0, 400) + "')";
        } else if (!log.malformedLines.empty()) {
            outcome.problem =
                "a line without its time prefix or CR LF: '" + log.malformedLines.front() + "'";
        }
        return outcome;
    }

    // The Windows build's outcome for each of paths. Now and then, with eight programs starting
    // at once on one server, a Windows run under Wine ends without a log; each such path is run
    // once more, and said so. A program that writes no log writes none the second time either.
    std::vector<Outcome> WindowsOutcomes(const std::vector<const FailurePath*>& paths) {
        std::vector<Outcome> outcomes = RunWindows(paths);
        std::vector<const FailurePath*> again;
        std::vector<std::size_t> at;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            if (outcomes[i].problem.rfind(kNoLog, 0) == 0) {
                std::cout << paths[i]->scenario->name << ", rule '" << paths[i]->rule
                          << "': " << outcomes[i].problem << "; run again" << std::endl;
                again.push_back(paths[i]);
                at.push_back(i);
            }
        }
        if (again.empty()) {
            return outcomes;
        }
        const std::vector<Outcome> repeated = RunWindows(again);
        for (std::size_t j = 0; j < again.size(); ++j) {
            outcomes[at[j]] = repeated[j];
        }
        std::cout << again.size() << " Windows runs left no log and were run again" << std::endl;
        return outcomes;
    }

    std::vector<Outcome> RunWindows(const std::vector<const FailurePath*>& paths) {
        std::vector<std::function<pid_t()>> starts;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            starts.push_back([this, &paths, i] {
                const FailurePath& path = *paths[i];
                const std::string run =
                    MakeRun("windows-" + std::to_string(i),
                            windowsTemplates_.at(path.scenario->componentsInstalled));
                return StartWindows(path.scenario->command, run, path.rule);
            });
        }
        const std::vector<Ending> endings = RunSideBySide(starts, kWineRunsAtOnce);
        std::vector<Outcome> outcomes;
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const std::string run = folder_.path() + "/runs/windows-" + std::to_string(i);
            outcomes.push_back(WindowsOutcome(endings[i], run));
            fs::remove_all(run);
        }
        return outcomes;
    }

    winetest::CaseFolder folder_;
    std::string setupFolder_;
    std::map<bool, std::string> linuxTemplates_;    // by componentsInstalled
    std::map<bool, std::string> windowsTemplates_;  // by componentsInstalled
};

// Seconds since start, for the output.
long SecondsSince(std::chrono::steady_clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count());
}

// The paths whose Linux runs ended alike (exit status and whole log), in the order of their
// first path.
std::vector<std::vector<const FailurePath*>> GroupsOf(const std::vector<FailurePath>& paths) {
    std::vector<std::vector<const FailurePath*>> groups;
    std::map<std::string, std::size_t> groupOf;
    for (const FailurePath& path : paths) {
        std::string key = std::to_string(path.expected.exitStatus);
        for (const std::string& message : path.expected.messages) {
            key += "\n" + message;
        }
        const auto [it, added] = groupOf.emplace(key, groups.size());
        if (added) {
            groups.emplace_back();
        }
        groups[it->second].push_back(&path);
    }
    return groups;
}

std::size_t SitesOf(const std::vector<const FailurePath*>& paths) {
    std::set<std::string> sites;
    for (const FailurePath* path : paths) {
        sites.insert(path->scenario->name + " " + path->site);
    }
    return sites.size();
}

// Every path runs in the Windows build. With FAILURE_PATHS_ONE_PER_GROUP set (for a machine too
// slow for that), one path of each group runs, standing for the group's paths.
TEST_F(FailurePathsUnderWine, EveryEngineFailureEndsAndLogsAsInTheLinuxBuild) {
    const auto start = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(MakeLinuxTemplates());
    const std::vector<FailurePath> paths = LinuxFailurePaths();
    ASSERT_FALSE(paths.empty());
    for (const FailurePath& path : paths) {
        EXPECT_EQ(path.expected.problem, "") << path.scenario->name << ", " << path.rule;
    }
    const std::vector<std::vector<const FailurePath*>> groups = GroupsOf(paths);
    std::cout << "Linux build: " << paths.size() << " failure paths, " << groups.size()
              << " different exit status and log pairs, in " << SecondsSince(start) << " s"
              << std::endl;

    const bool onePerGroup = std::getenv("FAILURE_PATHS_ONE_PER_GROUP") != nullptr;
    std::vector<const FailurePath*> chosen;
    for (const std::vector<const FailurePath*>& group : groups) {
        const std::size_t runs = onePerGroup ? 1 : group.size();
        chosen.insert(chosen.end(), group.begin(), group.begin() + runs);
        if (onePerGroup) {
            std::cout << group.front()->scenario->name << ", rule '" << group.front()->rule
                      << "' stands for " << group.size() << " failure paths (" << SitesOf(group)
                      << " call sites)" << std::endl;
        }
    }
    const auto windowsStart = std::chrono::steady_clock::now();
    ASSERT_NO_FATAL_FAILURE(MakeWindowsTemplates());
    const std::vector<Outcome> outcomes = WindowsOutcomes(chosen);

    unsigned equal = 0;
    for (std::size_t i = 0; i < chosen.size(); ++i) {
        const FailurePath& path = *chosen[i];
        const std::string difference = FirstDifference(path.expected, outcomes[i]);
        if (difference.empty()) {
            ++equal;
            continue;
        }
        ADD_FAILURE() << path.scenario->name << ", rule '" << path.rule << "': " << difference;
    }
    std::cout << "Windows build: " << chosen.size() << " runs in " << SecondsSince(windowsStart)
              << " s" << std::endl;
    std::cout << equal << " of " << chosen.size() << " network configuration failure paths ("
              << SitesOf(chosen)
              << " call sites) gave the same exit code and log in the Windows build under Wine";
    if (onePerGroup) {
        std::vector<const FailurePath*> all;
        for (const FailurePath& path : paths) {
            all.push_back(&path);
        }
        std::cout << ", one for each group of identical Linux runs, standing for " << paths.size()
                  << " failure paths (" << SitesOf(all) << " call sites)";
    }
    std::cout << std::endl;
    EXPECT_EQ(equal, chosen.size());
}

}  // namespace
