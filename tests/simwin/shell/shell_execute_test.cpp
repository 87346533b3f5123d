#include "simwin/kernel/scratch_folder.h"
#include "support/fault_rules.h"

#include <shellapi.h>
#include <simwin/testing.h>

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using runtimetests::ReadText;
using runtimetests::ScopedEnv;
using runtimetests::ScratchFolder;
using runtimetests::WriteText;

// A machine of our own, with only the folders ShellExecuteW looks at: the drive and its system
// folder. The launched scripts report through files in the scratch folder.
class ShellExecuteTest : public ::testing::Test {
protected:
    ShellExecuteTest()
        : machine_(scratch_.path() + "/machine"),
          drive_(machine_ + "/drive_c"),
          system_(drive_ + "/Windows/System32"),
          root_("SIMWIN_ROOT", machine_.c_str()) {
        std::filesystem::create_directories(system_);
        simwin::ClearFaultRules();
        simwin::ClearJournal();
    }
    ~ShellExecuteTest() override { simwin::ClearFaultRules(); }

    void AddScript(const std::string& path, const std::string& body, mode_t mode = 0755) {
        WriteText(path, "#!/bin/sh\n" + body);
        ::chmod(path.c_str(), mode);
    }

    // The report a launched script writes (it writes to a side file and renames it, so a
    // report is whole once it is there); "" when none came within five seconds.
    std::string AwaitReport(const std::string& name) const {
        const std::string path = scratch_.path() + "/" + name;
        for (int i = 0; i < 500; ++i) {
            if (std::filesystem::exists(path)) {
                return ReadText(path);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return std::string();
    }

    // A script body that writes its report to NAME atomically.
    std::string Report(const std::string& name, const std::string& commands) const {
        const std::string path = scratch_.path() + "/" + name;
        return "{\n" + commands + "\n} > " + path + ".part\nmv " + path + ".part " + path + "\n";
    }

    ScratchFolder scratch_;
    std::string machine_;
    std::string drive_;
    std::string system_;
    ScopedEnv root_;
};

std::intptr_t Code(HINSTANCE instance) {
    return reinterpret_cast<std::intptr_t>(instance);
}

TEST_F(ShellExecuteTest, StartsFromTheSystemFolderInTheDriveWithSplitArguments) {
    AddScript(system_ + "/report.exe",
              Report("report", "pwd\nfor a in \"$@\"; do echo \"[$a]\"; done"));
    SetLastError(1234);
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", L"report.exe", L"start \"two words\"", L"C:\\", SW_HIDE);
    EXPECT_EQ(Code(result), 42);
    EXPECT_EQ(GetLastError(), 1234u) << "a successful start leaves the last error alone";
    EXPECT_EQ(AwaitReport("report"), drive_ + "\n[start]\n[two words]\n");
    EXPECT_EQ(simwin::JournalEntries().front(),
              "ShellExecuteW open report.exe \"start \"two words\"\" C:\\ 0 -> 42");
}

TEST_F(ShellExecuteTest, DoesNotWaitLeavesNoChildAndPassesNoDescriptor) {
    const std::string marker = scratch_.path() + "/inherited-marker";
    const int inheritable = ::open(marker.c_str(), O_WRONLY | O_CREAT, 0644);  // no O_CLOEXEC
    ASSERT_GE(inheritable, 3);
    // ls lists its own descriptors: 0, 1 and 2 and the one it reads the folder through (3).
    // An inherited descriptor would add a number. The program waits until the test lets it go
    // (at most 20 s), then says whether it was let go.
    const std::string go = scratch_.path() + "/go";
    AddScript(system_ + "/slow.exe",
              "streams=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
              "i=0\nwhile [ ! -e '" +
                  go + "' ] && [ $i -lt 2000 ]; do sleep 0.01; i=$((i + 1)); done\n" +
                  Report("released", "if [ -e '" + go + "' ]; then echo yes; else echo no; fi") +
                  Report("descriptors", "ls /proc/self/fd") +
                  Report("streams", "echo \"$streams\""));

    EXPECT_EQ(Code(ShellExecuteW(nullptr, L"open", L"slow.exe", nullptr, L"C:\\", SW_HIDE)), 42);
    // Back while the program still waits to be let go: a call that waited for it would come back
    // only once it had given up, and it would say so.
    runtimetests::WriteText(go, "");
    EXPECT_EQ(AwaitReport("released"), "yes\n") << "the call waited for the program";

    // The intermediate child is reaped and the program belongs to init: nothing to wait for.
    int status = 0;
    errno = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);

    const std::string descriptors = AwaitReport("descriptors");
    ::close(inheritable);
    EXPECT_EQ(descriptors, "0\n1\n2\n3\n");
    // A hidden program writes to no one's console, so its starter's output stays its own.
    EXPECT_EQ(AwaitReport("streams"), "/dev/null\n/dev/null\n/dev/null\n");
}

