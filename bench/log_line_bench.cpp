// The cost of one log line (open, append, close) against a bare open/write/close of the same
// bytes, and of formatting the hr line.
#include "log/Logger.h"
#include "log/message_format.h"
#include "support/bench_machine.h"

#include <simwin/testing.h>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace {

constexpr wchar_t kMessage[] = L"DeviceManager::HrGetINetCfg() | QueryInterface returns OK...";
constexpr HRESULT kNoWriteLock = static_cast<HRESULT>(0x8004A024u);
// The platform keeps a journal of every call in memory; clearing it now and then keeps a run of
// millions of lines from measuring the growth of that list instead of the line.
constexpr int kJournalClearEvery = 4096;

// One machine and one log folder for the whole program.
struct LogWorld {
    bench::BenchMachine machine;
    std::string folder = machine.MakeFolder("log");
    std::string loggerPath;
    std::string barePath = folder + "/bare.log";

    LogWorld() {
        ::setenv("AutInstLog", folder.c_str(), 1);
        Logger probe;
        const std::wstring path = probe.Path();
        loggerPath.assign(path.begin(), path.end());
    }
};

LogWorld& World() {
    static LogWorld world;
    return world;
}

// The bytes the log writes for kMessage: the time prefix, the message, the line end.
std::string LineBytes() {
    char prefix[64];
    const std::time_t now = std::time(nullptr);
    std::strftime(prefix, sizeof prefix, "%Y-%m-%d___%H:%M:%S | ", std::localtime(&now));
    const std::wstring message = kMessage;
    return prefix + std::string(message.begin(), message.end()) + "\n";
}

void TruncateFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CREAT | O_CLOEXEC, 0644);
    if (fd >= 0) {
        ::close(fd);
    }
}

// The bare file emptied, and its path as the platform's calls take it.
std::wstring EmptiedBarePath() {
    const LogWorld& world = World();
    TruncateFile(world.barePath);
    return std::wstring(world.barePath.begin(), world.barePath.end());
}

// The log's open of its file for a line: appending, shared for reading and writing, the file
// there already.
HANDLE OpenToAppend(const std::wstring& path, DWORD flags) {
    return CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, flags, nullptr);
}

// Clears the journal every kJournalClearEvery calls, so that it does not grow with the run.
class JournalTrimmer {
public:
    void Count() {
        if (++sinceClear_ == kJournalClearEvery) {
            simwin::ClearJournal();
            sinceClear_ = 0;
        }
    }

private:
    int sinceClear_ = 0;
};

// Whether the benchmark's machine is in place; skips the benchmark with the reason when not.
bool Ready(benchmark::State& state, const LogWorld& world) {
    if (!world.machine.ok()) {
        state.SkipWithError(world.machine.error().c_str());
        return false;
    }
    return true;
}

void BM_BareOpenWriteClose(benchmark::State& state) {
    LogWorld& world = World();
    const std::string line = LineBytes();
    TruncateFile(world.barePath);
    for (auto _ : state) {
        const int fd =
            ::open(world.barePath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        const ssize_t written = ::write(fd, line.data(), line.size());
        benchmark::DoNotOptimize(written);
        ::close(fd);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}

// The same bytes through the platform's own calls, as the log must make them: where the
// platform is simulated, what it adds to the bare calls is the platform's, not the log's.
void BM_PlatformOpenWriteClose(benchmark::State& state) {
    const std::string line = LineBytes();
    const std::wstring path = EmptiedBarePath();
    JournalTrimmer journal;
    for (auto _ : state) {
        const HANDLE file = OpenToAppend(path, FILE_ATTRIBUTE_NORMAL);
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
        journal.Count();
    }
}

// The same bytes through every platform call the log makes for a line: the open that follows no
// link at the file's name, the three checks that the file is the log itself, the write and the
// close. The log line over this is the log's own share.
void BM_PlatformOpenCheckWriteClose(benchmark::State& state) {
    const std::string line = LineBytes();
    const std::wstring path = EmptiedBarePath();
    JournalTrimmer journal;
    std::wstring finalPath(path.size() + 1, L'\0');
    for (auto _ : state) {
        const HANDLE file =
            OpenToAppend(path, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
        benchmark::DoNotOptimize(GetFileType(file));
        BY_HANDLE_FILE_INFORMATION information{};
        benchmark::DoNotOptimize(GetFileInformationByHandle(file, &information));
        benchmark::DoNotOptimize(GetFinalPathNameByHandleW(
            file, &finalPath[0], static_cast<DWORD>(finalPath.size()), 0));
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        CloseHandle(file);
        journal.Count();
    }
}

// The pieces of a line that are not file calls: the local time, and the message converted to
// the ANSI code page.
void BM_LocalTime(benchmark::State& state) {
    SYSTEMTIME now = {};
    JournalTrimmer journal;
    for (auto _ : state) {
        GetLocalTime(&now);
        benchmark::DoNotOptimize(now);
        journal.Count();
    }
}

void BM_CodePageConversion(benchmark::State& state) {
    const std::wstring message = kMessage;
    char converted[256];
    JournalTrimmer journal;
    for (auto _ : state) {
        benchmark::DoNotOptimize(WideCharToMultiByte(
            CP_THREAD_ACP, 0, message.c_str(), -1, converted, sizeof converted, nullptr, nullptr));
        journal.Count();
    }
}

// Times writeLine(logger) once a loop, into the world's log file emptied first; false when the
// world could not be made.
template <typename WriteLine>
bool TimeLoggedLines(benchmark::State& state, WriteLine writeLine) {
    LogWorld& world = World();
    if (!Ready(state, world)) {
        return false;
    }
    TruncateFile(world.loggerPath);
    Logger logger;
    JournalTrimmer journal;
    for (auto _ : state) {
        writeLine(logger);
        journal.Count();
    }
    return true;
}

void BM_LogLine(benchmark::State& state) {
    const std::wstring message = kMessage;
    if (TimeLoggedLines(state, [&message](Logger& logger) { logger.Log(message); })) {
        state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * LineBytes().size()));
    }
}

void BM_LogErrorHrLine(benchmark::State& state) {
    TimeLoggedLines(state, [](Logger& logger) { logger.LogError(FormatHr(kNoWriteLock)); });
}

void BM_FormatHrLine(benchmark::State& state) {
    for (auto _ : state) {
        std::wstring text = FormatHr(kNoWriteLock);
        benchmark::DoNotOptimize(text.data());
    }
}

BENCHMARK(BM_BareOpenWriteClose);
BENCHMARK(BM_PlatformOpenWriteClose);
BENCHMARK(BM_PlatformOpenCheckWriteClose);
BENCHMARK(BM_LocalTime);
BENCHMARK(BM_CodePageConversion);
BENCHMARK(BM_LogLine);
BENCHMARK(BM_LogErrorHrLine);
BENCHMARK(BM_FormatHrLine);

}  // namespace

BENCHMARK_MAIN();
