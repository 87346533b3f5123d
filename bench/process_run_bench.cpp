// Whole runs of the installer as a setup program starts them, against the floor of starting a
// minimal process that appends one line to a file. Each run is timed from the spawn to the end
// of the wait for it; the machine's state is put back before every run, outside the timing.
#include "support/bench_machine.h"
#include "support/monotonic_clock.h"

#include <simwin/testing.h>

#include <benchmark/benchmark.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Install starts net.exe and does not wait for it; it is given this long to finish before the
// machine's state is put back for the next run.
constexpr std::chrono::milliseconds kNetExeSettle{20};

// Runs program with arguments in folder and waits for it. The exit status (0-255), or -1.
int RunAndWait(const std::string& program, const std::vector<std::string>& arguments,
               const std::string& folder, std::int64_t* elapsedNs) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    const std::int64_t startedAt = bench::MonotonicNs();
    pid_t pid = -1;
    const int spawned =
        ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    int status = 0;
    const bool waited = spawned == 0 && ::waitpid(pid, &status, 0) == pid;
    *elapsedNs = bench::MonotonicNs() - startedAt;
    posix_spawn_file_actions_destroy(&actions);
    return waited && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A machine with the INF files in a folder of their own, a log folder, and two snapshots: fresh
// (with a rule that skips the wait before the first installation) and with both components
// installed.
struct RunWorld {
    bench::BenchMachine machine{true};
    std::string infFolder = machine.MakeFolder("setup");
    std::string logFolder = machine.MakeFolder("log");
    std::string freshState = machine.MakeFolder("fresh");
    std::string freshStateNoLaunch = machine.MakeFolder("fresh-no-launch");
    std::string installedState = machine.MakeFolder("installed");
    std::string error;

    RunWorld() {
        if (!machine.ok()) {
            error = machine.error();
            return;
        }
        ::setenv("AutInstLog", logFolder.c_str(), 1);
        // Any rule on Sleep makes it return at once: the fixed 2000 ms wait is skipped, not
        // subtracted.
        std::ofstream(machine.root() + "/faults") << "Sleep S_OK always\n";
        if (!bench::CopyInfFiles(infFolder, &error) || !machine.SaveState(freshState, &error)) {
            return;
        }
        // For the breakdown only: ShellExecuteW fails (2, file not found) and starts nothing.
        std::ofstream(freshStateNoLaunch + "/faults") << "Sleep S_OK always\n"
                                                      << "ShellExecuteW 2 always\n";
        for (const char* entry : {"netcfg.store", "services", "inf"}) {
            std::filesystem::copy(freshState + "/" + entry, freshStateNoLaunch + "/" + entry,
                                  std::filesystem::copy_options::recursive);
        }
        std::int64_t elapsed = 0;
        if (RunAndWait(DRIVERINSTALLER_EXE, {"Install"}, infFolder, &elapsed) != 0) {
            error = "the preparing Install run failed";
            return;
        }
        std::this_thread::sleep_for(kNetExeSettle);
        machine.SaveState(installedState, &error);
    }
};

RunWorld& World() {
    static RunWorld world;
    return world;
}

void BM_ProcessFloor(benchmark::State& state) {
    RunWorld& world = World();
    const std::string target = world.logFolder + "/floor.log";
    for (auto _ : state) {
        std::int64_t elapsed = 0;
        if (RunAndWait(APPEND_LINE_FLOOR_EXE, {target}, world.infFolder, &elapsed) != 0) {
            state.SkipWithError("the floor process failed");
            return;
        }
        state.SetIterationTime(static_cast<double>(elapsed) / 1e9);
    }
}

// Times one command from the given starting state; settle is the pause after each run.
void TimeCommand(benchmark::State& state, const char* command, const std::string& startState,
                 std::chrono::milliseconds settle) {
    RunWorld& world = World();
    if (!world.error.empty()) {
        state.SkipWithError(world.error.c_str());
        return;
    }
    std::string error;
    for (auto _ : state) {
        if (!world.machine.RestoreState(startState, &error)) {
            state.SkipWithError(error.c_str());
            return;
        }
        std::int64_t elapsed = 0;
        const int exitStatus =
            RunAndWait(DRIVERINSTALLER_EXE, {command}, world.infFolder, &elapsed);
        if (exitStatus != 0) {
            state.SkipWithError("the installer did not exit with 0");
            return;
        }
        state.SetIterationTime(static_cast<double>(elapsed) / 1e9);
        std::this_thread::sleep_for(settle);
    }
}

void BM_UninstallRun(benchmark::State& state) {
    TimeCommand(state, "Uninstall", World().installedState, std::chrono::milliseconds(0));
}

void BM_InstallRunWithoutWait(benchmark::State& state) {
    TimeCommand(state, "Install", World().freshState, kNetExeSettle);
}

// Where Install's time goes: the same run without starting net.exe.
void BM_InstallRunWithoutWaitOrLaunch(benchmark::State& state) {
    TimeCommand(state, "Install", World().freshStateNoLaunch, std::chrono::milliseconds(0));
}

BENCHMARK(BM_ProcessFloor)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UninstallRun)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InstallRunWithoutWait)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_InstallRunWithoutWaitOrLaunch)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
