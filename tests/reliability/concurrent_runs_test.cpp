// Eight runs at once, Install and Uninstall mixed, against one simulated machine and one log:
// every exit code documented, no run waiting on the write lock beyond the wait the program gives
// it, the store always readable, the lock free after every round, and the shared log made of
// whole lines, exactly as many as the runs wrote.
#include "support/exit_codes.h"
#include "support/log_file.h"
#include "support/machine_checks.h"
#include "support/process.h"
#include "support/setup_machine.h"

#include <sys/wait.h>

#include <simwin/machine.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kRounds = 4;  // the last with another client holding the lock as the runs start
constexpr int kHolderSeconds = 9;
constexpr int kRunsPerRound = 8;
constexpr long kLockWaitMs = 5000;
// Starting a process, its own work and its log lines, beside the lock waits.
constexpr long kRunOverheadMs = 3000;

// Every documented exit code, as the parent sees it.
std::set<int> Documented() {
    std::set<int> statuses;
    for (const int code : testsupport::kDocumentedExitCodes) {
        statuses.insert(testsupport::SeenOnLinux(code));
    }
    return statuses;
}

// What one process left in the machine's journal.
struct ProcessJournal {
    int lockRequests = 0;
    int linesWritten = 0;
};

// The machine's journal, by process: each process appends "# process PID" and its entries.
std::map<int, ProcessJournal> ReadJournal(const std::string& path) {
    std::map<int, ProcessJournal> processes;
    ProcessJournal* current = nullptr;
    for (const std::string& line : testsupport::FileLines(path)) {
        if (line.rfind("# process ", 0) == 0) {
            current = &processes[std::stoi(line.substr(10))];
        } else if (current != nullptr && line.rfind("INetCfgLock::AcquireWriteLock ", 0) == 0) {
            ++current->lockRequests;
        } else if (current != nullptr && line.rfind("WriteFile ", 0) == 0 && line.size() > 5 &&
                   line.compare(line.size() - 5, 5, " -> 1") == 0) {
            ++current->linesWritten;  // the log's lines are its only writes
        }
    }
    return processes;
}

