#include "install_cycle.h"

#include "device_manager/components.h"
#include "log/Logger.h"
#include "main/elevation.h"
#include "program_run.h"
#include "text.h"

#include <setupapi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace selftest {

namespace {

constexpr wchar_t kSection[] = L"Install cycle";
constexpr wchar_t kInstallerName[] = L"DriverInstaller.exe";
constexpr wchar_t kLogReaderName[] = L"driverinstaller-log.exe";
// The hr line of a result the engine answers only under a fault rule.
constexpr char kRebootResult[] = "hr='0x0004a020'";
// The line the program writes when SetupCopyOEMInfW refuses an INF file; the reason, the last
// error, is not in the log.
constexpr char kInfCopyFailure[] = "Couldn't copy the setup INF file";

// Where the log writes a platform result in hexadecimal: " hr='0x%08lx'".
constexpr char kResultStart[] = "hr='0x";
constexpr std::size_t kResultDigits = 8;

// The runs, the exit code each has on the engine and the results its log shows there: the
// second Install adds a second adapter instance, the first Uninstall removes both, and the second
// finds nothing to remove (FindComponent's S_FALSE, exit code 903).
struct CycleStep {
    const wchar_t* command;
    DWORD engineExitCode;
    std::vector<HRESULT> engineResults;
};
const CycleStep kSteps[] = {
    {L"Install", 0, {}},   {L"Install", 0, {}},
    {L"Uninstall", 0, {}}, {L"Uninstall", 903, {S_FALSE}},
    {L"Install", 0, {}},   {L"Uninstall", 0, {}},
};

bool IsFile(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
    return folder.empty() || folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
}

// The file's bytes; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::string();
    }
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) != FALSE && read > 0) {
        bytes.append(buffer, read);
    }
    CloseHandle(file);
    return bytes;
}

// The folder of this executable, where the release archive puts the log reader beside it.
std::wstring OwnFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return path.substr(0, path.rfind(L'\\'));
}

// What one run left: its exit code, and what its log and the machine after it showed.
struct RunSeen {
    const CycleStep* step = nullptr;
    ProgramRun run;
    NetworkView after;
    bool rebootAnswered = false;
    bool infCopyFailed = false;
    std::vector<HRESULT> results;  // every result the log shows, each once, in its order
    // The log reader's verdict of what the run left installed: its exit code (0 nothing, 1
    // something is or may be, 2 the log cannot tell), unless the reader could not run.
    ProgramRun verdict;
};

// The results a log shows in its hr lines, each once, in the order they first appear.
std::vector<HRESULT> LoggedResults(const std::string& log) {
    std::vector<HRESULT> results;
    for (std::size_t at = log.find(kResultStart); at != std::string::npos;
         at = log.find(kResultStart, at + 1)) {
        const std::string digits = log.substr(at + std::strlen(kResultStart), kResultDigits);
        const auto result = static_cast<HRESULT>(std::strtoul(digits.c_str(), nullptr, 16));
        if (std::find(results.begin(), results.end(), result) == results.end()) {
            results.push_back(result);
        }
    }
    return results;
}

// Copies the INF as the program does, to read the last error its log does not show (a
// signature the system refuses is one). Called only after the program's own copy failed.
std::wstring InfCopyError(const std::wstring& infPath) {
    const std::wstring folder = infPath.substr(0, infPath.rfind(L'\\') + 1);
    if (SetupCopyOEMInfW(infPath.c_str(), folder.c_str(), SPOST_PATH, 0, nullptr, 0, nullptr,
                         nullptr) != FALSE) {
        return L"copied when repeated";
    }
    wchar_t text[32];
    std::swprintf(text, sizeof text / sizeof text[0], L"last error 0x%08lx",
                  static_cast<unsigned long>(GetLastError()));
    return text;
}

