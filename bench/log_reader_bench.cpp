// Times driverinstaller-log on generated logs of 1 MB, 100 MB and 1 GB, in each of its forms
// (text, --json, --last), and reads its peak resident memory from getrusage. Each log is made on
// the fly from whole runs as DriverInstaller writes them and fed to the reader through a pipe,
// so that none is ever stored. Writes one JSON document of the results to the file named by
// --out.
//
//   log_reader_bench --out FILE [--repetitions N] [READER_EXE]
// READER_EXE defaults to the driverinstaller-log built beside it.
#include "support/expected_runs.h"
#include "support/whole_transfer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kMegabyte = 1000 * 1000;
constexpr std::uint64_t kGigabyte = 1000 * kMegabyte;

// A few hundred kilobytes of whole runs with their time prefixes: installs, removals, the
// failures that fill the report's error lists. Repeated, it makes a log of any size.
std::string RunsChunk() {
    const std::string adapterInf = "C:\\Setup\\drivers\\quorixvmini60.inf";
    const std::vector<expected_runs::Lines> runs = {
        expected_runs::InstallSucceeds(),
        expected_runs::UninstallSucceeds(2),
        expected_runs::UninstallFindsNothing("hr='1' / hr='0x00000001'"),
        expected_runs::InstallWhileLockHeld("Other Setup Wizard", adapterInf),
        expected_runs::UninstallSecondAdapterCycleFails(),
        expected_runs::InstallAdapterApplyAnswersReboot(adapterInf),
    };
    std::string once;
    for (const expected_runs::Lines& run : runs) {
        for (const std::string& message : run) {
            once += "2026-12-08___04:38:18 | " + message + "\n";
        }
    }
    std::string chunk;
    while (chunk.size() < 256 * 1024) {
        chunk += once;
    }
    return chunk;
}

std::string BannerLines() {
    std::string banner;
    for (const std::string& message : expected_runs::Banner()) {
        banner += "2026-12-08___04:38:18 | " + message + "\n";
    }
    return banner;
}

// A run whose one error line holds a number of any length: the head of the run, then digits.
std::string OneLineHead() {
    return BannerLines() +
           "2026-12-08___04:38:18 | <ERROR> | DeviceManager::StartNPFService() failed. " +
           "ShellExecute() returned errorMessageID=";
}

// Error lines of 60,000 bytes, for a run as long as the log: the most a run's report keeps.
std::string LongErrorLines() {
    std::string lines;
    for (int i = 0; i < 4; ++i) {
        lines += "2026-12-08___04:38:18 | <ERROR> | " + std::string(60000, 'x') + "\n";
    }
    return lines;
}

struct Measurement {
    bool ok = false;
    double seconds = 0;     // from its start to its exit
    double cpuSeconds = 0;  // user and system time
    long peakKilobytes = 0;
};

using bench::WriteAll;

// Runs the reader with arguments on bytes made of head and chunk repeated to size (with a line
// end at the end), its output thrown away, and measures it from its start to its exit.
Measurement Measure(const std::string& reader, const std::vector<std::string>& arguments,
                    const std::string& head, const std::string& chunk, std::uint64_t size) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return {};
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[0], STDIN_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        std::vector<char*> argv = {const_cast<char*>(reader.c_str())};
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(const_cast<char*>("/dev/stdin"));
        argv.push_back(nullptr);
        ::execv(reader.c_str(), argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[0]);
    bool written = child > 0 && WriteAll(pipeFds[1], head.data(), head.size());
    for (std::uint64_t sent = 0; written && sent < size; sent += chunk.size()) {
        written = WriteAll(pipeFds[1], chunk.data(), chunk.size());
    }
    written = written && WriteAll(pipeFds[1], "\n", 1);
    ::close(pipeFds[1]);
    int status = 0;
    struct rusage usage = {};
    if (child <= 0 || ::wait4(child, &status, 0, &usage) != child) {
        return {};
    }
    Measurement measurement;
    measurement.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    measurement.cpuSeconds =
        static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    measurement.peakKilobytes = usage.ru_maxrss;  // kilobytes on Linux
    measurement.ok = written && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return measurement;
}