// Another configuration client that takes the write lock and keeps it for seconds; returns once
// it holds the lock (its process id), or -1.
pid_t HoldLock(const std::string& root, int seconds) {
    testsupport::ProcessOptions options;
    options.environment = {{"SIMWIN_ROOT", root}};
    options.quiet = true;
    const pid_t holder = testsupport::Spawn(
        NETCFG_SIM_EXE, {"lock", "--hold", std::to_string(seconds), "--as", "Other Setup"},
        options);
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    while (holder > 0 && !reliability::WriteLockHeld(root) && Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return reliability::WriteLockHeld(root) ? holder : -1;
}

TEST(ConcurrentRuns, EightAtOnceEndDocumentedWithinTheLockWaitAndKeepStoreAndLogWhole) {
    const testsupport::SetupMachine machine;
    // No pause before installing, so that the runs meet at the lock; the journal on.
    testsupport::WriteFile(machine.root() + "/faults", "Sleep 0 always\n");
    testsupport::WriteFile(machine.root() + "/journal.log", "");

    std::map<pid_t, long> elapsedMs;
    long longestMs = 0;
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round + 1));
        pid_t holder = -1;
        if (round == kRounds - 1) {
            holder = HoldLock(machine.root(), kHolderSeconds);
            ASSERT_GT(holder, 0) << "the other client did not get the lock";
        }
        std::vector<pid_t> children;
        std::vector<bool> installs;
        std::vector<Clock::time_point> started;
        for (int i = 0; i < kRunsPerRound; ++i) {
            testsupport::ProcessOptions options = machine.RunOptions();
            options.quiet = true;
            installs.push_back((i + round) % 2 == 0);
            started.push_back(Clock::now());
            children.push_back(testsupport::Spawn(
                DRIVERINSTALLER_EXE, {installs.back() ? "Install" : "Uninstall"}, options));
            ASSERT_GT(children.back(), 0);
        }
        // Each run's time ends when it does, whichever of them ends first.
        bool holderEnded = false;
        for (int left = kRunsPerRound; left > 0;) {
            int status = 0;
            const pid_t ended = ::waitpid(-1, &status, 0);
            ASSERT_GT(ended, 0);
            const auto found = std::find(children.begin(), children.end(), ended);
            if (found == children.end()) {
                holderEnded = holderEnded || ended == holder;
                continue;
            }
            --left;
            const std::size_t i = static_cast<std::size_t>(found - children.begin());
            const long ms = static_cast<long>(
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started[i])
                    .count());
            elapsedMs[ended] = ms;
            longestMs = std::max(longestMs, ms);
            const testsupport::Ending ending = testsupport::EndingOf(status);
            ASSERT_TRUE(ending.exited) << "run " << i << " ended by signal " << ending.signal;
            EXPECT_EQ(Documented().count(ending.exitStatus), 1u)
                << "run " << i << " exit status " << ending.exitStatus;
            if (holder > 0 && installs[i]) {
                // The adapter's cycle met the other client: it waited the whole wait, no
                // longer, then gave up with the adapter's code.
                EXPECT_EQ(ending.exitStatus, testsupport::kExitAdapterInstallFailed)
                    << "Install run " << i;
                EXPECT_GE(ms, kLockWaitMs - 100) << "Install run " << i << " did not wait";
                EXPECT_LE(ms, kLockWaitMs + kRunOverheadMs) << "Install run " << i;
            }
        }
        if (holder > 0 && !holderEnded) {
            EXPECT_TRUE(testsupport::WaitFor(holder).exited);
        }
        EXPECT_EQ(reliability::StoreProblem(machine.root()), "");
        EXPECT_FALSE(reliability::WriteLockHeld(machine.root()));
        // The INF store too stays readable, with each of our INF files published once.
        simwin::MachineState state;
        std::string error;
        ASSERT_TRUE(simwin::ReadMachineState(machine.root(), &state, &error)) << error;
        for (const char* name : {"quorixvmini60.inf", "quorixlwf.inf"}) {
            EXPECT_LE(
                std::count_if(state.infs.begin(), state.infs.end(),
                              [&](const simwin::InfInfo& inf) { return inf.originalName == name; }),
                1)
                << name << " published more than once";
        }
    }

    // Each run waited at most the lock wait for each of its lock requests.
    const auto journal = ReadJournal(machine.root() + "/journal.log");
    int linesWritten = 0;
    for (const auto& [pid, ms] : elapsedMs) {
        const auto found = journal.find(pid);
        ASSERT_NE(found, journal.end()) << "process " << pid << " left no journal";
        EXPECT_LE(ms, found->second.lockRequests * kLockWaitMs + kRunOverheadMs)
            << "process " << pid << " with " << found->second.lockRequests << " lock requests";
        linesWritten += found->second.linesWritten;
    }

    // The shared log: whole lines only, each with its time prefix and no other prefix inside.
    const testsupport::LogFile log =
        testsupport::ReadLog(testsupport::LogFileIn(machine.logFolder()), "\n");
    ASSERT_EQ(log.malformedLines, std::vector<std::string>{}) << "torn lines";
    const std::vector<std::string>& lines = log.messages;
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("___"), std::string::npos) << "two lines in one: '" << line << "'";
    }
    EXPECT_EQ(static_cast<int>(lines.size()), linesWritten);
    EXPECT_GT(linesWritten, 0);
    const std::string holderLine =
        "<ERROR> | DeviceManager::InstallSpecifiedComponent() Other Setup currently holds the "
        "lock, "
        "try later.";
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return line == holderLine; }),
              static_cast<long>(kRunsPerRound / 2));

    std::cout << kRounds << " concurrent rounds of " << kRunsPerRound
              << " runs (the last against a lock held " << kHolderSeconds << " s; "
              << kRounds * kRunsPerRound << " runs, longest " << longestMs << " ms), "
              << lines.size() << " log lines, all whole" << std::endl;
    RecordProperty("concurrent_runs", kRounds * kRunsPerRound);
}

}  // namespace