RunSeen RunStep(const CycleStep& step, std::size_t number, const std::wstring& folder,
                const std::wstring& logsFolder, const std::wstring& logReader, Findings* findings) {
    RunSeen seen;
    seen.step = &step;
    const std::wstring runName = std::to_wstring(number) + L"-" + step.command;
    const std::wstring logFolder = Join(logsFolder, runName);
    CreateDirectoryW(logFolder.c_str(), nullptr);
    // The program's log goes where AutInstLog names, one folder a run.
    SetEnvironmentVariableW(L"AutInstLog", logFolder.c_str());
    seen.run = RunProgram(Join(folder, kInstallerName), step.command, folder,
                          Join(logFolder, L"output.txt"));
    seen.after = ReadNetworkView();

    // Where the program wrote, found as the program finds it.
    const std::wstring logPath = Logger().Path();
    const std::string log = ReadBytes(logPath);
    seen.rebootAnswered = log.find(kRebootResult) != std::string::npos;
    seen.infCopyFailed = log.find(kInfCopyFailure) != std::string::npos;
    seen.results = LoggedResults(log);
    if (!logReader.empty()) {
        RunProgram(logReader, L"--last " + Quoted(logPath), logFolder,
                   Join(logFolder, L"log-summary.txt"));
        seen.verdict = RunProgram(logReader, L"--last --left-installed " + Quoted(logPath),
                                  logFolder, Join(logFolder, L"left-installed.txt"));
    }

    const std::wstring name = L"Run " + std::to_wstring(number) + L": " + step.command;
    findings->AddFact(kSection, name,
                      seen.run.started
                          ? L"exit code " + std::to_wstring(seen.run.exitCode)
                          : L"not started, last error " + std::to_wstring(seen.run.startError));
    for (const std::wstring& line : seen.after.Lines()) {
        findings->AddFact(kSection, name + L", after it",
                          line.substr(line.find_first_not_of(L' ')));
    }
    return seen;
}

void CheckExitCodes(const std::vector<RunSeen>& runs, Findings* findings) {
    std::wstring engine;
    std::wstring observed;
    bool holds = true;
    for (const RunSeen& seen : runs) {
        const std::wstring separator = engine.empty() ? L"" : L", ";
        engine += separator + std::to_wstring(seen.step->engineExitCode);
        observed += separator + (seen.run.started ? std::to_wstring(seen.run.exitCode)
                                                  : std::wstring(L"not started"));
        holds = holds && seen.run.started && seen.run.exitCode == seen.step->engineExitCode;
    }
    findings->AddAssumption("cycle-exit-codes",
                            L"The exit codes of Install, Install, Uninstall, Uninstall, Install, "
                            L"Uninstall",
                            engine, observed, holds);
}

// Which runs' logs show the text, as "run 1 (Install), run 5 (Install)".
template <typename Shows>
std::wstring RunsThat(const std::vector<RunSeen>& runs, Shows shows) {
    std::wstring names;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        if (shows(runs[i])) {
            names += (names.empty() ? L"run " : L", run ") + std::to_wstring(i + 1) + L" (" +
                     runs[i].step->command + L")";
        }
    }
    return names;
}

void CheckReboot(const std::vector<RunSeen>& runs, Findings* findings) {
    const std::wstring rebooted =
        RunsThat(runs, [](const RunSeen& seen) { return seen.rebootAnswered; });
    findings->AddAssumption(
        "apply-reboot", L"Apply and DeInstall commit without a reboot",
        L"no NETCFG_S_REBOOT (the engine answers it only under a fault rule)",
        rebooted.empty() ? L"no NETCFG_S_REBOOT in the logs" : L"NETCFG_S_REBOOT in " + rebooted,
        rebooted.empty());
}

std::wstring ResultsText(const std::vector<HRESULT>& results) {
    std::wstring text;
    for (const HRESULT result : results) {
        text += (text.empty() ? L"" : L", ") + ResultText(result);
    }
    return text;
}

// Every result the logs show against the engine's, run by run: whatever Windows answered that
// the engine would not have is listed here.
void CheckLoggedResults(const std::vector<RunSeen>& runs, Findings* findings) {
    std::wstring engine;
    std::wstring observed;
    bool holds = true;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        const std::wstring run = L"run " + std::to_wstring(i + 1) + L": ";
        const std::vector<HRESULT>& expected = runs[i].step->engineResults;
        if (!expected.empty()) {
            engine += (engine.empty() ? L"" : L"; ") + run + ResultsText(expected);
        }
        if (!runs[i].results.empty()) {
            observed += (observed.empty() ? L"" : L"; ") + run + ResultsText(runs[i].results);
        }
        holds = holds && runs[i].results == expected;
    }
    findings->AddAssumption("logged-results", L"The results the six logs show",
                            engine.empty() ? L"none" : L"none but " + engine,
                            observed.empty() ? L"none" : observed, holds);
}

