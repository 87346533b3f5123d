// Every platform call that a full Install or Uninstall run makes is made to fail alone, once per
// call site, and the run is checked: a documented exit code (0 only where that failure leaves
// it 0), an error line of its own unless that failure is silent, a clean ledger, a free write
// lock and a consistent store.
//
// A call site is one occurrence of a platform call in the journal of a fault-free run: the k-th
// "INetCfg::Apply" is a site of its own. Each run has a fresh machine and a thread of its own,
// whose COM level starts at zero as a new process's does; the ledger is read before the thread
// ends, so a reference, string, COM level or lock a run keeps shows as that run's fault.
#include "support/machine_checks.h"
#include "support/temp_machine.h"

#include "main/command_dispatch.h"

#include <simwin/machine.h>
#include <simwin/testing.h>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define SWEEP_HAS_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SWEEP_HAS_LEAK_CHECK 1
#endif
#endif
#ifdef SWEEP_HAS_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kEFail = static_cast<std::int32_t>(0x80004005u);
constexpr std::int64_t kSFalse = 1;
constexpr std::int64_t kNetCfgSReboot = 0x0004A020;
constexpr DWORD kErrorFileNotFound = 2;
constexpr DWORD kErrorAccessDenied = 5;
constexpr DWORD kErrorEnvVarNotFound = 203;
constexpr DWORD kErrorNoUnicodeTranslation = 1113;
constexpr std::int64_t kShellFileNotFound = 2;  // ShellExecuteW's SE_ERR_FNF

// A fault-free run of one command from one starting machine.
struct Scenario {
    std::string name;
    std::string command;
    bool componentsInstalled;
};

const Scenario kScenarios[] = {
    {"Install on a fresh machine", "Install", false},
    {"Install over both components", "Install", true},
    {"Uninstall of both components", "Uninstall", true},
    {"Uninstall on a fresh machine", "Uninstall", false},
};

// A failing result that fits the call, with the last error the platform would leave.
struct Failure {
    std::int64_t result;
    std::optional<DWORD> lastError;
};

// What a call reports when it fails. Calls that return nothing have no failing result; a call
// missing from both lists fails the sweep, so that no site is passed over unnoticed.
const std::set<std::string> kVoidCalls = {"Sleep", "CoUninitialize"};

std::optional<std::vector<Failure>> FailuresOf(const std::string& call) {
    static const std::map<std::string, std::vector<Failure>> win32 = {
        {"CloseHandle", {{0, kErrorAccessDenied}}},
        {"WriteFile", {{0, kErrorAccessDenied}}},
        {"CreateFileW", {{0, kErrorAccessDenied}}},
        {"PathAppendW", {{0, kErrorAccessDenied}}},
        {"PathFileExistsW", {{0, kErrorFileNotFound}}},
        {"SetupCopyOEMInfW", {{0, kErrorAccessDenied}}},
        {"OpenProcessToken", {{0, kErrorAccessDenied}}},
        {"GetTokenInformation", {{0, kErrorAccessDenied}}},
        {"GetCurrentDirectoryW", {{0, kErrorAccessDenied}}},
        {"GetEnvironmentVariableW", {{0, kErrorEnvVarNotFound}}},
        {"GetTempPathW", {{0, kErrorAccessDenied}}},
        {"WideCharToMultiByte", {{0, kErrorNoUnicodeTranslation}}},
        {"MultiByteToWideChar", {{0, kErrorNoUnicodeTranslation}}},
        {"ShellExecuteW", {{kShellFileNotFound, kErrorFileNotFound}}},
        {"GetLastError", {{kErrorAccessDenied, std::nullopt}}},
    };
    if (const auto found = win32.find(call); found != win32.end()) {
        return found->second;
    }
    const bool com = call.find("::") != std::string::npos || call == "CoInitializeEx" ||
                     call == "CoCreateInstance";
    if (!com) {
        return std::nullopt;
    }
    std::vector<Failure> failures = {{kEFail, std::nullopt}};
    // S_FALSE where the platform itself can answer it.
    if (call == "CoInitializeEx" || call == "INetCfgLock::AcquireWriteLock" ||
        call == "INetCfg::FindComponent" || call.find("::Next") != std::string::npos) {
        failures.push_back({kSFalse, std::nullopt});
    }
    if (call == "INetCfg::Apply" || call == "INetCfgClassSetup::DeInstall" ||
        call == "INetCfgClassSetup::Install") {
        failures.push_back({kNetCfgSReboot, std::nullopt});
    }
    return failures;
}

