// The log's platform calls, seen in the simulated platform's journal and failed by its fault
// rules: what cannot be arranged on Windows itself.
#include "log/Logger.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace {

using namespace installer_test;  // the fixtures, the expected pieces and the helpers

using LoggerPlatformTest = InstallerTest;

// The folder's final path is read once; then every line is one open, the checks that the file is
// the log itself, one write and one close. The first line finds no file and creates it in a
// second open.
TEST_F(LoggerPlatformTest, FolderOnceThenOneOpenCheckWriteAndCloseForEveryLine) {
    logger_->Log(L"plain");
    logger_->Log(L"");
    logger_->LogError(L"broken");
    ExpectLines(Lines(), (std::vector<std::string>{"plain", "", E("broken")}));
    const std::vector<std::string> line = {
        "CreateFileW", "GetFileType", "GetFileInformationByHandle", "GetFinalPathNameByHandleW",
        "WriteFile",   "CloseHandle"};
    std::vector<std::string> expected = {"CreateFileW", "GetFinalPathNameByHandleW", "CloseHandle",
                                         "CreateFileW"};
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), line.begin(), line.end());
    }
    EXPECT_EQ(JournalCalls({"CreateFileW", "GetFileType", "GetFileInformationByHandle",
                            "GetFinalPathNameByHandleW", "WriteFile", "CloseHandle"}),
              expected);
    // The folder is opened for its final path alone: with no access asked for (0), as a folder
    // the user may enter but not list still holds the log.
    const std::vector<std::string> opens = JournalEntriesOf({"CreateFileW"});
    ASSERT_FALSE(opens.empty());
    EXPECT_NE(opens[0].find(" 0x0 3 0x2000000 "), std::string::npos) << opens[0];
}

// The folder is resolved at the first line: a link that names the folder and is pointed
// elsewhere during the run leads to a file whose final path is no longer the log's, and the
// lines stop rather than go there.
TEST_F(LoggerPlatformTest, AFolderLinkPointedElsewhereDuringTheRunGetsNoMoreLines) {
    namespace fs = std::filesystem;
    const std::string first = MakeFolder("first");
    const std::string second = MakeFolder("second");
    const std::string link = MakeFolder("links") + "/log-folder";
    fs::create_directory_symlink(first, link);
    autInstLog_.Set(link);
    Logger logger;

    logger.Log(L"into the first folder");
    fs::remove(link);
    fs::create_directory_symlink(second, link);
    logger.Log(L"not into the second");

    EXPECT_EQ(ReadLogLines(first + "/" + kLogFileName),
              (std::vector<std::string>{"into the first folder"}));
    // The open creates the missing file there, as for any first line, and takes it back.
    EXPECT_TRUE(fs::is_empty(second));
}

TEST_F(LoggerPlatformTest, ConversionFailureWritesQuestionMarksAndGoesOn) {
    AddFault("WideCharToMultiByte 0 error 87");  // ERROR_INVALID_PARAMETER
    logger_->Log(L"abc");
    logger_->LogError(L"de");
    ExpectLines(Lines(), (std::vector<std::string>{"???", E("??")}));
}

// A message is converted in one call, into a buffer large enough from the start.
TEST_F(LoggerPlatformTest, EveryMessageIsConvertedInOneCall) {
    std::string longText;
    for (int i = 0; i < 300; ++i) {
        longText += "\xc3\xa9";
    }
    const struct {
        std::wstring message;
        std::string written;
    } cases[] = {{L"short", "short"}, {std::wstring(300, L'\u00e9') + L"!", longText + "!"}};
    for (const auto& c : cases) {
        ClearLog();
        simwin::ClearJournal();
        logger_->Log(c.message);
        ExpectLines(Lines(), {c.written});
        EXPECT_EQ(JournalCalls({"WideCharToMultiByte"}).size(), 1u) << c.written;
    }
}

// The length and buffer size of each conversion the log asked for, from the journal's
// "WideCharToMultiByte CODEPAGE LENGTH SIZE -> RESULT".
std::vector<std::string> ConversionLengthsAndSizes() {
    std::vector<std::string> calls;
    for (const std::string& entry : installer_test::JournalEntriesOf({"WideCharToMultiByte"})) {
        std::istringstream fields(entry);
        std::string name, codePage, length, size;
        fields >> name >> codePage >> length >> size;
        calls.push_back(length + " " + size);
    }
    return calls;
}

// A buffer the platform finds too small is not a refusal of the text: the log asks for the size
// and converts the whole message again.
TEST_F(LoggerPlatformTest, TooSmallABufferIsRetriedAtTheSizeAsked) {
    AddFault("WideCharToMultiByte 0 nth 1 error 122");  // ERROR_INSUFFICIENT_BUFFER
    logger_->Log(L"abc");
    ExpectLines(Lines(), (std::vector<std::string>{"abc"}));
    EXPECT_EQ(ConversionLengthsAndSizes(), (std::vector<std::string>{"-1 128", "-1 0", "-1 4"}));
}

// When the whole message cannot be converted, each character is converted alone, and a UTF-16
// surrogate pair (the first and last units of each range) is one character, at the message's
// end as well; two low surrogates in a row are two.
TEST_F(LoggerPlatformTest, CharacterByCharacterKeepsSurrogatePairsTogether) {
    AddFault("WideCharToMultiByte 0 nth 1 error 1113");  // ERROR_NO_UNICODE_TRANSLATION
    const std::wstring message = {
        static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0xDC00), L'x',
        static_cast<wchar_t>(0xDBFF), static_cast<wchar_t>(0xDFFF), static_cast<wchar_t>(0xDC00),
        static_cast<wchar_t>(0xDC01), static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0xD83D),
        static_cast<wchar_t>(0xDE00)};
    logger_->Log(message);
    ExpectLines(Lines(), (std::vector<std::string>{"??x???????"}));
    // The whole message (refused), then: pair, x, pair, two lone low surrogates, a lone high
    // one and the pair that ends the message.
    EXPECT_EQ(ConversionLengthsAndSizes(),
              (std::vector<std::string>{"-1 128", "2 16", "1 16", "2 16", "1 16", "1 16", "1 16",
                                        "2 16"}));
}

}  // namespace
