// Runs killed with SIGKILL at random moments: the store is always one of the configurations a
// whole run passes through (before or after one of its Applies, never a mix), the write lock is
// free as soon as the run is gone, and a later Uninstall and Install work from what was left.
#include "support/exit_codes.h"
#include "support/log_file.h"
#include "support/machine_checks.h"
#include "support/process.h"
#include "support/setup_machine.h"

#include "base/atomic_file.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKillsWanted = 200;
// Room for the kills under AddressSanitizer on a busy machine, where a run takes several times
// as long as in a plain build (about 0.5 s here with the other sanitizer tests beside it).
constexpr auto kTimeBound = std::chrono::seconds(240);
constexpr unsigned kSeed = 20261207;  // the same moments on every run of the test

// Whether text is the start of a log line: its time prefix, or a piece of it, then anything.
bool IsStartOfLine(const std::string& text) {
    static const std::string wholePrefix = "2000-01-01___00:00:00 | ";
    return text.size() >= wholePrefix.size()
               ? testsupport::HasTimePrefix(text)
               : testsupport::HasTimePrefix(text + wholePrefix.substr(text.size()));
}

class KilledRuns : public ::testing::Test {
protected:
    KilledRuns() { SetFaults("Sleep 0 always\n"); }

    void SetFaults(const std::string& rules) const {
        testsupport::WriteFile(machine_.root() + "/faults", rules);
    }

    pid_t Start(const std::string& command) const {
        testsupport::ProcessOptions options = machine_.RunOptions();
        options.quiet = true;
        return testsupport::Spawn(DRIVERINSTALLER_EXE, {command}, options);
    }

    int RunToEnd(const std::string& command) const {
        const testsupport::Ending ending = testsupport::WaitFor(Start(command));
        return ending.exited ? ending.exitStatus : -1;
    }

    void PutStore(const std::string& text) const {
        std::string error;
        ASSERT_TRUE(simwin::WriteFileAtomically(machine_.root() + "/netcfg.store", text, &error))
            << error;
    }

    // Every configuration a whole run of command passes through from the store start: the
    // store after its first n Applies, for every n, found by failing every Apply from n + 1 on.
    std::set<std::string> ConfigurationsOf(const std::string& command, const std::string& start) {
        std::set<std::string> configurations = {start};
        for (int firstFailing = 1; firstFailing <= 32; ++firstFailing) {
            PutStore(start);
            SetFaults("Sleep 0 always\nINetCfg::Apply E_FAIL from " + std::to_string(firstFailing) +
                      "\n");
            RunToEnd(command);
            const std::string reached = reliability::StoreConfiguration(machine_.root());
            configurations.insert(reached);
            PutStore(start);
            SetFaults("Sleep 0 always\n");
            RunToEnd(command);
            if (reached == reliability::StoreConfiguration(machine_.root())) {
                break;  // no Apply beyond this one: the whole run's outcome
            }
        }
        SetFaults("Sleep 0 always\n");
        return configurations;
    }

    std::multiset<std::wstring> ComponentIds() const {
        std::multiset<std::wstring> ids;
        for (const auto& component : machine_.State().components) {
            ids.insert(component.id);
        }
        return ids;
    }

    testsupport::SetupMachine machine_;
};