std::string CallName(const std::string& entry) {
    return entry.substr(0, entry.find(' '));
}

// ---- One run -------------------------------------------------------------------------

struct RunResult {
    int exitCode = -1;
    bool ledgerClean = false;
    std::string ledger;
    std::vector<std::string> journal;
    std::string problem;  // set when the run could not be made
};

struct RunPlace {
    std::string root;       // the machine
    std::string logFolder;  // AutInstLog
};

int RunCommand(const std::string& command) {
    std::wstring programWord = L"DriverInstaller";
    std::wstring commandWord(command.begin(), command.end());
    wchar_t* argv[] = {programWord.data(), commandWord.data(), nullptr};
    return RunDriverInstaller(2, argv);
}

// The command on the machine of place, with the components installed first when the scenario
// wants them, then the fault rule; the exit code, the ledger and the journal of the run.
RunResult RunScenario(const Scenario& scenario, const std::optional<simwin::FaultRule>& fault,
                      const RunPlace& place) {
    RunResult result;
    const simwin::FaultRule noWait{"Sleep", 0, simwin::FaultWhen::Always, 1, std::nullopt, L""};
    if (scenario.componentsInstalled) {
        simwin::ClearFaultRules();
        simwin::AddFaultRule(noWait);
        if (RunCommand("Install") != 0) {
            result.problem = "the components could not be installed first";
            return result;
        }
        fs::remove(reliability::LogFileIn(place.logFolder));
    }
    simwin::ClearFaultRules();
    simwin::ClearJournal();
    simwin::AddFaultRule(noWait);
    if (fault) {
        simwin::AddFaultRule(*fault);
    }
    result.exitCode = RunCommand(scenario.command);
    const simwin::Ledger ledger = simwin::CurrentLedger();
    result.ledgerClean = ledger.Clean();
    result.ledger = simwin::Describe(ledger);
    result.journal = simwin::JournalEntries();
    simwin::ClearFaultRules();
    return result;
}

// A CloseHandle made to fail leaves its handle open, as the platform would: that handle is the
// fault's leak, not the program's, and the leak checker is told not to count it.
class FaultOwnedLeaks {
public:
    explicit FaultOwnedLeaks(bool active) : active_(active) {
#ifdef SWEEP_HAS_LEAK_CHECK
        if (active_) {
            __lsan_disable();
        }
#endif
    }
    ~FaultOwnedLeaks() {
#ifdef SWEEP_HAS_LEAK_CHECK
        if (active_) {
            __lsan_enable();
        }
#endif
    }
    FaultOwnedLeaks(const FaultOwnedLeaks&) = delete;
    FaultOwnedLeaks& operator=(const FaultOwnedLeaks&) = delete;

private:
    [[maybe_unused]] bool active_;
};

// One run on a fresh machine of its own. The run has a thread of its own, whose COM level starts
// at zero as a new process's does and is read back before the thread ends.
RunResult RunOnce(const Scenario& scenario, const std::optional<simwin::FaultRule>& fault,
                  const RunPlace& place) {
    RunResult result;
    fs::create_directories(place.logFolder);
    std::string error;
    if (!simwin::InitMachine(place.root, simwin::MachineOptions{true}, false, SIMWIN_NET_EXE,
                             &error)) {
        result.problem = "cannot create the machine: " + error;
        return result;
    }
    ::setenv("SIMWIN_ROOT", place.root.c_str(), 1);
    ::setenv("AutInstLog", place.logFolder.c_str(), 1);
    std::thread runner([&] {
        const FaultOwnedLeaks closeFailed(fault && fault->call == "CloseHandle");
        result = RunScenario(scenario, fault, place);
    });
    runner.join();
    return result;
}

// Sends the process's output to /dev/null while it lives: the net.exe that Install starts
// speaks on the output it inherits. Failures are gathered meanwhile and reported afterwards.
class QuietOutput {
public:
    QuietOutput() : savedOut_(::dup(1)), savedErr_(::dup(2)) {
        std::cout.flush();
        const int devNull = ::open("/dev/null", O_WRONLY);
        ::dup2(devNull, 1);
        ::dup2(devNull, 2);
        ::close(devNull);
    }
    ~QuietOutput() {
        ::dup2(savedOut_, 1);
        ::dup2(savedErr_, 2);
        ::close(savedOut_);
        ::close(savedErr_);
    }
    QuietOutput(const QuietOutput&) = delete;
    QuietOutput& operator=(const QuietOutput&) = delete;

private:
    int savedOut_;
    int savedErr_;
};

