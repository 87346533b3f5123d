// The log file: where it goes, the line format, the encoding and the failure rules, against the
// platform's own environment, path, file and code page functions.
#include "log/Logger.h"
#include "main/command_dispatch.h"
#include "support/program_fixture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>

namespace {

namespace fs = std::filesystem;
using namespace installer_test;  // the fixtures, the expected pieces and the helpers

constexpr unsigned kUtf8 = 65001;
constexpr unsigned kWindows1252 = 1252;

using LoggerTest = installer_test::ProgramTest;

TEST_F(LoggerTest, WritesPrefixMarkerAndMessage) {
    logger_->Log(L"plain");
    logger_->Log(L"");
    logger_->LogError(L"broken");
    // Each line also ends with the platform's line end, CR LF on Windows and LF on Linux.
    ExpectLines(Lines(), (std::vector<std::string>{"plain", "", E("broken")}));
}

// A moment as the time prefix writes it. The fields have fixed widths from the year down, so the
// texts of two moments order as the moments do.
std::string PrefixOf(const SYSTEMTIME& moment) {
    char prefix[64] = {};
    std::snprintf(prefix, sizeof prefix, "%04u-%02u-%02u___%02u:%02u:%02u | ",
                  unsigned{moment.wYear}, unsigned{moment.wMonth}, unsigned{moment.wDay},
                  unsigned{moment.wHour}, unsigned{moment.wMinute}, unsigned{moment.wSecond});
    return prefix;
}

// The time prefix is the local time with a 24-hour clock, whatever the runtime's %X. The bounds
// come from the clock the log reads, GetLocalTime: another clock can lag it by a tick (glibc's
// time() reads the kernel's coarse clock), and a bound read from it can be a second short.
TEST_F(LoggerTest, TimePrefixIsTheLocalTime) {
    SYSTEMTIME before{};
    GetLocalTime(&before);
    logger_->Log(L"now");
    SYSTEMTIME after{};
    GetLocalTime(&after);
    std::ifstream file(logFile_, std::ios::binary);
    std::string line;
    ASSERT_TRUE(std::getline(file, line));
    const std::string prefix = line.substr(0, PrefixOf(before).size());
    const std::string first = PrefixOf(before);
    const std::string last = PrefixOf(after);
    // A local clock that went back in between (the end of summer time) leaves two stretches.
    const bool inTime =
        first <= last ? first <= prefix && prefix <= last : first <= prefix || prefix <= last;
    EXPECT_TRUE(inTime) << "prefix of " << line << " is not from " << first << "to " << last;
}

TEST_F(LoggerTest, TwoLoggersAppendToTheSameFile) {
    logger_->Log(L"first run");
    Logger second;
    second.LogError(L"second run");
    ExpectLines(Lines(), (std::vector<std::string>{"first run", E("second run")}));
}

// The bytes a message is written as, in the two ANSI code pages the tests run with: UTF-8 on
// the simulated platform, Windows-1252 on a Western European Windows.
struct CodePageCase {
    const char* name;
    std::wstring message;
    std::map<unsigned, std::string> written;
};

TEST_F(LoggerTest, SubstitutesWhatTheCodePageCannotHold) {
    const CodePageCase cases[] = {
        {"a character of the code page in its own bytes",
         L"caf\u00e9 \u20ac",
         {{kUtf8, "caf\xc3\xa9 \xe2\x82\xac"}, {kWindows1252, "caf\xe9 \x80"}}},
        // Windows converts without flags to the best-fit character where the code page has one.
        {"best fit",
         L"\u0100dam \u0141\u00f3d\u017a",
         {{kUtf8,
           "\xc4\x80"
           "dam \xc5\x81\xc3\xb3"
           "d"
           "\xc5\xba"},
          {kWindows1252,
           "Adam L\xf3"
           "dz"}}},
        {"no best fit: the default character",
         L"\u4e2d|\u0416",
         {{kUtf8, "\xe4\xb8\xad|\xd0\x96"}, {kWindows1252, "?|?"}}},
        // A lone surrogate is no character at all.
        {"lone surrogate",
         std::wstring(L"x ") + static_cast<wchar_t>(0xD800) + L" end",
         {{kUtf8, "x ? end"}, {kWindows1252, "x ? end"}}},
    };
    const unsigned codePage = AnsiCodePage();
    for (const CodePageCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(c.written.count(codePage), 1u) << "no expectation for code page " << codePage;
        ClearLog();
        logger_->Log(c.message);
        logger_->LogError(c.message);
        // The line is written whatever the conversion substituted.
        ExpectLines(Lines(), {c.written.at(codePage), E(c.written.at(codePage))});
    }
}

TEST_F(LoggerTest, LongMessageIsConvertedWhole) {
    const std::map<unsigned, std::string> eAcute = {{kUtf8, "\xc3\xa9"}, {kWindows1252, "\xe9"}};
    ASSERT_EQ(eAcute.count(AnsiCodePage()), 1u);
    const std::wstring message = std::wstring(300, L'\u00e9') + L"!";
    logger_->Log(message);
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        expected += eAcute.at(AnsiCodePage());
    }
    ExpectLines(Lines(), (std::vector<std::string>{expected + "!"}));
}

