// Reading the log file: its lines at LF or CR LF, cut at 64 KiB, its text from the code page to
// UTF-8.
#include "code_page.h"
#include "log_file.h"

#include "support/case_name.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

struct SplitCase {
    const char* name;
    std::string text;
    Lines lines;
};

class SplitLinesTest : public testsupport::CaseTest<SplitCase> {};

// Each line as its text, followed by " [cut N]" when N bytes of it were left unread.
TEST_P(SplitLinesTest, CutsAtLineEnds) {
    Lines lines;
    for (const logreader::FileLine& line : logreader::SplitLines(GetParam().text)) {
        lines.push_back(line.text +
                        (line.cutBytes > 0 ? " [cut " + std::to_string(line.cutBytes) + "]" : ""));
    }
    EXPECT_EQ(lines, GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SplitLinesTest,
    ::testing::Values(
        SplitCase{"Lf", "a\nb\n", {"a", "b"}}, SplitCase{"CrLf", "a\r\nb\r\n", {"a", "b"}},
        SplitCase{"Mixed", "a\r\nb\nc\r\n", {"a", "b", "c"}},
        SplitCase{"LastLineWithoutEnd", "a\nb", {"a", "b"}},
        SplitCase{"EmptyLines", "\n\r\n", {"", ""}},
        // Only the CR just before the LF belongs to the line end.
        SplitCase{"CrInsideALine", "a\rb\r\r\n", {"a\rb\r"}}, SplitCase{"Nothing", "", {}},
        // A line is read up to 64 KiB; its line end is no part of the cut.
        SplitCase{"LineOfOneMebibyte",
                  std::string(1 << 20, 'x') + "\r\nnext\n",
                  {std::string(65536, 'x') + " [cut 983040]", "next"}},
        SplitCase{
            "LineOfExactly64KiB", std::string(65536, 'x') + "\r\n", {std::string(65536, 'x')}}),
    testsupport::CaseName{});

struct Utf8Case {
    const char* name;
    std::string bytes;  // as the log holds them
    std::string text;   // as the reader hands them on, in UTF-8
};

class AnsiToUtf8Test : public testsupport::CaseTest<Utf8Case> {};

// On Linux the ANSI code page is UTF-8: well-formed text passes, every other byte becomes
// U+FFFD, one for each byte, so that nothing is dropped and the output stays valid UTF-8.
TEST_P(AnsiToUtf8Test, KeepsWellFormedTextAndReplacesTheRest) {
    EXPECT_EQ(logreader::AnsiToUtf8(GetParam().bytes), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, AnsiToUtf8Test,
    ::testing::Values(Utf8Case{"Ascii", "Other Setup", "Other Setup"},
                      Utf8Case{"TwoThreeAndFourBytes", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80",
                               "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
                      // U+0080, U+0800 and U+10000: the lowest of each length are well formed.
                      Utf8Case{"LowestOfEachLength", "\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80",
                               "\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80"},
                      // U+07FF, U+D7FF and U+10FFFF: the highest below each limit are too.
                      Utf8Case{"HighestOfEachLength", "\xDF\xBF\xED\x9F\xBF\xF4\x8F\xBF\xBF",
                               "\xDF\xBF\xED\x9F\xBF\xF4\x8F\xBF\xBF"},
                      Utf8Case{"Latin1Byte", "caf\xE9!", "caf\xEF\xBF\xBD!"},
                      Utf8Case{"CutSequenceAtTheEnd", "a\xE2\x82", "a\xEF\xBF\xBD\xEF\xBF\xBD"},
                      Utf8Case{"Overlong", "\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD"},
                      Utf8Case{"Surrogate", "\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
                      Utf8Case{"BeyondU10FFFF", "\xF4\x90\x80\x80",
                               "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"}),
    testsupport::CaseName{});

// A log written on Windows under another locale, read with the code page it was written in
// (iconv's tables on Linux); a byte the code page leaves undefined becomes U+FFFD.
struct CodePageCase {
    const char* name;
    std::string bytes;
    unsigned codePage;  // the Windows code page the log was written in
    std::string text;   // in UTF-8
};

class CodePageToUtf8Test : public testsupport::CaseTest<CodePageCase> {};

TEST_P(CodePageToUtf8Test, ReadsTheBytesAsTheirCodePageHasThem) {
    const CodePageCase& c = GetParam();
    ASSERT_TRUE(logreader::CanReadCodePage(c.codePage));
    EXPECT_EQ(logreader::CodePageToUtf8(c.bytes, c.codePage), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, CodePageToUtf8Test,
    ::testing::Values(CodePageCase{"Cyrillic1251", "setup-\xC6!", 1251, "setup-\xD0\x96!"},
                      CodePageCase{"Western1252", "setup-\xC6!", 1252, "setup-\xC3\x86!"},
                      CodePageCase{"Undefined1251", "a\x98z", 1251, "a\xEF\xBF\xBDz"},
                      CodePageCase{"Utf8", "\xC3\xA9\xE9", 65001, "\xC3\xA9\xEF\xBF\xBD"}),
    testsupport::CaseName{});

TEST(CodePageTest, AnUnknownCodePageCannotBeRead) {
    EXPECT_FALSE(logreader::CanReadCodePage(12345));
}

class ReadLogFileTest : public ::testing::Test {
protected:
    ReadLogFileTest() {
        std::string pattern = (fs::temp_directory_path() / "logreader-XXXXXX").string();
        folder_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : "";
    }
    ~ReadLogFileTest() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }
    std::string folder_;
};

TEST_F(ReadLogFileTest, ReadsAWindowsLogLineByLine) {
    const fs::path path = fs::path(folder_) / "log";
    std::ofstream(path, std::ios::binary) << "2026-12-07___21:40:12 | \r\n"
                                             "2026-12-07___21:40:12 | caf\xE9\r\n";
    std::ifstream stream;
    ASSERT_TRUE(logreader::OpenLogFile(path, &stream));
    logreader::LineReader reader(stream, logreader::kThreadAnsiCodePage);
    Lines lines;
    logreader::FileLine line;
    while (reader.Next(&line)) {
        lines.push_back(line.text);
    }
    EXPECT_FALSE(reader.failed());
    EXPECT_THAT(lines, ::testing::ElementsAre("2026-12-07___21:40:12 | ",
                                              "2026-12-07___21:40:12 | caf\xEF\xBF\xBD"));
}

TEST_F(ReadLogFileTest, AMissingFileOrAFolderIsUnreadable) {
    std::ifstream missing;
    EXPECT_FALSE(logreader::OpenLogFile(fs::path(folder_) / "missing", &missing));
    std::ifstream folder;
    EXPECT_FALSE(logreader::OpenLogFile(folder_, &folder));
}

}  // namespace
