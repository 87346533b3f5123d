// DriverInstaller.exe run under Wine, whose Windows API none of us wrote: the exit code and the
// whole log for the answers Wine gives. Wine's network configuration object takes the write lock
// and initialises but implements neither class queries, component lookups, enumeration nor
// Apply (E_NOTIMPL), so every configuration cycle here ends in that failure.
#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/log_file.h"
#include "support/process.h"
#include "support/temp_machine.h"
#include "wine/wine_session.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using winetest::CaseFolder;
using winetest::LogFile;
using winetest::ReadLog;
using winetest::RunInstaller;
using winetest::WindowsPath;
using Lines = expected_runs::Lines;

using testsupport::kLogFileName;
constexpr char kAdapterInf[] = "quorixvmini60.inf";
constexpr char kSwitchInf[] = "quorixlwf.inf";

using expected_runs::Banner;
using expected_runs::InstallStart;
using expected_runs::Join;
using namespace testsupport::exit_status;
using winetest::ExpectLog;

// Wine's class installer answers E_NOTIMPL.
Lines AdapterInstallRefused(const std::string& adapterInfWindowsPath) {
    const std::string notImplemented = "hr='-2147467263' / hr='0x80004001'";
    return Join({
        expected_runs::AdapterCycleStart(),
        {"DeviceManager::HrInstallNetComponent() | Enter...",
         "DeviceManager::HrInstallComponent() | Enter...", "<ERROR> |  " + notImplemented},
        expected_runs::ComponentInstallFailed(notImplemented),
        expected_runs::AdapterInstallFailed(notImplemented, adapterInfWindowsPath),
    });
}

class InstallerUnderWineTest : public winetest::PlainPrefixTest {
protected:
    void CopyInf(const std::string& name) const {
        fs::copy_file(fs::path(INF_FOLDER) / name, fs::path(setupFolder_) / name);
    }

    int Run(const std::vector<std::string>& arguments) const {
        const std::string logFolder = WindowsPath(logFolder_);
        return RunInstaller(arguments, setupFolder_, &logFolder);
    }

    LogFile Log() const { return ReadLog(logFolder_ + "/" + kLogFileName); }
};

struct CommandCase {
    const char* name;
    std::vector<std::string> arguments;
    int exitCode;
    Lines lines;
};

class CommandUnderWineTest : public testsupport::CaseTest<CommandCase, InstallerUnderWineTest> {};