// The log reader's verdict of each run against the machine after it: 1 where the adapter or the
// switch is installed, 0 where neither is.
void CheckVerdicts(const std::vector<RunSeen>& runs, Findings* findings) {
    std::wstring observed;
    bool holds = true;
    for (const RunSeen& seen : runs) {
        const bool installed = seen.after.Has(components::kAdapterComponentId) ||
                               seen.after.Has(components::kSwitchEnumeratedId);
        const DWORD expected = installed ? 1 : 0;
        observed += std::wstring(observed.empty() ? L"" : L", ") +
                    (seen.verdict.started ? std::to_wstring(seen.verdict.exitCode)
                                          : std::wstring(L"not read"));
        if (seen.verdict.started && seen.verdict.exitCode != expected) {
            observed += installed ? L" (installed)" : L" (nothing installed)";
        }
        holds = holds && seen.verdict.started && seen.verdict.exitCode == expected;
    }
    findings->AddAssumption(
        "log-verdict", L"The log reader's verdict of what each run left installed",
        L"the machine's state after each run: 1, 1, 0, 0, 1, 0 (1 installed, 0 nothing)", observed,
        holds);
}

void CheckInfCopies(const std::vector<RunSeen>& runs, const std::wstring& folder,
                    Findings* findings) {
    const std::wstring failed =
        RunsThat(runs, [](const RunSeen& seen) { return seen.infCopyFailed; });
    std::wstring observed = L"every copy succeeded";
    if (!failed.empty()) {
        observed = L"the copy failed in " + failed + L"; repeated: " + components::kAdapterInfName +
                   L" " + InfCopyError(Join(folder, components::kAdapterInfName)) + L", " +
                   components::kSwitchInfName + L" " +
                   InfCopyError(Join(folder, components::kSwitchInfName));
    }
    findings->AddAssumption("inf-copy", L"SetupCopyOEMInfW publishes the vendor's INF files",
                            L"both copied into the INF store (the engine checks no signature)",
                            observed, failed.empty());
}

// After the first Install: the adapter's device reports no problem.
void CheckDeviceStatus(const NetworkView& view, Findings* findings) {
    std::wstring observed;
    bool holds = true;
    for (const ClassSeen& seen : view.classes) {
        for (const ComponentSeen& component : seen.components) {
            if (CompareStringOrdinal(component.id.c_str(), -1, components::kAdapterComponentId, -1,
                                     TRUE) != CSTR_EQUAL) {
                continue;
            }
            observed += (observed.empty() ? L"" : L"; ") + ResultText(component.statusResult);
            if (component.statusResult == S_OK) {
                observed += L", problem " + std::to_wstring(component.problem);
            }
            // The engine has no device behind a component: it does not model the status.
            holds = holds && (component.statusResult == E_NOTIMPL ||
                              (component.statusResult == S_OK && component.problem == 0));
        }
    }
    if (observed.empty()) {
        observed = L"the adapter is not installed";
        holds = false;
    }
    findings->AddAssumption(
        "device-status", L"The installed adapter's device works (GetDeviceStatus)",
        L"0x80004001 (E_NOTIMPL): the engine loads no driver, so no device reports a problem",
        observed, holds);
}

// After the second Install: a second instance of the adapter, named after the first.
void CheckSecondInstance(const NetworkView& view, Findings* findings) {
    std::vector<std::wstring> names;
    for (const ClassSeen& seen : view.classes) {
        for (const ComponentSeen& component : seen.components) {
            if (CompareStringOrdinal(component.id.c_str(), -1, components::kAdapterComponentId, -1,
                                     TRUE) == CSTR_EQUAL) {
                names.push_back(component.displayName);
            }
        }
    }
    std::wstring observed;
    for (const std::wstring& name : names) {
        observed += (observed.empty() ? L"'" : L", '") + name + L"'";
    }
    const std::wstring first = components::kAdapterDisplayNamePattern;
    findings->AddAssumption(
        "second-instance-name", L"The adapter's instances after a second Install",
        L"'" + first + L"', '" + first + L" #2'", observed.empty() ? L"none" : observed,
        names == std::vector<std::wstring>{first, first + L" #2"});
}

bool StartsWith(const std::wstring& text, const wchar_t* prefix) {
    return text.compare(0, std::wcslen(prefix), prefix) == 0;
}

// After the first Install: the switch bound to the virtual adapter alone, IPv6 not bound to it.
void CheckBindings(const NetworkView& view, Findings* findings) {
    std::wstring wrong;
    for (const PathSeen& path : view.switchPaths.paths) {
        const bool toAdapter =
            StartsWith(path.lowerDisplayName, components::kAdapterDisplayNamePattern);
        if (path.enabled != toAdapter) {
            wrong += std::wstring(wrong.empty() ? L"" : L", ") + L"switch " +
                     (path.enabled ? L"bound to " : L"not bound to ") + path.lowerId;
        }
    }
    for (const PathSeen& path : view.ipv6Paths.paths) {
        if (path.enabled &&
            StartsWith(path.lowerDisplayName, components::kAdapterDisplayNamePattern)) {
            wrong += std::wstring(wrong.empty() ? L"" : L", ") + L"IPv6 bound to " + path.lowerId;
        }
    }
    std::wstring observed = wrong.empty() ? L"as the engine" : wrong;
    bool holds = wrong.empty();
    if (view.switchPaths.result != S_OK || view.switchPaths.paths.empty()) {
        observed = L"no binding paths of the switch: " + ResultText(view.switchPaths.result);
        holds = false;
    }
    findings->AddAssumption(
        "bindings-after-install", L"The bindings after Install",
        L"the switch bound to the virtual adapter alone, IPv6 not bound to the virtual adapter",
        observed, holds);
}

