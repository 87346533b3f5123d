#include "simwin/kernel/scratch_folder.h"

#include <shlwapi.h>

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using runtimetests::ScratchFolder;

struct AppendCase {
    const char* name;
    std::wstring path;
    std::wstring more;
    BOOL result;
    std::wstring expected;
};

class PathAppendTest : public testsupport::CaseTest<AppendCase> {};

TEST_P(PathAppendTest, JoinsWithExactlyOneSlashWithinMaxPath) {
    const AppendCase& c = GetParam();
    std::wstring buffer(MAX_PATH, L'Z');
    std::copy(c.path.begin(), c.path.end(), buffer.begin());
    buffer[c.path.size()] = L'\0';
    EXPECT_EQ(PathAppendW(buffer.data(), c.more.c_str()), c.result);
    EXPECT_EQ(std::wstring(buffer.c_str()), c.expected);
}

const std::wstring k257(257, L'a');
const std::wstring k258(258, L'a');

INSTANTIATE_TEST_SUITE_P(
    Joins, PathAppendTest,
    ::testing::Values(AppendCase{"Plain", L"/tmp", L"x.log", TRUE, L"/tmp/x.log"},
                      AppendCase{"PathEndsInSlash", L"/tmp/", L"x.log", TRUE, L"/tmp/x.log"},
                      AppendCase{"MoreStartsWithSlash", L"/tmp", L"/x.log", TRUE, L"/tmp/x.log"},
                      AppendCase{"SlashesOnBothSides", L"/tmp//", L"//x.log", TRUE, L"/tmp/x.log"},
                      AppendCase{"Root", L"/", L"x.log", TRUE, L"/x.log"},
                      AppendCase{"EmptyPath", L"", L"x.log", TRUE, L"x.log"},
                      AppendCase{"EmptyMore", L"/tmp", L"", TRUE, L"/tmp"},
                      // 257 + '/' + 1 = 259 characters, the most a MAX_PATH buffer holds.
                      AppendCase{"LongestThatFits", k257, L"x", TRUE, k257 + L"/x"},
                      AppendCase{"OneTooLong", k258, L"x", FALSE, k258}),
    testsupport::CaseName{});

TEST(PathAppendNullTest, NullArgumentsFail) {
    wchar_t buffer[MAX_PATH] = L"/tmp";
    EXPECT_FALSE(PathAppendW(nullptr, L"x"));
    EXPECT_FALSE(PathAppendW(buffer, nullptr));
    EXPECT_STREQ(buffer, L"/tmp");
}

TEST(PathFileExistsTest, FindsFilesAndFoldersOnly) {
    ScratchFolder scratch;
    runtimetests::WriteText(scratch.path() + "/quorixlwf.inf", "x");
    std::filesystem::create_directory(scratch.path() + "/folder");
    EXPECT_TRUE(PathFileExistsW((scratch.widePath() + L"/quorixlwf.inf").c_str()));
    EXPECT_TRUE(PathFileExistsW((scratch.widePath() + L"/folder").c_str()));
    SetLastError(0);
    EXPECT_FALSE(PathFileExistsW((scratch.widePath() + L"/quorixvmini60.inf").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(PathFileExistsW(L""));
    EXPECT_FALSE(PathFileExistsW(nullptr));
}

}  // namespace