// Keeps an environment variable's value and puts it back.
class SavedVariable {
public:
    explicit SavedVariable(const char* name) : name_(name) {
        if (const char* value = std::getenv(name)) {
            value_ = value;
        }
    }
    ~SavedVariable() {
        if (value_) {
            ::setenv(name_, value_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    SavedVariable(const SavedVariable&) = delete;
    SavedVariable& operator=(const SavedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> value_;
};

// ---- What a failure of each site must lead to ---------------------------------------

// The exit codes a failure may end with, each with whether the run may then be silent about
// it (no error line of its own).
using Expectation = std::map<int, bool>;
constexpr bool kSilent = true;
constexpr bool kLoud = false;

// Where a site lies in the run, read from the fault-free journal.
struct Site {
    std::string call;
    unsigned occurrence = 0;      // k: the k-th call of this name in the run
    std::size_t position = 0;     // index in the journal
    unsigned cycle = 0;           // CoInitializeEx calls so far, this one included
    bool afterDirectory = false;  // the Install sequence has looked for the INF files
    bool inRelease = false;       // the cycle's configuration is being given back
    std::string baselineEntry;
};

std::vector<Site> SitesOf(const std::vector<std::string>& journal) {
    std::vector<Site> sites;
    std::map<std::string, unsigned> seen;
    unsigned cycle = 0;
    bool afterDirectory = false;
    bool inRelease = false;
    for (std::size_t i = 0; i < journal.size(); ++i) {
        Site site;
        site.call = CallName(journal[i]);
        site.occurrence = ++seen[site.call];
        site.position = i;
        if (site.call == "CoInitializeEx") {
            ++cycle;
            inRelease = false;
        }
        if (site.call == "GetCurrentDirectoryW") {
            afterDirectory = true;
        }
        // Giving a cycle's configuration back starts with its Uninitialize.
        if (site.call == "INetCfg::Uninitialize") {
            inRelease = true;
        }
        site.cycle = cycle;
        site.afterDirectory = afterDirectory;
        site.inRelease = inRelease;
        site.baselineEntry = journal[i];
        sites.push_back(site);
    }
    return sites;
}

bool IsLogCall(const std::string& call) {
    static const std::set<std::string> logCalls = {
        "CreateFileW", "WriteFile", "CloseHandle", "WideCharToMultiByte", "GetEnvironmentVariableW",
        "GetTempPathW"};
    return logCalls.count(call) != 0;
}

// Failures in the binding configuration that it is told to pass over without a line.
bool SilentInBindings(const std::string& call) {
    static const std::set<std::string> unlogged = {
        "INetCfg::QueryInterface",     "INetCfgLock::AcquireWriteLock",
        "INetCfg::Uninitialize",       "INetCfgLock::ReleaseWriteLock",
        "IEnumNetCfgComponent::Reset", "IEnumNetCfgBindingPath::Reset",
        "IEnumNetCfgComponent::Next",  "IEnumNetCfgBindingPath::Next",
        "INetCfgComponent::GetId",     "INetCfg::Apply"};
    return unlogged.count(call) != 0;
}

Expectation ExpectedFor(const Scenario& scenario, int baselineExit, const Site& site,
                        const Failure& failure) {
    const std::string& call = site.call;
    if (IsLogCall(call) || (call == "PathAppendW" && !site.afterDirectory)) {
        return {{baselineExit, kSilent}};  // the log is skipped; the run goes on unchanged
    }
    if (call == "MultiByteToWideChar") {
        // The first two convert the program's own name; the next two the command, which then
        // cannot be recognised.
        return site.occurrence <= 2 ? Expectation{{baselineExit, kSilent}}
                                    : Expectation{{906, kSilent}};
    }
    if (call == "OpenProcessToken" || call == "GetTokenInformation") {
        return {{906, kLoud}};
    }
    if (call == "GetCurrentDirectoryW" || call == "PathAppendW" || call == "PathFileExistsW") {
        return {{908, kLoud}};
    }
    if (call == "ShellExecuteW") {
        return {{0, kLoud}};
    }
    if (call == "GetLastError") {
        return {{0, kSilent}};  // read after a launch that succeeded: the launch still counts
    }
    const bool install = scenario.command == "Install";
    if (install && site.cycle == 3) {  // the service start
        return {{0, failure.result == kSFalse ? kSilent : kLoud}};
    }
    if (install && site.cycle == 4) {  // the binding configuration
        return {{0, SilentInBindings(call) ? kSilent : kLoud}};
    }
    // A component's own cycle: the adapter's, then the switch's (the reverse on Uninstall).
    const int cycleFailed = install ? (site.cycle == 1 ? 901 : 902)
                                    : (baselineExit != 0 || site.cycle == 2 ? 903 : 904);
    if (call == "SetupCopyOEMInfW") {
        return {{baselineExit, kLoud}, {cycleFailed, kLoud}};
    }
    if (site.inRelease &&
        (call == "INetCfg::Uninitialize" || call == "INetCfgLock::ReleaseWriteLock")) {
        return {{baselineExit, kSilent}};  // the release's result is not used
    }
    if (site.inRelease && call == "INetCfg::QueryInterface") {
        return {{baselineExit, kLoud}};
    }
    if (failure.result == kNetCfgSReboot) {
        if (call == "INetCfgClassSetup::Install") {
            return {{baselineExit, kLoud}};  // reported, then applied once
        }
        if (call == "INetCfgClassSetup::DeInstall") {
            return {{baselineExit, kSilent}};  // a removal that needs a restart is a removal
        }
        // Apply: the first of the install cycle's two is accepted, the last one counts.
        return install ? Expectation{{baselineExit, kSilent}, {cycleFailed, kLoud}}
                       : Expectation{{cycleFailed, kLoud}};
    }
    return {{cycleFailed, kLoud}};
}

// ---- The sweep ------------------------------------------------------------------------

std::vector<std::string> ErrorLines(const std::string& logFile) {
    std::vector<std::string> errors;
    for (const std::string& line : reliability::FileLines(logFile)) {
        const auto marker = line.find("| <ERROR> | ");
        if (marker != std::string::npos) {
            errors.push_back(line.substr(marker));
        }
    }
    return errors;
}

class CallSiteSweep : public ::testing::Test {
protected:
    CallSiteSweep() {
        std::string pattern = (fs::temp_directory_path() / "sweep-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot create a temporary folder";
        }
        work_ = pattern;
        infFolder_ = work_ + "/inf";
        fs::create_directories(infFolder_);
        for (const char* name : {"quorixvmini60.inf", "quorixlwf.inf"}) {
            fs::copy_file(fs::path(INF_FOLDER) / name, fs::path(infFolder_) / name);
        }
        // A run whose log folder lookup fails falls back to these; they stay inside the sweep.
        fs::create_directories(work_ + "/fallback");
        ::setenv("tmp", (work_ + "/fallback").c_str(), 1);
        ::setenv("TMPDIR", (work_ + "/fallback").c_str(), 1);
        // Each CloseHandle made to fail keeps a descriptor open for the rest of the sweep.
        rlimit files{};
        if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
            files.rlim_cur = files.rlim_max;
            ::setrlimit(RLIMIT_NOFILE, &files);
        }
        previousFolder_ = fs::current_path();
        fs::current_path(infFolder_);  // Install looks for its INF files here
    }
    ~CallSiteSweep() override {
        fs::current_path(previousFolder_);
        std::error_code ignored;
        fs::remove_all(work_, ignored);
    }

    RunPlace NextPlace() {
        const std::string tag = std::to_string(++runs_);
        return {work_ + "/machine-" + tag, work_ + "/log-" + tag};
    }

    void ForgetPlace(const RunPlace& place) {
        std::error_code ignored;
        fs::remove_all(place.root, ignored);
        fs::remove_all(place.logFolder, ignored);
    }

    // Checks what a run left behind; returns "" or the first thing wrong.
    static std::string Leftovers(const RunResult& run, const RunPlace& place) {
        if (!run.problem.empty()) {
            return run.problem;
        }
        if (!run.ledgerClean) {
            return "the ledger is not clean: " + run.ledger;
        }
        if (reliability::WriteLockHeld(place.root)) {
            return "the write lock is still held";
        }
        const std::string storeProblem = reliability::StoreProblem(place.root);
        if (!storeProblem.empty()) {
            return "the store is inconsistent: " + storeProblem;
        }
        for (const std::string& line :
             reliability::FileLines(reliability::LogFileIn(place.logFolder))) {
            if (!reliability::HasTimePrefix(line)) {
                return "a log line without its time prefix: '" + line + "'";
            }
        }
        return "";
    }

    std::string work_;
    std::string infFolder_;
    fs::path previousFolder_;
    SavedVariable savedRoot_{"SIMWIN_ROOT"};
    SavedVariable savedLogFolder_{"AutInstLog"};
    SavedVariable savedTmp_{"tmp"};
    SavedVariable savedTmpDir_{"TMPDIR"};
    unsigned runs_ = 0;
};

TEST_F(CallSiteSweep, EveryPlatformCallFailingAloneEndsDocumentedAndLeavesNothingBehind) {
    const std::set<int> documented = {0, 901, 902, 903, 904, 905, 906, 908};
    unsigned sitesChecked = 0;
    unsigned sitesTotal = 0;
    unsigned voidSites = 0;
    unsigned faultedRuns = 0;
    std::vector<std::string> problems;  // reported once the output is back
    std::vector<std::string> counts;
    auto quiet = std::make_unique<QuietOutput>();
    for (const Scenario& scenario : kScenarios) {
        const RunPlace basePlace = NextPlace();
        const RunResult baseline = RunOnce(scenario, std::nullopt, basePlace);
        const std::string baselineProblem = Leftovers(baseline, basePlace);
        if (!baselineProblem.empty() || baseline.journal.empty()) {
            problems.push_back(scenario.name + ": the fault-free run failed: " + baselineProblem);
            continue;
        }
        const std::vector<std::string> baselineErrors =
            ErrorLines(reliability::LogFileIn(basePlace.logFolder));
        ForgetPlace(basePlace);

        unsigned scenarioSites = 0;
        unsigned scenarioChecked = 0;
        for (const Site& site : SitesOf(baseline.journal)) {
            if (kVoidCalls.count(site.call) != 0) {
                ++voidSites;
                continue;
            }
            const auto failures = FailuresOf(site.call);
            ++scenarioSites;
            if (!failures) {
                problems.push_back(scenario.name + ": no failing result is known for " +
                                   site.baselineEntry);
                continue;
            }
            bool siteOk = true;
            for (const Failure& failure : *failures) {
                // A result the call already gives in the fault-free run is no new failure.
                if (failure.result == kSFalse && site.baselineEntry.size() >= 10 &&
                    site.baselineEntry.compare(site.baselineEntry.size() - 10, 10, "0x00000001") ==
                        0) {
                    continue;
                }
                const simwin::FaultRule rule{
                    site.call,       failure.result,    simwin::FaultWhen::Nth,
                    site.occurrence, failure.lastError, L""};
                const RunPlace place = NextPlace();
                const RunResult run = RunOnce(scenario, rule, place);
                ++faultedRuns;
                const std::string where =
                    site.baselineEntry + " failed by '" + simwin::FormatFaultRule(rule) + "'";

                std::string problem = Leftovers(run, place);
                // The fault must have hit the site: the same call, at the same place, with
                // another outcome than in the fault-free run.
                if (problem.empty() && (run.journal.size() <= site.position ||
                                        CallName(run.journal[site.position]) != site.call ||
                                        run.journal[site.position] == site.baselineEntry)) {
                    problem = "the fault did not reach its call site";
                }
                const Expectation expected =
                    ExpectedFor(scenario, baseline.exitCode, site, failure);
                const auto outcome = expected.find(run.exitCode);
                if (problem.empty() &&
                    (documented.count(run.exitCode) == 0 || outcome == expected.end())) {
                    problem = "exit code " + std::to_string(run.exitCode) + " is not expected";
                }
                if (problem.empty() && !outcome->second) {
                    const auto errors = ErrorLines(reliability::LogFileIn(place.logFolder));
                    bool newError = false;
                    for (const std::string& error : errors) {
                        newError = newError ||
                                   std::find(baselineErrors.begin(), baselineErrors.end(), error) ==
                                       baselineErrors.end();
                    }
                    if (!newError) {
                        problem = "no error line reports the failure";
                    }
                }
                if (!problem.empty()) {
                    siteOk = false;
                    problems.push_back(scenario.name + ": " + where + ": " + problem);
                }
                ForgetPlace(place);
            }
            scenarioChecked += siteOk ? 1 : 0;
        }
        counts.push_back(scenario.name + ": " + std::to_string(scenarioChecked) + " of " +
                         std::to_string(scenarioSites) + " platform call sites failed and checked");
        sitesChecked += scenarioChecked;
        sitesTotal += scenarioSites;
    }
    quiet.reset();
    for (const std::string& problem : problems) {
        ADD_FAILURE() << problem;
    }
    for (const std::string& count : counts) {
        std::cout << count << std::endl;
    }
    std::cout << sitesChecked << " of " << sitesTotal << " platform call sites failed and checked ("
              << faultedRuns << " runs; " << voidSites
              << " sites of calls that return nothing: Sleep, CoUninitialize)" << std::endl;
    RecordProperty("call_sites", static_cast<int>(sitesTotal));
    RecordProperty("call_sites_checked", static_cast<int>(sitesChecked));
    EXPECT_EQ(sitesChecked, sitesTotal);
}

}  // namespace
