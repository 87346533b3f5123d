// Starting the packet-capture service: the launch, how its outcome is judged, and the order of
// the platform calls.
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using namespace installer_test;  // the fixtures, the expected pieces and the helpers

const std::string kEnter = "DeviceManager::StartNPFService() | Enter...";
const std::string kExit = "DeviceManager::StartNPFService() | Exit...";
const std::string kOk = "DeviceManager::StartNPFService() was successful.";
std::string Failed(const std::string& id) {
    return E("DeviceManager::StartNPFService() failed. ShellExecute() returned errorMessageID=" +
             id);
}

struct LaunchCase {
    const char* name;
    const char* launch;  // a fault rule for ShellExecuteW: what it returns, the error it leaves
    BOOL expected;
    LineList lines;
};

class StartNpfTest : public testsupport::CaseTest<LaunchCase, InstallerTest> {};

TEST_P(StartNpfTest, JudgesTheLaunch) {
    const LaunchCase& c = GetParam();
    AddFault(c.launch);
    EXPECT_EQ(manager_->StartNPFService(), c.expected);
    ExpectLines(Lines(), c.lines);
    EXPECT_EQ(JournalCalls({"CoInitializeEx", "GetSystemDirectoryW", "ShellExecuteW",
                            "GetLastError", "CoUninitialize"}),
              (LineList{"CoInitializeEx", "GetSystemDirectoryW", "ShellExecuteW", "GetLastError",
                        "CoUninitialize"}));
}

// Without the system folder there is nothing to launch: the failure names the folder's error.
TEST_F(InstallerTest, StartNpfWithoutTheSystemFolderLaunchesNothing) {
    AddFault("GetSystemDirectoryW 0 error 5");  // ERROR_ACCESS_DENIED
    EXPECT_EQ(manager_->StartNPFService(), FALSE);
    ExpectLines(Lines(), {kEnter, Failed("5"), kExit});
    EXPECT_EQ(JournalCalls({"GetSystemDirectoryW", "ShellExecuteW", "GetLastError"}),
              (LineList{"GetSystemDirectoryW", "GetLastError"}));
}

INSTANTIATE_TEST_SUITE_P(
    Launches, StartNpfTest,
    ::testing::Values(
        LaunchCase{"Accepted", "ShellExecuteW 42", TRUE, {kEnter, kOk, kExit}},
        LaunchCase{
            "AcceptedDespiteStaleError", "ShellExecuteW 42 error 5", TRUE, {kEnter, kOk, kExit}},
        LaunchCase{"ShellErrorCodeWithError",
                   "ShellExecuteW 2 error 2",  // ERROR_FILE_NOT_FOUND
                   FALSE,
                   {kEnter, Failed("2"), kExit}},
        LaunchCase{
            "ShellErrorCodeWithoutError", "ShellExecuteW 31", FALSE, {kEnter, Failed("31"), kExit}},
        // 32 is the last of the shell's error codes; 33 the first value that means a launch.
        LaunchCase{
            "ShellErrorCodeAtBoundary", "ShellExecuteW 32", FALSE, {kEnter, Failed("32"), kExit}},
        LaunchCase{"AcceptedJustAboveBoundary", "ShellExecuteW 33", TRUE, {kEnter, kOk, kExit}},
        LaunchCase{"RefusedWithoutError", "ShellExecuteW 0", FALSE, {kEnter, Failed("0"), kExit}},
        LaunchCase{"RefusedWithError",
                   "ShellExecuteW 0 error 1155",
                   FALSE,
                   {kEnter, Failed("1155"), kExit}}),
    CaseName());

// The service start judges its COM initialisation apart from the launch, and takes back only an
// initialisation that counted (S_OK or S_FALSE, each of which adds a level). Its caller has COM
// initialised here, so that a CoUninitialize after a refused initialisation (RPC_E_CHANGED_MODE:
// the thread's apartment is of another kind) would take away the caller's own level.
TEST_F(InstallerTest, StartNpfTakesBackOnlyAnInitialisationThatCounted) {
    const struct {
        const char* coInit;  // a fault rule for StartNPFService's CoInitializeEx, the second
        LineList lines;
        LineList comCalls;
    } cases[] = {
        {"CoInitializeEx S_FALSE nth 2",
         {kEnter, kOk, kExit},
         {"CoInitializeEx", "CoInitializeEx", "CoUninitialize"}},
        {"CoInitializeEx 0x80010106 nth 2",
         {kEnter, E(" hr='-2147417850' / hr='0x80010106'"), kOk, kExit},
         {"CoInitializeEx", "CoInitializeEx"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.coInit);
        ClearLog();
        simwin::ClearFaultRules();
        simwin::ClearJournal();
        AddFault(c.coInit);
        AddFault("ShellExecuteW 42");
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);  // the caller's level
        EXPECT_EQ(manager_->StartNPFService(), TRUE);
        ExpectLines(Lines(), c.lines);
        EXPECT_EQ(JournalCalls({"CoInitializeEx", "CoUninitialize"}), c.comCalls);
        EXPECT_EQ(simwin::CurrentLedger().comDepth, 1) << "the caller's level must be left alone";
        CoUninitialize();
    }
}

// Once the log file exists, opening it for the next line leaves ERROR_ALREADY_EXISTS behind. A
// launch that fails without setting an error must still report the shell's own code.
TEST_F(InstallerTest, StartNpfReportsTheShellsCodeNotAnEarlierError) {
    logger_->Log(L"an earlier line");
    logger_->Log(L"a second earlier line");
    ASSERT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND))
        << "the log's first open, of a file not there yet, is expected to leave this error behind";
    AddFault("ShellExecuteW 31");
    EXPECT_EQ(manager_->StartNPFService(), FALSE);
    ExpectLines(Lines(), {"an earlier line", "a second earlier line", kEnter, Failed("31"), kExit});
}

TEST_F(InstallerTest, StartNpfLaunchesTheSystemsNetExeHiddenInDriveRoot) {
    EXPECT_EQ(manager_->StartNPFService(), TRUE);
    LineList launches;
    for (const std::string& entry : simwin::JournalEntries()) {
        if (entry.rfind("ShellExecuteW ", 0) == 0) {
            launches.push_back(entry.substr(0, entry.find(" -> ")));
        }
    }
    EXPECT_EQ(launches, LineList{"ShellExecuteW open C:\\Windows\\System32\\net.exe \"start npf\" "
                                 "C:\\ 0"});
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