TEST_F(KilledRuns, AKilledRunLeavesAWholeConfigurationAFreeLockAndAMachineThatStillWorks) {
    const std::string fresh = reliability::StoreConfiguration(machine_.root());
    const std::multiset<std::wstring> freshIds = ComponentIds();
    ASSERT_EQ(RunToEnd("Install"), 0);
    const std::string installed = reliability::StoreConfiguration(machine_.root());
    ASSERT_NE(installed, fresh);

    const std::set<std::string> installConfigurations = ConfigurationsOf("Install", fresh);
    const std::set<std::string> uninstallConfigurations = ConfigurationsOf("Uninstall", installed);
    ASSERT_GE(installConfigurations.size(), 4u) << "the install run applies several changes";
    ASSERT_TRUE(installConfigurations.count(installed));
    ASSERT_TRUE(uninstallConfigurations.count(installed));

    // How long a whole run takes here (the median of a few), so that the kills fall inside runs.
    std::vector<long> durations;
    for (int i = 0; i < 5; ++i) {
        PutStore(fresh);
        const auto timed = Clock::now();
        ASSERT_EQ(RunToEnd("Install"), 0);
        durations.push_back(static_cast<long>(
            std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - timed).count()));
    }
    std::sort(durations.begin(), durations.end());
    const long runMicros = durations[durations.size() / 2];

    std::mt19937 random(kSeed);
    // A wait overshoots by the scheduler's slack: aim within the first two thirds of a run.
    std::uniform_int_distribution<long> moment(0, runMicros * 2 / 3);
    int kills = 0;
    int finishedFirst = 0;
    int leftMidway = 0;  // kills that left a configuration between the start and the end
    const auto deadline = Clock::now() + kTimeBound;
    while (kills < kKillsWanted && Clock::now() < deadline) {
        const bool install = (kills + finishedFirst) % 2 == 0;
        PutStore(install ? fresh : installed);
        const pid_t child = Start(install ? "Install" : "Uninstall");
        ASSERT_GT(child, 0);
        std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
        ::kill(child, SIGKILL);
        const testsupport::Ending ending = testsupport::WaitFor(child);
        if (ending.exited) {
            ++finishedFirst;  // the run was quicker than the moment drawn
        } else {
            ASSERT_EQ(ending.signal, SIGKILL);
            ++kills;
        }

        ASSERT_FALSE(reliability::WriteLockHeld(machine_.root())) << "kill " << kills;
        const std::string left = reliability::StoreConfiguration(machine_.root());
        ASSERT_EQ(reliability::StoreProblem(machine_.root()), "") << "kill " << kills;
        ASSERT_TRUE((install ? installConfigurations : uninstallConfigurations).count(left))
            << "kill " << kills << " left a configuration no whole run passes through:\n"
            << left;

        if (left != (install ? fresh : installed) && left != (install ? installed : fresh)) {
            ++leftMidway;
        }

        if (ending.exited) {
            continue;
        }
        // From whatever was left, removal and a new installation still work.
        const int removal = RunToEnd("Uninstall");
        ASSERT_TRUE(removal == testsupport::kExitOk ||
                    removal == testsupport::kExitAdapterRemovalFailed ||
                    removal == testsupport::kExitSwitchRemovalFailed)
            << "kill " << kills << ": Uninstall exit " << removal;
        ASSERT_EQ(ComponentIds(), freshIds) << "kill " << kills;
        ASSERT_EQ(RunToEnd("Install"), 0) << "kill " << kills;
        ASSERT_EQ(ComponentIds().size(), freshIds.size() + 2) << "kill " << kills;
    }
    // Each line is one write. The kernel may still end a write that a SIGKILL interrupts where
    // the line crosses a page of the file, leaving the start of that run's last line: such a
    // fragment is followed at once by a whole line of the next run, and there is at most one per
    // kill.
    int tornLines = 0;
    for (const std::string& line :
         testsupport::FileLines(testsupport::LogFileIn(machine_.logFolder()))) {
        if (testsupport::HasTimePrefix(line)) {
            continue;
        }
        ++tornLines;
        bool followedByWholeLine = false;
        for (std::size_t at = line.find('2', 1); at != std::string::npos && !followedByWholeLine;
             at = line.find('2', at + 1)) {
            followedByWholeLine =
                IsStartOfLine(line.substr(0, at)) && testsupport::HasTimePrefix(line.substr(at));
        }
        EXPECT_TRUE(followedByWholeLine) << "torn line: '" << line << "'";
    }
    EXPECT_LE(tornLines, kills);
    std::cout << kills << " runs killed with SIGKILL (" << leftMidway
              << " of them between two Applies; " << finishedFirst
              << " more ended before their moment), seed " << kSeed << std::endl;
    RecordProperty("kills", kills);
    EXPECT_GE(kills, kKillsWanted);
}

}  // namespace
