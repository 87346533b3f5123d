// What a run left installed, read from whole runs' logs as DriverInstaller writes them (the
// tables the installer's process tests hold its logs to).
#include "left_installed.h"
#include "log_line.h"

#include "support/case_name.h"
#include "support/expected_runs.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using expected_runs::Lines;
using logreader::Verdict;

struct VerdictCase {
    const char* name;
    Lines run;  // the run's messages; "<ERROR> | " starts an error line's
    std::string text;
    Verdict verdict;
};

class LeftInstalledTest : public testsupport::CaseTest<VerdictCase> {};

TEST_P(LeftInstalledTest, FollowsEachComponentToWhatTheRunLeft) {
    logreader::LeftInstalledTracker tracker;
    for (const std::string& message : GetParam().run) {
        tracker.See(logreader::ParseLogLine("2026-12-07___21:40:12 | " + message));
    }
    const logreader::LeftInstalled left = tracker.Finish();
    EXPECT_EQ(logreader::LeftInstalledText(left), GetParam().text);
    EXPECT_EQ(left.verdict, GetParam().verdict);
}

// The run's lines up to, not including, the first that equals line: the run killed there.
Lines KilledAt(const Lines& run, const std::string& line, int occurrence) {
    Lines cut;
    for (const std::string& message : run) {
        if (message == line && --occurrence == 0) {
            break;
        }
        cut.push_back(message);
    }
    return cut;
}

const char kInf[] = "/setup/quorixvmini60.inf";
const char kBothInstalled[] =
    "the virtual ethernet adapter (installed by this run), the virtual switch (installed by this "
    "run)";

INSTANTIATE_TEST_SUITE_P(
    Runs, LeftInstalledTest,
    ::testing::Values(
        VerdictCase{"Install", expected_runs::InstallSucceeds(), kBothInstalled,
                    Verdict::Something},
        VerdictCase{"InstallSwitchRefused",
                    expected_runs::InstallSwitchRefused("hr='-2147467259' / hr='0x80004005'", kInf),
                    "the virtual ethernet adapter (installed by this run), the virtual switch "
                    "(unknown: its installation failed)",
                    Verdict::Something},
        // The second Apply's NETCFG_S_REBOOT: the adapter is committed, active after a restart;
        // the switch is never tried.
        VerdictCase{"InstallAdapterApplyAnswersReboot",
                    expected_runs::InstallAdapterApplyAnswersReboot(kInf),
                    "the virtual ethernet adapter (waiting for a reboot)", Verdict::Something},
        // Refused the lock, the adapter's cycle never reached its Install, and the sequence
        // ended without trying the switch: this run installed nothing.
        VerdictCase{"InstallWhileLockHeld", expected_runs::InstallWhileLockHeld("Other", kInf),
                    "nothing", Verdict::Nothing},
        // The class's Install was called and failed: what it left is not said.
        VerdictCase{"InstallAdapterInfNotCopied", expected_runs::InstallAdapterInfNotCopied(kInf),
                    "the virtual ethernet adapter (unknown: its installation failed)",
                    Verdict::Unknown},
        VerdictCase{"UninstallWithBoth", expected_runs::UninstallSucceeds(), "nothing",
                    Verdict::Nothing},
        // FindComponent's S_FALSE: neither is installed, although the exit code is 903.
        VerdictCase{"UninstallWithNone",
                    expected_runs::UninstallFindsNothing("hr='1' / hr='0x00000001'"), "nothing",
                    Verdict::Nothing},
        VerdictCase{"UninstallWithTwoAdapterInstances", expected_runs::UninstallSucceeds(2),
                    "nothing", Verdict::Nothing},
        VerdictCase{"UninstallAdapterAlone", expected_runs::UninstallAdapterAlone(), "nothing",
                    Verdict::Nothing},
        VerdictCase{"UninstallSecondAdapterDeInstallFails",
                    expected_runs::UninstallSecondAdapterCycleFails(),
                    "the virtual ethernet adapter, removal cycle 2 (its removal failed)",
                    Verdict::Something},
        VerdictCase{"UninstallSwitchDeInstallFails",
                    expected_runs::UninstallSwitchStillReferenced(),
                    "the virtual switch (its removal failed)", Verdict::Something},
        // Apply's NETCFG_S_REBOOT writes no line of its own: the cycle removed the switch without
        // a failure, yet the Uninstaller counts it failed.
        VerdictCase{"UninstallSwitchApplyAnswersReboot",
                    expected_runs::UninstallSwitchApplyAnswersReboot(),
                    "the virtual switch (waiting for a reboot)", Verdict::Something},
        // Refused the lock, neither cycle looked: the lines cannot say what is installed.
        VerdictCase{"UninstallWhileLockHeld", expected_runs::UninstallWhileLockHeld("Other"),
                    "the virtual switch (unknown: the lines do not say), the virtual ethernet "
                    "adapter (unknown: the lines do not say)",
                    Verdict::Unknown},
        VerdictCase{"UninstallKilledInTheAdapterCycle",
                    KilledAt(expected_runs::UninstallSucceeds(),
                             "DeviceManager::UninstallDriver() Uninstall OK...", 2),
                    "the virtual ethernet adapter (unknown: the run ended before its step)",
                    Verdict::Something},
        // Killed between two adapter cycles: another instance may be left.
        VerdictCase{"UninstallKilledAfterAnAdapterCycle",
                    KilledAt(expected_runs::UninstallSucceeds(2),
                             "DeviceManager::UninstallDriver() | Enter...", 3),
                    "the virtual ethernet adapter, removal cycle 2 (unknown: the run ended before "
                    "its step)",
                    Verdict::Something},
        VerdictCase{"InstallKilledBeforeTheAdapter",
                    KilledAt(expected_runs::InstallSucceeds(),
                             "DeviceManager::InstallDriver() | Enter...", 1),
                    "the virtual ethernet adapter (unknown: the run ended before its step), the "
                    "virtual switch (unknown: the run ended before its step)",
                    Verdict::Unknown},
        VerdictCase{"NoCommand",
                    expected_runs::Join(
                        {expected_runs::Banner(),
                         {"Too less command arguments, [install] or [uninstall] expected"}}),
                    "unknown: no line of the run reaches a component", Verdict::Unknown}),
    testsupport::CaseName{});

// A report's readers tell the states apart by their names in the JSON report, which they match
// word for word: every state that leaves the component unknown has the one name "unknown", and
// each other state a name of its own.
TEST(LeftInstalledNameTest, EveryUnknownStateIsNamedUnknown) {
    using logreader::ComponentState;
    const std::pair<ComponentState, const char*> names[] = {
        {ComponentState::Installed, "installed"},
        {ComponentState::Removed, "removed"},
        {ComponentState::NotInstalled, "notInstalled"},
        {ComponentState::StillInstalled, "stillInstalled"},
        {ComponentState::RebootPending, "rebootPending"},
        {ComponentState::NotChanged, "notChanged"},
        {ComponentState::Unfinished, "unknown"},
        {ComponentState::InstallFailed, "unknown"},
        {ComponentState::Undetermined, "unknown"},
    };
    for (const auto& [state, name] : names) {
        EXPECT_EQ(logreader::StateName(state), name);
    }
}

}  // namespace