TEST_F(LoggerTest, MissingFolderWritesNothingAndChangesNoExitCode) {
    const std::string missing = (fs::path(logFolder_) / "not-there").string();
    autInstLog_.Set(missing);
    wchar_t program[] = L"DriverInstaller";
    wchar_t* argv[] = {program, nullptr};
    EXPECT_EQ(RunDriverInstaller(1, argv), 905);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists(logFile_));
}

struct FolderCase {
    const char* name;
    const char* autInstLogName;  // AutInstLog, in the letter case given
    const char* autInstLog;      // nullptr: not set
    const char* tmp;             // nullptr: not set
    const char* temporary;       // the system's temporary folder
    const char* expectedFolder;
};

// Folders are given relative to the test's own base folder.
TEST_F(LoggerTest, ChoosesTheFolderFromTheEnvironment) {
    const std::string base = MakeFolder("folders");
    for (const char* folder : {"a", "t", "s"}) {
        MakeFolder("folders/" + std::string(folder));
    }
    const FolderCase cases[] = {
        {"AutInstLog wins", "AutInstLog", "a", "t", "s", "a"},
        {"AutInstLog whatever its letter case", "AUTINSTLOG", "a", "t", "s", "a"},
        {"empty AutInstLog counts as unset", "AutInstLog", "", "t", "s", "t"},
        {"tmp when AutInstLog is unset", "AutInstLog", nullptr, "t", "s", "t"},
        {"the temporary folder when neither is set", "AutInstLog", nullptr, nullptr, "s", "s"},
        {"the temporary folder when both are empty", "AutInstLog", "", "", "s", "s"},
    };
    const ScopedVariable autInstLogInCapitals("AUTINSTLOG");
    const ScopedVariable tmp("tmp");
    const ScopedVariable temporary(kTemporaryFolderVariable);
    const auto value = [&](const char* folder) -> std::optional<std::string> {
        if (folder == nullptr) {
            return std::nullopt;
        }
        return *folder == '\0' ? std::string() : (fs::path(base) / folder).string();
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        // On Windows both spellings name one variable: clear both, then set the one given.
        autInstLog_.Set(std::nullopt);
        autInstLogInCapitals.Set(std::nullopt);
        if (c.autInstLog != nullptr) {
            installer_test::SetVariable(c.autInstLogName, value(c.autInstLog));
        }
        tmp.Set(value(c.tmp));
        temporary.Set(value(c.temporary));
        Logger logger;
        logger.Log(L"here");
        const fs::path file = fs::path(base) / c.expectedFolder / kLogFileName;
        EXPECT_EQ(fs::path(logger.Path()), file);
        ExpectLines(ReadLogLines(file.string()), std::vector<std::string>{"here"});
        fs::remove(file);
    }
}

TEST_F(LoggerTest, SkipsTheLogWhenThePathCannotBeFormed) {
    const std::string elsewhere = MakeFolder("elsewhere");
    const ScopedVariable tmp("tmp");
    tmp.Set(elsewhere);
    // A folder that fits with the file name is used, the longest ones are not.
    std::string fitting = MakeFolder("f");
    // The file name and its separator take 52 characters of the 259.
    fitting = (fs::path(fitting) / std::string(259 - 52 - fitting.size() - 1, 'x')).string();
    fs::create_directories(fitting);
    for (const std::size_t length :
         {fitting.size(), std::size_t{259}, std::size_t{260}, std::size_t{261}}) {
        SCOPED_TRACE(length);
        std::string folder = fitting;
        folder.resize(length, 'y');
        autInstLog_.Set(folder);
        Logger logger;
        logger.Log(L"line");
        if (length == fitting.size()) {
            ExpectLines(ReadLogLines((fs::path(folder) / kLogFileName).string()),
                        std::vector<std::string>{"line"});
        } else {
            EXPECT_EQ(logger.Path(), L"");
        }
        EXPECT_FALSE(fs::exists(fs::path(elsewhere) / kLogFileName));
    }
}

}  // namespace