enum class Shape { Runs, OneLine, LongErrorLines };

struct Case {
    std::string name;
    std::vector<std::string> arguments;
    Shape shape;
    std::uint64_t size;
};

}  // namespace

int main(int argc, char* argv[]) {
    std::string reader = DRIVERINSTALLER_LOG_EXE;
    std::string out;
    int repetitions = 3;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--out" && i + 1 < argc) {
            out = argv[++i];
        } else if (argument == "--repetitions" && i + 1 < argc) {
            repetitions = std::atoi(argv[++i]);
        } else {
            reader = argument;
        }
    }
    if (reader.empty() || out.empty() || repetitions < 1) {
        std::fputs("usage: log_reader_bench --out FILE [--repetitions N] [READER_EXE]\n", stderr);
        return 2;
    }
    // A reader killed by the pipe closing early is a failed case, not the benchmark's end.
    ::signal(SIGPIPE, SIG_IGN);

    const std::string runs = RunsChunk();
    const std::string banner = BannerLines();
    const std::string oneLineHead = OneLineHead();
    const std::string digits(256 * 1024, '7');
    const std::string longErrorLines = LongErrorLines();
    std::vector<Case> cases;
    for (const std::uint64_t size : {kMegabyte, 100 * kMegabyte, kGigabyte}) {
        const std::string label =
            size == kGigabyte ? "1 GB" : std::to_string(size / kMegabyte) + " MB";
        cases.push_back({"text " + label, {}, Shape::Runs, size});
        cases.push_back({"json " + label, {"--json"}, Shape::Runs, size});
        cases.push_back({"last " + label, {"--last"}, Shape::Runs, size});
    }
    cases.push_back({"one line 100 MB", {}, Shape::OneLine, 100 * kMegabyte});
    cases.push_back({"error lines, text 100 MB", {}, Shape::LongErrorLines, 100 * kMegabyte});
    cases.push_back(
        {"error lines, json 100 MB", {"--json"}, Shape::LongErrorLines, 100 * kMegabyte});
    cases.push_back(
        {"error lines, last 100 MB", {"--last"}, Shape::LongErrorLines, 100 * kMegabyte});

    std::string json = "{\"chunk_bytes\":" + std::to_string(runs.size()) + ",\"cases\":[";
    bool allOk = true;
    for (std::size_t c = 0; c < cases.size(); ++c) {
        const Case& tested = cases[c];
        const std::string& head = tested.shape == Shape::OneLine          ? oneLineHead
                                  : tested.shape == Shape::LongErrorLines ? banner
                                                                          : std::string();
        const std::string& chunk = tested.shape == Shape::OneLine          ? digits
                                   : tested.shape == Shape::LongErrorLines ? longErrorLines
                                                                           : runs;
        // The bytes sent: the head, whole chunks up to the size, and the last line end.
        const std::uint64_t bytes =
            head.size() + (tested.size + chunk.size() - 1) / chunk.size() * chunk.size() + 1;
        const int reps = tested.size >= kGigabyte ? 1 : repetitions;
        json += std::string(c == 0 ? "" : ",") + "{\"name\":\"" + tested.name +
                "\",\"bytes\":" + std::to_string(bytes) + ",\"seconds\":[";
        std::string peaks;
        std::string cpu;
        for (int r = 0; r < reps; ++r) {
            const Measurement m = Measure(reader, tested.arguments, head, chunk, tested.size);
            allOk = allOk && m.ok;
            json += (r == 0 ? "" : ",") + std::to_string(m.seconds);
            peaks += (r == 0 ? "" : ",") + std::to_string(m.peakKilobytes);
            cpu += (r == 0 ? "" : ",") + std::to_string(m.cpuSeconds);
            std::fprintf(stderr, "%-18s %8.3f s (CPU %.3f s) %8ld KB%s\n", tested.name.c_str(),
                         m.seconds, m.cpuSeconds, m.peakKilobytes, m.ok ? "" : "  FAILED");
        }
        json += "],\"cpu_seconds\":[" + cpu + "],\"peak_kilobytes\":[" + peaks + "]}";
    }
    json += "]}\n";
    std::ofstream(out) << json;
    return allOk ? 0 : 1;
}
