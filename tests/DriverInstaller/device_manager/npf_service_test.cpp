// Starting the packet-capture service: the launch, how its outcome is judged, and the order of
// the platform calls.
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using installer_test::AddFault;
using installer_test::E;
using installer_test::ExpectLines;
using installer_test::InstallerTest;
using installer_test::JournalCalls;

using LineList = std::vector<std::string>;

const std::string kEnter = "DeviceManager::StartNPFService() | Enter...";
const std::string kExit = "DeviceManager::StartNPFService() | Exit...";
const std::string kOk = "DeviceManager::StartNPFService() was successful.";
std::string Failed(const std::string& id) {
    return E("DeviceManager::StartNPFService() failed. ShellExecute() returned errorMessageID=" +
             id);
}

struct LaunchCase {
    const char* name;
    std::int64_t launch;  // what ShellExecuteW returns
    std::optional<DWORD> lastError;
    BOOL expected;
    LineList lines;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LaunchCase& c, std::ostream* os) {
    *os << c.name;
}

class StartNpfTest : public InstallerTest, public ::testing::WithParamInterface<LaunchCase> {};

TEST_P(StartNpfTest, JudgesTheLaunch) {
    const LaunchCase& c = GetParam();
    AddFault("ShellExecuteW", c.launch, 0, false, c.lastError);
    EXPECT_EQ(manager_->StartNPFService(), c.expected);
    ExpectLines(Lines(), c.lines);
    EXPECT_EQ(JournalCalls({"CoInitializeEx", "ShellExecuteW", "GetLastError", "CoUninitialize"}),
              (LineList{"CoInitializeEx", "ShellExecuteW", "GetLastError", "CoUninitialize"}));
}

INSTANTIATE_TEST_SUITE_P(
    Launches, StartNpfTest,
    ::testing::Values(
        LaunchCase{"Accepted", 42, std::nullopt, TRUE, {kEnter, kOk, kExit}},
        LaunchCase{"AcceptedDespiteStaleError", 42, 5, TRUE, {kEnter, kOk, kExit}},
        LaunchCase{"ShellErrorCodeWithError",
                   2,
                   ERROR_FILE_NOT_FOUND,
                   FALSE,
                   {kEnter, Failed("2"), kExit}},
        LaunchCase{
            "ShellErrorCodeWithoutError", 31, std::nullopt, FALSE, {kEnter, Failed("31"), kExit}},
        // 32 is the last of the shell's error codes; 33 the first value that means a launch.
        LaunchCase{
            "ShellErrorCodeAtBoundary", 32, std::nullopt, FALSE, {kEnter, Failed("32"), kExit}},
        LaunchCase{"AcceptedJustAboveBoundary", 33, std::nullopt, TRUE, {kEnter, kOk, kExit}},
        LaunchCase{"RefusedWithoutError", 0, std::nullopt, FALSE, {kEnter, Failed("0"), kExit}},
        LaunchCase{"RefusedWithError", 0, 1155, FALSE, {kEnter, Failed("1155"), kExit}}),
    installer_test::CaseName());

TEST_F(InstallerTest, StartNpfJudgesComInitialisationApart) {
    const struct {
        std::int64_t coInit;
        LineList lines;
    } cases[] = {
        {S_FALSE, {kEnter, kOk, kExit}},
        {static_cast<std::int32_t>(0x80010106),
         {kEnter, E(" hr='-2147417850' / hr='0x80010106'"), kOk, kExit}},
    };
    for (const auto& c : cases) {
        ClearLog();
        simwin::ClearFaultRules();
        AddFault("CoInitializeEx", c.coInit, 1);
        AddFault("ShellExecuteW", 42);
        EXPECT_EQ(manager_->StartNPFService(), TRUE);
        ExpectLines(Lines(), c.lines);
        // Called once at the end, whatever the initialisation gave.
        EXPECT_EQ(simwin::CurrentLedger().comDepth, 0);
    }
}

// Once the log file exists, opening it for the next line leaves ERROR_ALREADY_EXISTS behind. A
// launch that fails without setting an error must still report the shell's own code.
TEST_F(InstallerTest, StartNpfReportsTheShellsCodeNotAnEarlierError) {
    logger_->Log(L"an earlier line");
    logger_->Log(L"a second earlier line");
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS))
        << "appending to the existing log is expected to leave this error behind";
    AddFault("ShellExecuteW", 31);
    EXPECT_EQ(manager_->StartNPFService(), FALSE);
    ExpectLines(Lines(), {"an earlier line", "a second earlier line", kEnter, Failed("31"), kExit});
}

TEST_F(InstallerTest, StartNpfLaunchesNetExeHiddenInDriveRoot) {
    EXPECT_EQ(manager_->StartNPFService(), TRUE);
    LineList launches;
    for (const std::string& entry : simwin::JournalEntries()) {
        if (entry.rfind("ShellExecuteW ", 0) == 0) {
            launches.push_back(entry.substr(0, entry.find(" -> ")));
        }
    }
    EXPECT_EQ(launches, LineList{"ShellExecuteW open net.exe \"start npf\" C:\\ 0"});
    // Not waited for: the service is seen running a little later.
    bool running = false;
    for (int i = 0; i < 200 && !running; ++i) {
        for (const auto& service : machine_.State().services) {
            running = running || (service.name == "npf" && service.running);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(running);
}

}  // namespace