void CheckBaseline(const NetworkView& baseline, const NetworkView& last, Findings* findings) {
    const std::vector<std::wstring> before = baseline.Lines();
    const std::vector<std::wstring> after = last.Lines();
    std::wstring observed = L"the components and binding paths as before the first run";
    if (before != after) {
        observed = L"the machine differs from its start: " + std::to_wstring(after.size()) +
                   L" lines after, " + std::to_wstring(before.size()) + L" before";
        for (const std::wstring& line : after) {
            if (std::find(before.begin(), before.end(), line) == before.end()) {
                observed += L"; new: " + line;
            }
        }
        for (const std::wstring& line : before) {
            if (std::find(after.begin(), after.end(), line) == after.end()) {
                observed += L"; gone: " + line;
            }
        }
    }
    findings->AddAssumption("cycle-baseline", L"The machine ends the cycle as it began",
                            L"the same components and binding paths (the INF copies stay)",
                            observed, before == after);
}

}  // namespace

std::wstring InstallCycleRefusal(const std::wstring& folder) {
    const std::wstring tail = L"; nothing was changed";
    if (folder.empty() || !IsFolder(folder)) {
        return L"no folder '" + folder +
               L"': --install-cycle needs the folder that holds DriverInstaller.exe and the two "
               L"INF files" +
               tail;
    }
    for (const wchar_t* name :
         {kInstallerName, components::kAdapterInfName, components::kSwitchInfName}) {
        if (!IsFile(Join(folder, name))) {
            return L"'" + folder + L"' holds no " + name + tail;
        }
    }
    if (!IsProcessElevated()) {
        return L"the process is not elevated: --install-cycle installs drivers; run it from an "
               L"elevated prompt" +
               tail;
    }
    const NetworkView view = ReadNetworkView();
    if (view.createResult != S_OK || view.initializeResult != S_OK) {
        return L"the network configuration cannot be read (CoCreateInstance " +
               ResultText(view.createResult) + L", Initialize " +
               ResultText(view.initializeResult) + L")" + tail;
    }
    if (view.Has(components::kAdapterComponentId) || view.Has(components::kSwitchEnumeratedId)) {
        return L"the virtual ethernet adapter or switch is installed already: run "
               L"DriverInstaller.exe Uninstall first, so that the cycle can end as it began" +
               tail;
    }
    return std::wstring();
}

void RunInstallCycle(const std::wstring& folder, const std::wstring& reportFolder,
                     const NetworkView& baseline, Findings* findings) {
    const std::wstring logsFolder = Join(reportFolder, L"logs");
    CreateDirectoryW(logsFolder.c_str(), nullptr);
    std::wstring logReader = Join(OwnFolder(), kLogReaderName);
    if (!IsFile(logReader)) {
        findings->AddFact(kSection, L"Log reader", L"not beside the self-test: logs kept unread");
        logReader.clear();
    }
    // AutInstLog is set for each run and given back afterwards.
    std::vector<wchar_t> autInstLog(32768, L'\0');
    const bool hadAutInstLog = GetEnvironmentVariableW(L"AutInstLog", autInstLog.data(),
                                                       static_cast<DWORD>(autInstLog.size())) != 0;
    std::vector<RunSeen> runs;
    for (const CycleStep& step : kSteps) {
        runs.push_back(RunStep(step, runs.size() + 1, folder, logsFolder, logReader, findings));
    }
    SetEnvironmentVariableW(L"AutInstLog", hadAutInstLog ? autInstLog.data() : nullptr);

    CheckExitCodes(runs, findings);
    CheckLoggedResults(runs, findings);
    CheckReboot(runs, findings);
    CheckVerdicts(runs, findings);
    CheckInfCopies(runs, folder, findings);
    CheckDeviceStatus(runs[0].after, findings);
    CheckBindings(runs[0].after, findings);
    CheckSecondInstance(runs[1].after, findings);
    CheckBaseline(baseline, runs.back().after, findings);
}

}  // namespace selftest
