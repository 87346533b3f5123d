// A run's command and exit code as its lines imply them, its error lines and the lock holder,
// on runs made of crafted lines.
#include "run_summary.h"

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using logreader::RunLines;
using logreader::RunSummary;

const std::string kRule(68, '=');

// "E:" starts an error line, "?" stands for a line that is not a log line.
RunLines CraftRun(const std::vector<std::string>& messages, bool startMissing = false) {
    RunLines run;
    run.startMissing = startMissing;
    std::vector<std::string> all;
    if (!startMissing) {
        all = {"", "", "", kRule, "< START >", kRule};
    }
    all.insert(all.end(), messages.begin(), messages.end());
    for (const std::string& message : all) {
        std::string line;
        if (message == "?") {
            line = "not a log line";
        } else if (message.compare(0, 2, "E:") == 0) {
            line = "2026-12-07___21:40:12 | <ERROR> | " + message.substr(2);
        } else {
            line = "2026-12-07___21:40:12 | " + message;
        }
        run.lines.push_back(logreader::ParseLogLine(line));
    }
    return run;
}

struct SummaryCase {
    const char* name;
    std::vector<std::string> messages;
    std::string command;
    int exitCode;  // -1: the outcome is unknown
    std::vector<std::string> lockHolders;
    std::vector<std::string> shownLines;  // the error lines' messages; unparsed lines as they are
    const char* outcome = nullptr;        // the outcome of an incomplete run, when not the usual
};

class RunSummaryTest : public testsupport::CaseTest<SummaryCase> {};

TEST_P(RunSummaryTest, ReadsCommandOutcomeAndErrors) {
    const SummaryCase& c = GetParam();
    const RunSummary summary = logreader::SummarizeRun(CraftRun(c.messages), 7);
    EXPECT_EQ(summary.number, 7);
    EXPECT_EQ(summary.started, "2026-12-07 21:40:12");
    EXPECT_EQ(summary.command, c.command);
    EXPECT_EQ(summary.complete, c.exitCode >= 0);
    if (c.exitCode >= 0) {
        EXPECT_EQ(summary.exitCode, c.exitCode);
    } else {
        EXPECT_EQ(summary.outcome,
                  c.outcome != nullptr ? c.outcome : "unknown: the run's last lines are missing");
    }
    EXPECT_EQ(summary.lockHolders, c.lockHolders);
    std::vector<std::string> shown;
    for (const logreader::NotableLine& line : summary.lines) {
        shown.push_back(line.text);
    }
    EXPECT_EQ(shown, c.shownLines);
}

const char kInstall[] = "Command found: install ethernet adapter and switch";
const char kUninstall[] = "Command found: uninstall ethernet adapter and switch";
const char kUninstallerExit[] = "DeviceManager::Uninstaller() | Exit...";
const char kSwitchFailed[] = "E:DeviceManager::Uninstaller() Virtual Switch uninstall failed.";
const char kAdapterFailed[] =
    "E:DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed.";

const char kRemovalEnter[] = "DeviceManager::UninstallDriver() | Enter...";
const char kRemovalOk[] = "DeviceManager::UninstallDriver() Uninstall OK...";
const char kRemovalExit[] = "DeviceManager::UninstallDriver() | Exit...";

