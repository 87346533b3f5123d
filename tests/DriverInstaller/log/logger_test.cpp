// The log file: where it goes, the line format, the encoding and the failure rules.
#include "log/Logger.h"
#include "main/command_dispatch.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using installer_test::AddFault;
using installer_test::E;
using installer_test::ExpectLines;
using installer_test::InstallerTest;
using installer_test::JournalCalls;
using installer_test::ReadLogLines;

constexpr char kLogName[] = "Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log";

using LoggerTest = InstallerTest;

TEST_F(LoggerTest, WritesPrefixMarkerAndMessageOneWritePerLine) {
    logger_->Log(L"plain");
    logger_->Log(L"");
    logger_->LogError(L"broken");
    ExpectLines(Lines(), (std::vector<std::string>{"plain", "", E("broken")}));
    EXPECT_EQ(JournalCalls({"CreateFileW", "WriteFile", "CloseHandle"}),
              (std::vector<std::string>{"CreateFileW", "WriteFile", "CloseHandle", "CreateFileW",
                                        "WriteFile", "CloseHandle", "CreateFileW", "WriteFile",
                                        "CloseHandle"}));
    // A bare LF ends each line here: no CR reaches the file.
    EXPECT_EQ(testsupport::ReadFile(logFile_).find('\r'), std::string::npos);
}

TEST_F(LoggerTest, TwoLoggersAppendToTheSameFile) {
    logger_->Log(L"first run");
    Logger second;
    second.LogError(L"second run");
    ExpectLines(Lines(), (std::vector<std::string>{"first run", E("second run")}));
}

TEST_F(LoggerTest, SubstitutesWhatTheCodePageCannotHold) {
    // A lone surrogate is no character at all; é is written in the code page's own bytes.
    logger_->Log(std::wstring(L"caf\u00e9 ") + static_cast<wchar_t>(0xD800) + L" end");
    ExpectLines(Lines(), (std::vector<std::string>{"caf\xc3\xa9 ? end"}));
}

TEST_F(LoggerTest, ConversionFailureWritesQuestionMarksAndGoesOn) {
    AddFault("WideCharToMultiByte", 0, 0, false, ERROR_INVALID_PARAMETER);
    logger_->Log(L"abc");
    logger_->LogError(L"de");
    ExpectLines(Lines(), (std::vector<std::string>{"???", E("??")}));
}

TEST_F(LoggerTest, LongMessageIsConvertedWhole) {
    const std::wstring message = std::wstring(300, L'\u00e9') + L"!";
    logger_->Log(message);
    std::string expected;
    for (int i = 0; i < 300; ++i) {
        expected += "\xc3\xa9";
    }
    ExpectLines(Lines(), (std::vector<std::string>{expected + "!"}));
    // One conversion, into a buffer large enough from the start.
    EXPECT_EQ(JournalCalls({"WideCharToMultiByte"}).size(), 1u);
}

TEST_F(LoggerTest, ShortMessageIsConvertedInOneCall) {
    logger_->Log(L"short");
    ExpectLines(Lines(), (std::vector<std::string>{"short"}));
    EXPECT_EQ(JournalCalls({"WideCharToMultiByte"}).size(), 1u);
}

// When the whole message cannot be converted, each character is converted alone, and a UTF-16
// surrogate pair (the first and last units of each range) is one character.
TEST_F(LoggerTest, CharacterByCharacterKeepsSurrogatePairsTogether) {
    AddFault("WideCharToMultiByte", 0, 1, false, ERROR_NO_UNICODE_TRANSLATION);
    const std::wstring message = {
        static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0xDC00), L'x',
        static_cast<wchar_t>(0xDBFF), static_cast<wchar_t>(0xDFFF), static_cast<wchar_t>(0xDC00),
        static_cast<wchar_t>(0xD800)};
    logger_->Log(message);
    ExpectLines(Lines(), (std::vector<std::string>{"??x????"}));
    std::vector<std::string> lengths;
    for (const std::string& entry : installer_test::JournalEntriesOf({"WideCharToMultiByte"})) {
        // "WideCharToMultiByte CODEPAGE LENGTH SIZE -> RESULT"
        std::istringstream fields(entry);
        std::string name, codePage, length;
        fields >> name >> codePage >> length;
        lengths.push_back(length);
    }
    // The whole message (refused), then: pair, x, pair, a lone low and a lone high surrogate.
    EXPECT_EQ(lengths, (std::vector<std::string>{"-1", "2", "1", "2", "1", "1"}));
}

