// Every platform call that a full Install or Uninstall run makes is made to fail alone, once per
// call site, and the run is checked: a documented exit code (0 only where that failure leaves
// it 0), an error line of its own unless that failure is silent, a clean ledger, a free write
// lock and a consistent store.
//
// A call site is one occurrence of a platform call in the journal of a fault-free run: the k-th
// "INetCfg::Apply" is a site of its own. The phase of the run a site lies in (a component's
// cycle, the service start, the binding configuration) is read from the log lines written before
// it: the n-th WriteFile of the run writes its n-th log line. Each run has a fresh machine and a
// thread of its own,
// whose COM level starts at zero as a new process's does; the ledger is read before the thread
// ends, so a reference, string, COM level or lock a run keeps shows as that run's fault.
#include "support/exit_codes.h"
#include "support/fault_rules.h"
#include "support/inf_files.h"
#include "support/log_file.h"
#include "support/machine_checks.h"
#include "support/sweep_plan.h"
#include "support/temp_machine.h"
#include "support/uncopyable.h"

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
using namespace testsupport::exit_code;

using reliability::CallName;
using reliability::Failure;
using reliability::RuleText;
using reliability::Scenario;

// Results and last errors as fault rules write them.
constexpr char kSFalse[] = "S_FALSE";
constexpr char kNetCfgSReboot[] = "NETCFG_S_REBOOT";
constexpr char kErrorFileNotFound[] = "2";
constexpr char kErrorAccessDenied[] = "5";
constexpr char kErrorEnvVarNotFound[] = "203";
constexpr char kErrorNoUnicodeTranslation[] = "1113";
constexpr char kShellFileNotFound[] = "2";  // ShellExecuteW's SE_ERR_FNF

// What a call reports when it fails. Calls that return nothing have no failing result (nor can
// GetLocalTime fail on Windows, so the platform offers no rule for it); a call missing from both
// lists fails the sweep, so that no site is passed over unnoticed.
const std::set<std::string> kVoidCalls = {"Sleep", "CoUninitialize", "GetLocalTime"};