INSTANTIATE_TEST_SUITE_P(
    Runs, RunSummaryTest,
    ::testing::Values(
        SummaryCase{"InstallSwitchFailed",
                    {kInstall, "DeviceManager::Installer() | Exit...",
                     "E:Installation of virtual ethernet adapter failed. 'Installer()' returned "
                     "result=902"},
                    "Install",
                    902,
                    {},
                    {"Installation of virtual ethernet adapter failed. 'Installer()' returned "
                     "result=902"}},
        // A failed binding configuration is logged and leaves the code at 0.
        SummaryCase{"InstallBindingsFailed",
                    {kInstall, "Configuration of IPv6 and Virtual Switch begins.",
                     "E:Configuration of IPv6 and Virtual Switch failed. "
                     "'ConfigureIPv6AndVirtualSwitch()' returned ret=0"},
                    "Install",
                    0,
                    {},
                    {"Configuration of IPv6 and Virtual Switch failed. "
                     "'ConfigureIPv6AndVirtualSwitch()' returned ret=0"}},
        // Installed, but the lines stop before the bindings' outcome.
        SummaryCase{"InstallCutShort",
                    {kInstall,
                     "Installation of Virtual Ethernet Adapter and Virtual Switch is "
                     "finished.",
                     "Configuration of IPv6 and Virtual Switch begins."},
                    "Install",
                    -1,
                    {},
                    {}},
        SummaryCase{"UninstallSwitchOnlyFailed",
                    {kUninstall, kSwitchFailed, kUninstallerExit},
                    "Uninstall",
                    904,
                    {},
                    {"DeviceManager::Uninstaller() Virtual Switch uninstall failed."}},
        SummaryCase{"UninstallBothFailed",
                    {kUninstall, kSwitchFailed, kAdapterFailed, kUninstallerExit},
                    "Uninstall",
                    903,
                    {},
                    {"DeviceManager::Uninstaller() Virtual Switch uninstall failed.",
                     "DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed."}},
        // The adapter removed in a cycle for each instance: the second cycle fails, and the
        // Uninstaller's lines after the cycles settle the code.
        SummaryCase{"UninstallSecondAdapterCycleFailed",
                    {kUninstall, "DeviceManager::Uninstaller() Virtual Switch uninstall succeeded.",
                     kRemovalEnter, kRemovalOk, kRemovalExit, kRemovalEnter,
                     "E:DeviceManager::UninstallDriver() Failed to uninstall "
                     "root\\quorixvmini60_a.",
                     "E: hr='-2147467259' / hr='0x80004005'", kRemovalExit, kAdapterFailed,
                     kUninstallerExit},
                    "Uninstall",
                    903,
                    {},
                    {"DeviceManager::UninstallDriver() Failed to uninstall root\\quorixvmini60_a.",
                     " hr='-2147467259' / hr='0x80004005'",
                     "DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed."}},
        // A later adapter cycle that finds no instance left ends the removal without failing it.
        SummaryCase{"UninstallLaterAdapterCycleFoundNothing",
                    {kUninstall, "DeviceManager::Uninstaller() Virtual Switch uninstall succeeded.",
                     kRemovalEnter, kRemovalOk, kRemovalExit, kRemovalEnter,
                     "E:DeviceManager::UninstallDriver() FindComponent returned hr='1' / "
                     "hr='0x00000001'",
                     kRemovalExit,
                     "DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall succeeded.",
                     kUninstallerExit},
                    "Uninstall",
                    0,
                    {},
                    {"DeviceManager::UninstallDriver() FindComponent returned hr='1' / "
                     "hr='0x00000001'"}},
        SummaryCase{"UninstallCutShort",
                    {kUninstall, kSwitchFailed},
                    "Uninstall",
                    -1,
                    {},
                    {"DeviceManager::Uninstaller() Virtual Switch uninstall failed."}},
        // Each removal cycle names the holder; the summary names it once. An unparsed line
        // stays in its place among the errors.
        SummaryCase{"UninstallLockHeld",
                    {kUninstall,
                     "E:DeviceManager::UninstallDriver() Other Setup currently holds the lock, "
                     "try later.",
                     "?",
                     "E:DeviceManager::UninstallDriver() Other Setup currently holds the lock, "
                     "try later.",
                     kAdapterFailed, kUninstallerExit},
                    "Uninstall",
                    903,
                    {"Other Setup"},
                    {"DeviceManager::UninstallDriver() Other Setup currently holds the lock, try "
                     "later.",
                     "not a log line",
                     "DeviceManager::UninstallDriver() Other Setup currently holds the lock, try "
                     "later.",
                     "DeviceManager::Uninstaller() Virtual Ethernet Adapter uninstall failed."}},
        SummaryCase{"InstallLockHeld",
                    {kInstall,
                     "E:DeviceManager::InstallSpecifiedComponent() A B C currently holds the "
                     "lock, try later."},
                    "Install",
                    -1,
                    {"A B C"},
                    {"DeviceManager::InstallSpecifiedComponent() A B C currently holds the lock, "
                     "try later."}},
        // A holder's description may be a single character.
        SummaryCase{"OneCharacterHolder",
                    {kInstall,
                     "E:DeviceManager::InstallSpecifiedComponent() X currently holds the lock, "
                     "try later."},
                    "Install",
                    -1,
                    {"X"},
                    {"DeviceManager::InstallSpecifiedComponent() X currently holds the lock, "
                     "try later."}},
        // A holder line with nothing between its two parts names no one.
        SummaryCase{
            "HolderLineWithoutAName",
            {kUninstall, "E:DeviceManager::UninstallDriver() currently holds the lock, try later."},
            "Uninstall",
            -1,
            {},
            {"DeviceManager::UninstallDriver() currently holds the lock, try later."}},
        // An exit code too large for the installer's int is no exit code of it.
        SummaryCase{"ExitCodeOutOfRange",
                    {kInstall,
                     "E:Installation of virtual ethernet adapter failed. 'Installer()' returned "
                     "result=4294968197"},
                    "Install",
                    -1,
                    {},
                    {"Installation of virtual ethernet adapter failed. 'Installer()' returned "
                     "result=4294968197"},
                    "unknown: the exit code is written as 4294968197, which is none of "
                    "DriverInstaller's"},
        // The holder line is an error line; as an ordinary line it is someone else's text.
        SummaryCase{"HolderLineNotAnError",
                    {kInstall,
                     "DeviceManager::InstallSpecifiedComponent() X currently holds the lock, try "
                     "later."},
                    "Install",
                    -1,
                    {},
                    {}},
        SummaryCase{"NotElevated",
                    {"E:Admin rights are required to install the driver!"},
                    "not looked at: the process is not elevated",
                    906,
                    {},
                    {"Admin rights are required to install the driver!"}},
        SummaryCase{"NoArgument",
                    {"Too less command arguments, [install] or [uninstall] expected"},
                    "none: no command argument",
                    905,
                    {},
                    {}},
        SummaryCase{
            "InvalidCommand", {"Command found: invalid command"}, "not recognised", 906, {}, {}},
        SummaryCase{"BannerOnly", {}, "unknown: no line of the run names it", -1, {}, {}}),
    testsupport::CaseName{});