TEST_P(CommandUnderWineTest, ExitsWithItsCodeAndLogsEveryLine) {
    const CommandCase& c = GetParam();
    EXPECT_EQ(Run(c.arguments), c.exitCode);
    ExpectLog(Log(), c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandUnderWineTest,
    ::testing::Values(
        CommandCase{
            "NoArgument",
            {},
            kExitNoArgument,
            Join({Banner(), {"Too less command arguments, [install] or [uninstall] expected"}})},
        CommandCase{"UnknownCommand",
                    {"Repair"},
                    kExitRefused,
                    Join({Banner(), {"Command found: invalid command"}})},
        // The command word is matched without regard to case; the removal of the switch failing
        // does not keep the adapter's own cycle from being tried.
        CommandCase{"Uninstall",
                    {"uNINSTALL", "ignored"},
                    kExitAdapterRemovalFailed,
                    // Wine's object answers E_NOTIMPL to FindComponent.
                    expected_runs::UninstallFindsNothing("hr='-2147467263' / hr='0x80004001'")}),
    testsupport::CaseName{});

// Install with both INF files: the adapter's INF really reaches Wine's INF folder (copied from
// the absolute path the program builds), then Wine refuses the class query, and the switch is
// never attempted.
TEST_F(InstallerUnderWineTest, InstallCopiesTheAdapterInfAndFailsWhereWineStops) {
    CopyInf(kAdapterInf);
    CopyInf(kSwitchInf);
    const fs::path infFolder = fs::path(winetest::DriveC()) / "windows" / "inf";
    for (const char* name : {kAdapterInf, kSwitchInf}) {
        fs::remove(infFolder / name);
    }

    EXPECT_EQ(Run({"Install"}), kExitAdapterInstallFailed);

    ExpectLog(Log(), AdapterInstallRefused(WindowsPath(setupFolder_) + "\\" + kAdapterInf));
    ASSERT_TRUE(fs::exists(infFolder / kAdapterInf));
    EXPECT_EQ(testsupport::ReadFile((infFolder / kAdapterInf).string()),
              testsupport::ReadFile(std::string(INF_FOLDER) + "/" + kAdapterInf));
    EXPECT_FALSE(fs::exists(infFolder / kSwitchInf));
}

struct MissingInfCase {
    const char* name;
    std::vector<std::string> present;
};

class MissingInfUnderWineTest
    : public testsupport::CaseTest<MissingInfCase, InstallerUnderWineTest> {};

TEST_P(MissingInfUnderWineTest, InstallStopsBeforeAnyConfiguration) {
    for (const std::string& name : GetParam().present) {
        CopyInf(name);
    }
    EXPECT_EQ(Run({"Install"}), kExitInfMissing);
    ExpectLog(Log(), Join({InstallStart(),
                           {"<ERROR> | DeviceManager::Installer() *.inf files for virtual ethernet "
                            "adapter or virtual switch not found",
                            "<ERROR> | DeviceManager::Installer() | Exit...",
                            "<ERROR> | Installation of virtual ethernet adapter failed. "
                            "'Installer()' returned result=908"}}));
}

INSTANTIATE_TEST_SUITE_P(Install, MissingInfUnderWineTest,
                         ::testing::Values(MissingInfCase{"SwitchInfMissing", {kAdapterInf}},
                                           MissingInfCase{"AdapterInfMissing", {kSwitchInf}},
                                           MissingInfCase{"BothMissing", {}}),
                         testsupport::CaseName{});

Lines NoArgumentRun() {
    return Join({Banner(), {"Too less command arguments, [install] or [uninstall] expected"}});
}

TEST_F(InstallerUnderWineTest, SecondRunAppendsToTheSameLog) {
    EXPECT_EQ(Run({}), kExitNoArgument);
    EXPECT_EQ(Run({}), kExitNoArgument);
    ExpectLog(Log(), Join({NoArgumentRun(), NoArgumentRun()}));
}

// The log's time is the local time that Windows keeps for the process: with TZ set, as Linux
// names time zones, Wine gives the process that zone, which the C runtime's own reading of TZ (in
// its "tzn+hh" form) would take for UTC. In December Berlin is an hour ahead of UTC.
TEST_F(InstallerUnderWineTest, LogTimeIsTheLocalTimeOfTheTimeZoneInTz) {
    const std::map<std::string, std::string> berlin = {{"TZ", "Europe/Berlin"}};
    const std::string dateOutput = folder_.path() + "/date.txt";
    const auto berlinMinute = [&] {
        testsupport::ProcessOptions options;
        options.environment = berlin;
        EXPECT_EQ(testsupport::RunProcess("date", {"+%Y-%m-%d___%H:%M"}, options, dateOutput), 0);
        const std::string minute = testsupport::ReadFile(dateOutput);
        return minute.substr(0, minute.find('\n'));
    };
    const std::string before = berlinMinute();
    std::map<std::string, std::string> environment = berlin;
    environment["AutInstLog"] = WindowsPath(logFolder_);
    ASSERT_EQ(winetest::PlainPrefix().Run({DRIVERINSTALLER_WINDOWS_EXE}, setupFolder_, environment,
                                          {}, folder_.path() + "/wine-output.txt"),
              kExitNoArgument);
    const std::string after = berlinMinute();

    const std::string log = testsupport::ReadFile(logFolder_ + "/" + kLogFileName);
    const std::string minute = log.substr(0, before.size());
    EXPECT_TRUE(minute == before || minute == after)
        << "the log's time " << minute << " is not Berlin's " << before << " or " << after;
}

// Where the log goes when AutInstLog does not name a usable folder. Wine gives every process TMP
// as the user's temporary folder, so an unset or empty AutInstLog leads there.
class LogPlacementUnderWineTest : public InstallerUnderWineTest {
protected:
    // The logs in the temporary folders of the prefix's users.
    static std::vector<fs::path> TempLogs() {
        std::vector<fs::path> logs;
        for (const auto& user : fs::directory_iterator(fs::path(winetest::DriveC()) / "users")) {
            const fs::path log = user.path() / "Temp" / kLogFileName;
            if (fs::exists(log)) {
                logs.push_back(log);
            }
        }
        return logs;
    }
    static void RemoveTempLogs() {
        for (const fs::path& log : TempLogs()) {
            fs::remove(log);
        }
    }
};

TEST_F(LogPlacementUnderWineTest, UnsetOrEmptyVariableLogsToTheTemporaryFolder) {
    const std::string empty;
    for (const std::string* value : {static_cast<const std::string*>(nullptr), &empty}) {
        SCOPED_TRACE(value == nullptr ? "AutInstLog unset" : "AutInstLog empty");
        RemoveTempLogs();
        EXPECT_EQ(RunInstaller({}, setupFolder_, value), kExitNoArgument);
        const std::vector<fs::path> logs = TempLogs();
        ASSERT_EQ(logs.size(), 1u);
        ExpectLog(ReadLog(logs.front().string()), NoArgumentRun());
    }
    RemoveTempLogs();
}

// The log's folder swapped for a link to another folder while Install waits before installing:
// the lines written before the swap went with the folder, and the file that the run's next open
// created behind the link is taken back (Wine deletes it at the handle's close, as Windows does),
// so the other folder stays empty. The exit code is the one Install has here without the swap.
TEST_F(LogPlacementUnderWineTest, AFolderSwappedForALinkDuringTheRunGetsNoFileBehindTheLink) {
    CopyInf(kAdapterInf);
    CopyInf(kSwitchInf);
    testsupport::ProcessOptions options =
        winetest::PlainPrefix().Options(setupFolder_, {{"AutInstLog", WindowsPath(logFolder_)}});
    options.outputPath = folder_.path() + "/wine-output.txt";
    const pid_t run =
        testsupport::Spawn(WINE_PROGRAM, {DRIVERINSTALLER_WINDOWS_EXE, "Install"}, options);
    ASSERT_GT(run, 0);
    // The last line before the wait; the next one comes 2000 ms later.
    const std::string log = logFolder_ + "/" + kLogFileName;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (testsupport::ReadFile(log).find(" | DeviceManager::Installer() | Enter...\r\n") ==
               std::string::npos &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::string moved = logFolder_ + "-moved";
    const std::string target = folder_.Make("link-target");
    fs::rename(logFolder_, moved);
    fs::create_directory_symlink(target, logFolder_);

    const testsupport::Ending ending = testsupport::WaitFor(run);

    EXPECT_TRUE(ending.exited);
    EXPECT_EQ(ending.exitStatus, kExitAdapterInstallFailed);
    ExpectLog(ReadLog(moved + "/" + kLogFileName), InstallStart());
    EXPECT_TRUE(fs::is_empty(target)) << "a file was left behind the link";
}

TEST_F(LogPlacementUnderWineTest, MissingFolderWritesNothingAndKeepsTheExitCode) {
    RemoveTempLogs();
    const std::string missing = WindowsPath(folder_.path() + "/no-such-folder");
    EXPECT_EQ(RunInstaller({"Repair"}, setupFolder_, &missing), kExitRefused);
    EXPECT_FALSE(fs::exists(folder_.path() + "/no-such-folder"));
    EXPECT_TRUE(TempLogs().empty());
}

}  // namespace