std::optional<std::vector<Failure>> FailuresOf(const std::string& call) {
    // The Win32 calls fail by returning 0 (FALSE, a null handle, no characters) and leaving a last
    // error: access denied, unless the call has one of its own.
    static const std::set<std::string> win32 = {"CloseHandle",
                                                "WriteFile",
                                                "CreateFileW",
                                                "PathAppendW",
                                                "PathFileExistsW",
                                                "SetupCopyOEMInfW",
                                                "OpenProcessToken",
                                                "GetTokenInformation",
                                                "GetCurrentDirectoryW",
                                                "GetEnvironmentVariableW",
                                                "GetTempPathW",
                                                "WideCharToMultiByte",
                                                "MultiByteToWideChar",
                                                "GetFileType",
                                                "GetFileInformationByHandle",
                                                "GetFinalPathNameByHandleW",
                                                "SetFileInformationByHandle",
                                                "GetSystemDirectoryW"};
    static const std::map<std::string, std::string> ownErrors = {
        {"PathFileExistsW", kErrorFileNotFound},
        {"GetEnvironmentVariableW", kErrorEnvVarNotFound},
        {"WideCharToMultiByte", kErrorNoUnicodeTranslation},
        {"MultiByteToWideChar", kErrorNoUnicodeTranslation}};
    if (win32.count(call) == 1) {
        const auto own = ownErrors.find(call);
        return std::vector<Failure>{
            {"0", own != ownErrors.end() ? own->second : std::string(kErrorAccessDenied)}};
    }
    // ShellExecuteW fails with one of the shell's small codes; GetLastError cannot fail, but it
    // can answer an error that no call left.
    if (call == "ShellExecuteW") {
        return std::vector<Failure>{{kShellFileNotFound, kErrorFileNotFound}};
    }
    if (call == "GetLastError") {
        return std::vector<Failure>{{kErrorAccessDenied, ""}};
    }
    return reliability::ComFailuresOf(call);
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
    const simwin::FaultRule noWait = testsupport::Fault("Sleep 0");
    if (scenario.componentsInstalled) {
        simwin::ClearFaultRules();
        simwin::AddFaultRule(noWait);
        if (RunCommand("Install") != 0) {
            result.problem = "the components could not be installed first";
            return result;
        }
        fs::remove(testsupport::LogFileIn(place.logFolder));
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
class FaultOwnedLeaks : testsupport::Uncopyable {
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
class QuietOutput : testsupport::Uncopyable {
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

private:
    int savedOut_;
    int savedErr_;
};

// Keeps an environment variable's value and puts it back.
class SavedVariable : testsupport::Uncopyable {
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

// The parts of a run, each opened by a log line of its own.
enum class Phase {
    Start,                 // the entry, the elevation check, the command, the INF files
    AdapterInstall,        // the adapter's configuration cycle
    SwitchInstall,         // the switch's
    ServiceStart,          // the "npf" service start
    BindingConfiguration,  // the binding configuration
    SwitchRemoval,         // the switch's removal cycle
    AdapterRemoval,        // the adapter's
};

// The log lines that open each phase, as the program writes them.
const std::map<std::string, Phase> kPhaseStarts = {
    {"DeviceManager::Installer() Installing Virtual Ethernet Adapter...", Phase::AdapterInstall},
    {"DeviceManager::Installer() Installing Virtual Switch...", Phase::SwitchInstall},
    {"Configuration of NPF service begins.", Phase::ServiceStart},
    {"Configuration of IPv6 and Virtual Switch begins.", Phase::BindingConfiguration},
    {"DeviceManager::Uninstaller() | Enter...", Phase::SwitchRemoval},
    {"DeviceManager::Uninstaller() Virtual Switch uninstall succeeded.", Phase::AdapterRemoval},
    {"<ERROR> | DeviceManager::Uninstaller() Virtual Switch uninstall failed.",
     Phase::AdapterRemoval},
};
// A cycle's configuration is given back from this line on, until the next cycle acquires one.
const std::string kReleaseStarts = "DeviceManager::HrReleaseINetCfg() | Enter...";
const std::string kAcquireStarts = "DeviceManager::HrGetINetCfg() | Enter...";
// A removal cycle has removed its component from this line on, until the next cycle acquires.
const std::string kRemovalDone = "DeviceManager::UninstallDriver() Uninstall OK...";

// Where a site lies in the run, read from the fault-free journal and log.
struct Site {
    std::string call;
    unsigned occurrence = 0;      // k: the k-th call of this name in the run
    std::size_t position = 0;     // index in the journal
    Phase phase = Phase::Start;   // from the log lines written before the call
    bool afterDirectory = false;  // the Install sequence has looked for the INF files
    bool inRelease = false;       // the cycle's configuration is being given back
    bool afterRemoval = false;    // the cycle has removed its component
    std::size_t nextLine = 0;     // the log line the next WriteFile writes
    std::string baselineEntry;
};

// The sites of a fault-free run; the n-th WriteFile of the journal wrote the n-th of logLines.
// Fails the test when the two do not match.
std::vector<Site> SitesOf(const std::vector<std::string>& journal,
                          const std::vector<std::string>& logLines) {
    std::vector<Site> sites;
    std::map<std::string, unsigned> seen;
    Phase phase = Phase::Start;
    bool afterDirectory = false;
    bool inRelease = false;
    bool afterRemoval = false;
    std::size_t linesWritten = 0;
    for (std::size_t i = 0; i < journal.size(); ++i) {
        Site site;
        site.call = CallName(journal[i]);
        site.occurrence = ++seen[site.call];
        site.position = i;
        afterDirectory = afterDirectory || site.call == "GetCurrentDirectoryW";
        site.phase = phase;
        site.afterDirectory = afterDirectory;
        site.inRelease = inRelease;
        site.afterRemoval = afterRemoval;
        site.nextLine = linesWritten;
        site.baselineEntry = journal[i];
        sites.push_back(site);
        if (site.call != "WriteFile") {
            continue;
        }
        if (linesWritten == logLines.size()) {
            ADD_FAILURE() << "more WriteFile calls than log lines, at " << journal[i];
            return {};
        }
        const std::string& line = logLines[linesWritten++];
        if (const auto start = kPhaseStarts.find(line); start != kPhaseStarts.end()) {
            phase = start->second;
            inRelease = false;
        }
        inRelease = (inRelease || line == kReleaseStarts) && line != kAcquireStarts;
        afterRemoval = (afterRemoval || line == kRemovalDone) && line != kAcquireStarts;
    }
    EXPECT_EQ(linesWritten, logLines.size()) << "log lines without a WriteFile call";
    return sites;
}

bool IsLogCall(const std::string& call) {
    static const std::set<std::string> logCalls = {"CreateFileW",
                                                   "WriteFile",
                                                   "CloseHandle",
                                                   "WideCharToMultiByte",
                                                   "GetEnvironmentVariableW",
                                                   "GetTempPathW",
                                                   "GetFileType",
                                                   "GetFileInformationByHandle",
                                                   "GetFinalPathNameByHandleW",
                                                   "SetFileInformationByHandle"};
    return logCalls.count(call) != 0;
}

// The log's calls whose failure loses the one line they were made for, and no other: the open
// of the log's folder or file, the checks that the file is the log itself, the write.
bool LosesItsLine(const std::string& call) {
    static const std::set<std::string> calls = {"CreateFileW", "GetFileType",
                                                "GetFileInformationByHandle",
                                                "GetFinalPathNameByHandleW", "WriteFile"};
    return calls.count(call) != 0;
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

// The exit code a failure in a component's cycle ends the run with.
int CycleFailure(const Scenario& scenario, Phase phase) {
    switch (phase) {
        case Phase::AdapterInstall:
            return kAdapterInstallFailed;
        case Phase::SwitchInstall:
            return kSwitchInstallFailed;
        case Phase::AdapterRemoval:
            return kAdapterRemovalFailed;
        case Phase::SwitchRemoval:
            // The adapter's removal decides the code whenever it fails too.
            return scenario.exitCode == kAdapterRemovalFailed ? kAdapterRemovalFailed
                                                              : kSwitchRemovalFailed;
        default:
            return -1;  // no cycle: no code is expected
    }
}

Expectation ExpectedFor(const Scenario& scenario, const Site& site, const Failure& failure) {
    const std::string& call = site.call;
    const int unchanged = scenario.exitCode;
    if (IsLogCall(call) || (call == "PathAppendW" && !site.afterDirectory)) {
        return {{unchanged, kSilent}};  // the log is skipped; the run goes on unchanged
    }
    if (call == "MultiByteToWideChar") {
        // The first two convert the program's own name; the next two the command, which then
        // cannot be recognised.
        return site.occurrence <= 2 ? Expectation{{unchanged, kSilent}}
                                    : Expectation{{kRefused, kSilent}};
    }
    if (call == "OpenProcessToken" || call == "GetTokenInformation") {
        return {{kRefused, kLoud}};
    }
    if (call == "GetCurrentDirectoryW" || call == "PathAppendW" || call == "PathFileExistsW") {
        return {{kInfMissing, kLoud}};
    }
    if (call == "ShellExecuteW" || call == "GetSystemDirectoryW") {
        return {{kOk, kLoud}};
    }
    if (call == "GetLastError") {
        return {{kOk, kSilent}};  // read after a launch that succeeded: the launch still counts
    }
    if (site.phase == Phase::ServiceStart) {
        return {{kOk, failure.result == kSFalse ? kSilent : kLoud}};
    }
    if (site.phase == Phase::BindingConfiguration) {
        return {{kOk, SilentInBindings(call) ? kSilent : kLoud}};
    }
    const bool install = scenario.command == "Install";
    const int cycleFailed = CycleFailure(scenario, site.phase);
    if (call == "SetupCopyOEMInfW") {
        return {{unchanged, kLoud}, {cycleFailed, kLoud}};
    }
    if (site.inRelease &&
        (call == "INetCfg::Uninitialize" || call == "INetCfgLock::ReleaseWriteLock")) {
        return {{unchanged, kSilent}};  // the release's result is not used
    }
    if (site.inRelease && call == "INetCfg::QueryInterface") {
        return {{unchanged, kLoud}};
    }
    if (failure.result == kNetCfgSReboot) {
        if (call == "INetCfgClassSetup::Install") {
            return {{unchanged, kLoud}};  // reported, then applied once
        }
        if (call == "INetCfgClassSetup::DeInstall") {
            return {{unchanged, kSilent}};  // a removal that needs a restart is a removal
        }
        // Apply: the first of the install cycle's two is accepted, the last one counts.
        return install ? Expectation{{unchanged, kSilent}, {cycleFailed, kLoud}}
                       : Expectation{{cycleFailed, kLoud}};
    }
    if (call == "INetCfg::FindComponent" && site.afterRemoval) {
        // The look for another instance after a removal: a failure is no answer, so the next
        // cycle looks for itself, finds none left and traces that; the removal stands.
        return {{unchanged, failure.result == kSFalse ? kSilent : kLoud}};
    }
    return {{cycleFailed, kLoud}};
}

// ---- The sweep ------------------------------------------------------------------------

// The log of the run in a log folder, its lines ending in LF.
testsupport::LogFile LogOf(const std::string& logFolder) {
    return testsupport::ReadLog(testsupport::LogFileIn(logFolder), "\n");
}

std::vector<std::string> ErrorLines(const std::string& logFolder) {
    std::vector<std::string> errors;
    for (const std::string& message : LogOf(logFolder).messages) {
        if (message.rfind("<ERROR> | ", 0) == 0) {
            errors.push_back(message);
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
        testsupport::CopyInfFiles(infFolder_);
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
        const testsupport::LogFile log = LogOf(place.logFolder);
        if (!log.malformedLines.empty()) {
            return "a log line without its time prefix: '" + log.malformedLines.front() + "'";
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
    const std::set<int> documented(std::begin(testsupport::kDocumentedExitCodes),
                                   std::end(testsupport::kDocumentedExitCodes));
    unsigned sitesChecked = 0;
    unsigned sitesTotal = 0;
    unsigned voidSites = 0;
    unsigned faultedRuns = 0;
    std::vector<std::string> problems;  // reported once the output is back
    std::vector<std::string> counts;
    auto quiet = std::make_unique<QuietOutput>();
    for (const Scenario& scenario : reliability::Scenarios()) {
        const RunPlace basePlace = NextPlace();
        const RunResult baseline = RunOnce(scenario, std::nullopt, basePlace);
        const std::string baselineProblem = Leftovers(baseline, basePlace);
        if (!baselineProblem.empty() || baseline.journal.empty()) {
            problems.push_back(scenario.name + ": the fault-free run failed: " + baselineProblem);
            continue;
        }
        if (baseline.exitCode != scenario.exitCode) {
            problems.push_back(scenario.name + ": the fault-free run ended with " +
                               std::to_string(baseline.exitCode) + " instead of " +
                               std::to_string(scenario.exitCode));
            continue;
        }
        const std::vector<std::string> baselineErrors = ErrorLines(basePlace.logFolder);
        const std::vector<std::string> baselineLines = LogOf(basePlace.logFolder).messages;
        const std::vector<Site> sites = SitesOf(baseline.journal, baselineLines);
        ForgetPlace(basePlace);

        unsigned scenarioSites = 0;
        unsigned scenarioChecked = 0;
        for (const Site& site : sites) {
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
                if (!reliability::IsNewFailure(failure, site.baselineEntry)) {
                    continue;
                }
                const std::string ruleText = RuleText(site.call, failure, site.occurrence);
                const RunPlace place = NextPlace();
                const RunResult run = RunOnce(scenario, testsupport::Fault(ruleText), place);
                ++faultedRuns;
                const std::string where = site.baselineEntry + " failed by '" + ruleText + "'";

                std::string problem = Leftovers(run, place);
                // The fault must have hit the site: the same call, at the same place, with
                // another outcome than in the fault-free run.
                if (problem.empty() && (run.journal.size() <= site.position ||
                                        CallName(run.journal[site.position]) != site.call ||
                                        run.journal[site.position] == site.baselineEntry)) {
                    problem = "the fault did not reach its call site";
                }
                const Expectation expected = ExpectedFor(scenario, site, failure);
                const auto outcome = expected.find(run.exitCode);
                if (problem.empty() &&
                    (documented.count(run.exitCode) == 0 || outcome == expected.end())) {
                    problem = "exit code " + std::to_string(run.exitCode) + " is not expected";
                }
                if (problem.empty() && !outcome->second) {
                    const auto errors = ErrorLines(place.logFolder);
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
                if (problem.empty() && LosesItsLine(site.call) &&
                    site.nextLine < baselineLines.size()) {
                    std::vector<std::string> lessOne = baselineLines;
                    lessOne.erase(lessOne.begin() + static_cast<std::ptrdiff_t>(site.nextLine));
                    if (LogOf(place.logFolder).messages != lessOne) {
                        problem = "the log is not the fault-free one without line " +
                                  std::to_string(site.nextLine + 1);
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
              << " sites of calls that return nothing: Sleep, CoUninitialize, GetLocalTime)"
              << std::endl;
    RecordProperty("call_sites", static_cast<int>(sitesTotal));
    RecordProperty("call_sites_checked", static_cast<int>(sitesChecked));
    EXPECT_EQ(sitesChecked, sitesTotal);
}

}  // namespace