TEST(RunSummaryHeadlessTest, ARunWithoutItsStartIsReadFromWhatIsLeft) {
    const RunSummary summary =
        logreader::SummarizeRun(CraftRun({"?", kAdapterFailed, kUninstallerExit}, true), 1);
    EXPECT_TRUE(summary.startMissing);
    // No line names the command, yet the Uninstaller's lines settle the outcome only for a run
    // known to be an Uninstall.
    EXPECT_EQ(summary.command, "unknown: no line of the run names it");
    EXPECT_FALSE(summary.complete);
    EXPECT_EQ(summary.started, "2026-12-07 21:40:12");
}

// A run's report keeps 2 MiB of its notable lines, each counted with 128 bytes beside its text,
// and counts the lines after them.
TEST(RunSummaryCapTest, KeepsTwoMebibytesOfLinesAndCountsTheRest) {
    const std::size_t lineBytes = 2048;
    const std::size_t kept = 2 * 1024 * 1024 / lineBytes;
    const std::vector<std::string> messages(kept + 2, "E:" + std::string(lineBytes - 128, 'x'));
    const RunSummary summary = logreader::SummarizeRun(CraftRun(messages), 1);
    EXPECT_EQ(summary.lines.size(), kept);
    EXPECT_EQ(summary.linesNotKept, 2u);
}

// A refused write lock is blamed on another program only when the run's lines name one;
// otherwise all the log shows is that DriverInstaller's wait for the lock ran out.
TEST(RunSummaryLockTest, ARefusedLockNamesAnotherProgramOnlyWhenTheRunNamesTheHolder) {
    const std::string refused =
        "E:DeviceManager::UninstallDriver() HrGetINetCfg returned hr='-2147180508' / "
        "hr='0x8004a024'";
    const std::string holder =
        "E:DeviceManager::UninstallDriver() Other Setup currently holds the lock, try later.";
    const struct {
        const char* name;
        std::vector<std::string> messages;
        const char* meaning;
    } cases[] = {
        {"NoHolder", {kUninstall, refused}, "the write lock was not granted within 5000 ms"},
        {"Holder",
         {kUninstall, holder, refused},
         "another program holds the write lock of the network configuration"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const RunSummary summary = logreader::SummarizeRun(CraftRun(c.messages), 1);
        ASSERT_FALSE(summary.lines.empty());
        ASSERT_EQ(summary.lines.back().results.size(), 1u);
        EXPECT_EQ(summary.lines.back().results[0].name, "NETCFG_E_NO_WRITE_LOCK");
        EXPECT_EQ(summary.lines.back().results[0].meaning, c.meaning);
    }
}

}  // namespace