TEST_F(LoggerTest, MissingFolderWritesNothingAndChangesNoExitCode) {
    const std::string missing = logFolder_ + "/not-there";
    ::setenv("AutInstLog", missing.c_str(), 1);
    wchar_t program[] = L"DriverInstaller";
    wchar_t* argv[] = {program, nullptr};
    EXPECT_EQ(RunDriverInstaller(1, argv), 905);
    EXPECT_FALSE(fs::exists(missing));
    EXPECT_FALSE(fs::exists(logFile_));
}

struct FolderCase {
    const char* name;
    const char* autInstLog;      // nullptr: not set
    const char* tmp;             // nullptr: not set
    const char* expectedFolder;  // "" when the log is skipped
};

// Folders are given relative to the test's own base folder; "@" stands for it.
TEST_F(LoggerTest, ChoosesTheFolderFromTheEnvironment) {
    const std::string base = machine_.MakeFolder("folders");
    const std::string a = machine_.MakeFolder("folders/a");
    const std::string t = machine_.MakeFolder("folders/t");
    const FolderCase cases[] = {
        {"AutInstLog wins", "a", "t", "a"},
        {"empty AutInstLog counts as unset", "", "t", "t"},
        {"tmp when AutInstLog is unset", nullptr, "t", "t"},
    };
    for (const FolderCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto set = [&](const char* variable, const char* value) {
            if (value == nullptr) {
                ::unsetenv(variable);
            } else {
                ::setenv(variable, (*value == '\0' ? std::string() : base + "/" + value).c_str(),
                         1);
            }
        };
        set("AutInstLog", c.autInstLog);
        set("tmp", c.tmp);
        Logger logger;
        logger.Log(L"here");
        const std::string file = base + "/" + c.expectedFolder + "/" + kLogName;
        EXPECT_EQ(fs::path(logger.Path()).string(), file);
        ExpectLines(ReadLogLines(file), std::vector<std::string>{"here"});
        fs::remove(file);
    }
    ::unsetenv("tmp");
}

TEST_F(LoggerTest, SkipsTheLogWhenThePathCannotBeFormed) {
    const std::string elsewhere = machine_.MakeFolder("elsewhere");
    ::setenv("tmp", elsewhere.c_str(), 1);
    // A folder that fits with the file name is used, the longest ones are not.
    std::string fitting = machine_.MakeFolder("f");
    // The file name and its separator take 52 characters of the 259.
    fitting += "/" + std::string(259 - 52 - fitting.size() - 1, 'x');
    fs::create_directories(fitting);
    for (const std::size_t length :
         {fitting.size(), std::size_t{259}, std::size_t{260}, std::size_t{261}}) {
        SCOPED_TRACE(length);
        std::string folder = fitting;
        folder.resize(length, 'y');
        ::setenv("AutInstLog", folder.c_str(), 1);
        Logger logger;
        logger.Log(L"line");
        if (length == fitting.size()) {
            ExpectLines(ReadLogLines(folder + "/" + kLogName), std::vector<std::string>{"line"});
        } else {
            EXPECT_EQ(logger.Path(), L"");
        }
        EXPECT_FALSE(fs::exists(elsewhere + "/" + kLogName));
    }
    ::unsetenv("tmp");
}

}  // namespace
