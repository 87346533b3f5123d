// The write lock between two processes: how long a waiting AcquireWriteLock takes to return
// after the holder's ReleaseWriteLock, and how far past its wait a refused one returns.
//
// A holder process, forked once, takes and gives back the lock on command; this process waits
// for it. Both read CLOCK_MONOTONIC, which is one clock for the whole machine, and the holder
// sends its reading through a pipe.
#include "support/bench_machine.h"
#include "support/monotonic_clock.h"
#include "support/whole_transfer.h"

#include <netcfgx.h>
#include <objbase.h>

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <thread>

namespace {

constexpr DWORD kWaitMs = 5000;
constexpr wchar_t kHolderDescription[] = L"bench holder";
constexpr wchar_t kWaiterDescription[] = L"bench waiter";
// How long the holder keeps the lock once the waiter has been told to wait: long enough that the
// waiter is inside AcquireWriteLock when the lock is given back.
constexpr std::chrono::milliseconds kHoldBeforeRelease{3};

enum Command : char {
    kHoldThenRelease = 'h',  // take the lock, report, give it back after a pause with a timestamp
    kHold = 'l',             // take the lock and report
    kRelease = 'r',          // give it back and report
};

using bench::ReadAll;
using bench::WriteAll;

// A configuration object's lock interface, with COM initialised for it.
class LockClient {
public:
    LockClient() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfgLock,
                         reinterpret_cast<void**>(&lock_));
    }
    ~LockClient() {
        if (lock_ != nullptr) {
            lock_->Release();
        }
        CoUninitialize();
    }
    LockClient(const LockClient&) = delete;
    LockClient& operator=(const LockClient&) = delete;

    INetCfgLock* get() const { return lock_; }

    // Acquires with the fixed wait; frees a holder description that comes back.
    HRESULT Acquire(const wchar_t* description) {
        LPWSTR holder = nullptr;
        const HRESULT hr = lock_->AcquireWriteLock(kWaitMs, description, &holder);
        CoTaskMemFree(holder);
        return hr;
    }

private:
    INetCfgLock* lock_ = nullptr;
};

[[noreturn]] void RunHolder(int commands, int reports) {
    int status = 0;
    {
        LockClient client;
        char command = 0;
        while (client.get() != nullptr && ReadAll(commands, &command, 1)) {
            if (command == kRelease) {
                client.get()->ReleaseWriteLock();
                const char done = 'd';
                WriteAll(reports, &done, 1);
                continue;
            }
            const char held = client.Acquire(kHolderDescription) == S_OK ? 'y' : 'n';
            WriteAll(reports, &held, 1);
            if (command == kHoldThenRelease) {
                std::this_thread::sleep_for(kHoldBeforeRelease);
                const std::int64_t releasedAt = bench::MonotonicNs();
                client.get()->ReleaseWriteLock();
                WriteAll(reports, &releasedAt, sizeof releasedAt);
            }
        }
        status = client.get() != nullptr ? 0 : 1;
    }
    ::_exit(status);
}

// The machine and the holder process, shared by the benchmarks of this program.
class HolderProcess {
public:
    HolderProcess() {
        int commandPipe[2];
        int reportPipe[2];
        if (!machine_.ok() || ::pipe(commandPipe) != 0 || ::pipe(reportPipe) != 0) {
            return;
        }
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(commandPipe[1]);
            ::close(reportPipe[0]);
            RunHolder(commandPipe[0], reportPipe[1]);
        }
        ::close(commandPipe[0]);
        ::close(reportPipe[1]);
        commands_ = commandPipe[1];
        reports_ = reportPipe[0];
    }
    ~HolderProcess() {
        if (pid_ > 0) {
            ::close(commands_);
            ::close(reports_);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    HolderProcess(const HolderProcess&) = delete;
    HolderProcess& operator=(const HolderProcess&) = delete;

    bool ok() const { return pid_ > 0; }

    // Sends a command; true when the holder answered that it holds (or released) the lock.
    bool Send(Command command) {
        char answer = 0;
        return WriteAll(commands_, &command, 1) && ReadAll(reports_, &answer, 1) &&
               (answer == 'y' || answer == 'd');
    }
    bool ReadTimestamp(std::int64_t* ns) { return ReadAll(reports_, ns, sizeof *ns); }

private:
    bench::BenchMachine machine_;
    pid_t pid_ = -1;
    int commands_ = -1;
    int reports_ = -1;
};

HolderProcess& Holder() {
    static HolderProcess holder;
    return holder;
}

// Whether the holder process runs and the waiter has its lock interface; skips the benchmark
// with the reason when not.
bool Ready(benchmark::State& state, const HolderProcess& holder, const LockClient& waiter) {
    if (!holder.ok() || waiter.get() == nullptr) {
        state.SkipWithError("cannot start the holder process or create the lock interface");
        return false;
    }
    return true;
}

// Asks the holder to take the lock (and to give it back, with kHoldThenRelease); skips the
// benchmark when it could not.
bool HolderTakesLock(benchmark::State& state, HolderProcess& holder, Command command) {
    if (!holder.Send(command)) {
        state.SkipWithError("the holder could not take the lock");
        return false;
    }
    return true;
}

// Once a loop: the holder takes the lock with command, then measure(holder, waiter) times the
// waiter's attempt and returns false when it had to skip the benchmark.
template <typename Measure>
void TimeAgainstHolder(benchmark::State& state, Command command, Measure measure) {
    HolderProcess& holder = Holder();
    LockClient waiter;
    if (!Ready(state, holder, waiter)) {
        return;
    }
    for (auto _ : state) {
        if (!HolderTakesLock(state, holder, command) || !measure(holder, waiter)) {
            return;
        }
    }
}

void BM_LockHandOff(benchmark::State& state) {
    TimeAgainstHolder(state, kHoldThenRelease, [&state](HolderProcess& holder, LockClient& waiter) {
        const HRESULT hr = waiter.Acquire(kWaiterDescription);
        const std::int64_t acquiredAt = bench::MonotonicNs();
        std::int64_t releasedAt = 0;
        if (hr != S_OK || !holder.ReadTimestamp(&releasedAt)) {
            state.SkipWithError("the waiter did not get the lock");
            return false;
        }
        waiter.get()->ReleaseWriteLock();
        state.SetIterationTime(static_cast<double>(acquiredAt - releasedAt) / 1e9);
        return true;
    });
}

// The time a refused AcquireWriteLock takes; the script reports how far it is past the wait.
void BM_RefusedLock(benchmark::State& state) {
    TimeAgainstHolder(state, kHold, [&state](HolderProcess& holder, LockClient& waiter) {
        const std::int64_t startedAt = bench::MonotonicNs();
        const HRESULT hr = waiter.Acquire(kWaiterDescription);
        const std::int64_t returnedAt = bench::MonotonicNs();
        if (!holder.Send(kRelease) || hr != S_FALSE) {
            state.SkipWithError("the lock was not refused");
            return false;
        }
        state.SetIterationTime(static_cast<double>(returnedAt - startedAt) / 1e9);
        state.counters["past_wait_ms"] =
            static_cast<double>(returnedAt - startedAt) / 1e6 - static_cast<double>(kWaitMs);
        return true;
    });
}

// Each hand-off holds the lock a few milliseconds first: a fixed count keeps a repetition short.
BENCHMARK(BM_LockHandOff)->UseManualTime()->Iterations(100)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RefusedLock)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