// A bare name is searched in the calling program's folder, the current folder, the system folder
// and PATH, in that order; a path on the drive names one file.
TEST_F(ShellExecuteTest, BareNamesAreSearchedInWindowsOrderAndDrivePathsAreNotSearched) {
    const std::string current = scratch_.path() + "/current";
    const std::string onPath = scratch_.path() + "/bin";
    std::filesystem::create_directory(current);
    std::filesystem::create_directory(onPath);
    // The test program's own folder gets one script for the test's life.
    const std::string programFolder =
        std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
    const std::string ownName = "search-order-" + std::to_string(::getpid()) + ".exe";
    AddScript(programFolder + "/" + ownName, Report("own", "echo program"));
    AddScript(current + "/" + ownName, Report("own", "echo current"));
    for (const std::string& folder : {current, system_, onPath}) {
        const std::string where = std::filesystem::path(folder).filename().string();
        AddScript(folder + "/all.exe", Report("all", "echo " + where));
    }
    for (const std::string& folder : {system_, onPath}) {
        const std::string where = std::filesystem::path(folder).filename().string();
        AddScript(folder + "/late.exe", Report("late-" + where, "echo " + where));
    }
    AddScript(onPath + "/pathonly.exe", Report("pathonly", "echo path"));
    const std::string path = onPath + ":" + (std::getenv("PATH") ? std::getenv("PATH") : "");
    ScopedEnv searchPath("PATH", path.c_str());
    const std::filesystem::path previousFolder = std::filesystem::current_path();
    std::filesystem::current_path(current);

    const auto launch = [](const wchar_t* file) {
        return Code(ShellExecuteW(nullptr, L"open", file, nullptr, L"C:\\", SW_HIDE));
    };
    const std::wstring wideOwnName(ownName.begin(), ownName.end());
    EXPECT_EQ(launch(wideOwnName.c_str()), 42);
    EXPECT_EQ(launch(L"all.exe"), 42);
    EXPECT_EQ(launch(L"pathonly.exe"), 42);
    EXPECT_EQ(launch(L"C:\\Windows\\System32\\late.exe"), 42);
    std::filesystem::current_path(previousFolder);

    EXPECT_EQ(AwaitReport("own"), "program\n");
    std::filesystem::remove(programFolder + "/" + ownName);
    EXPECT_EQ(AwaitReport("all"), "current\n");
    EXPECT_EQ(AwaitReport("pathonly"), "path\n");
    EXPECT_EQ(AwaitReport("late-System32"), "System32\n");
    EXPECT_FALSE(std::filesystem::exists(scratch_.path() + "/late-bin"));
}

struct FailureCase {
    const char* name;
    const wchar_t* operation;
    const wchar_t* file;
    const wchar_t* directory;
    std::intptr_t code;
    DWORD error;
};

class ShellExecuteFailureTest : public testsupport::CaseTest<FailureCase, ShellExecuteTest> {};

TEST_P(ShellExecuteFailureTest, ReturnsASmallCodeAndSetsTheLastError) {
    const FailureCase& c = GetParam();
    AddScript(system_ + "/plain.txt", "exit 0\n", 0644);
    // Executable, but neither a script nor a program: exec itself refuses it.
    WriteText(system_ + "/garbage.exe", std::string("\x01\x02\x03garbage", 10));
    ::chmod((system_ + "/garbage.exe").c_str(), 0755);
    SetLastError(0);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, c.operation, c.file, L"start npf", c.directory, SW_HIDE)),
              c.code);
    EXPECT_EQ(GetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ShellExecuteFailureTest,
    ::testing::Values(FailureCase{"FileNowhere", L"open", L"nowhere.exe", L"C:\\", SE_ERR_FNF,
                                  ERROR_FILE_NOT_FOUND},
                      FailureCase{"NoFile", L"open", L"", L"C:\\", SE_ERR_FNF,
                                  ERROR_FILE_NOT_FOUND},
                      FailureCase{"MissingDirectory", L"open", L"plain.txt", L"/no/such/folder",
                                  SE_ERR_PNF, ERROR_PATH_NOT_FOUND},
                      FailureCase{"NotExecutable", L"open", L"plain.txt", L"C:\\",
                                  SE_ERR_ACCESSDENIED, ERROR_ACCESS_DENIED},
                      FailureCase{"ExecRefuses", L"open", L"garbage.exe", L"C:\\", ERROR_BAD_FORMAT,
                                  ERROR_BAD_FORMAT},
                      FailureCase{"UnknownVerb", L"runas", L"plain.txt", L"C:\\", SE_ERR_NOASSOC,
                                  ERROR_NO_ASSOCIATION}),
    testsupport::CaseName{});

TEST_F(ShellExecuteTest, MissingDriveFolderIsAMissingPath) {
    std::filesystem::remove_all(drive_);
    SetLastError(0);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, L"open", L"net.exe", L"start npf", L"C:\\", SW_HIDE)),
              SE_ERR_PNF);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(simwin::JournalEntries(),
              (std::vector<std::string>{"ShellExecuteW open net.exe \"start npf\" C:\\ 0 -> 3",
                                        "GetLastError -> 3"}));
}

TEST_F(ShellExecuteTest, RuleResultIsReturnedWithoutStartingAnything) {
    const std::string starts = scratch_.path() + "/starts";
    AddScript(system_ + "/net.exe",
              "echo started >> " + starts + "\n" + Report("started", "echo started"));
    testsupport::AddFault("ShellExecuteW 5 error 1223");  // ERROR_CANCELLED
    EXPECT_EQ(Code(ShellExecuteW(nullptr, L"open", L"net.exe", L"start npf", L"C:\\", SW_HIDE)), 5);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CANCELLED));
    simwin::ClearFaultRules();
    // A real start of the same script does report, so its silence above means something.
    EXPECT_EQ(Code(ShellExecuteW(nullptr, L"open", L"net.exe", L"start npf", L"C:\\", SW_HIDE)),
              42);
    EXPECT_EQ(AwaitReport("started"), "started\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_EQ(ReadText(starts), "started\n") << "the script ran more than once";
}

}  // namespace
