#include "simwin/kernel/scratch_folder.h"

#include <windows.h>

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

using runtimetests::ScopedEnv;
using runtimetests::ScratchFolder;

struct LookupCase {
    const char* name;
    const wchar_t* query;
    const wchar_t* expected;  // nullptr: not found
};

class EnvironmentLookupTest : public testsupport::CaseTest<LookupCase> {};

TEST_P(EnvironmentLookupTest, IgnoresLetterCaseButPrefersAnExactMatch) {
    ScopedEnv upper("SIMWIN_RT_FOLDER", "/upper");
    ScopedEnv lower("simwin_rt_folder", "/lower");
    ScopedEnv single("SIMWIN_RT_ONLY", "only \xC3\xA9");
    const LookupCase& c = GetParam();
    wchar_t buffer[64] = {};
    SetLastError(1234);
    const DWORD length = GetEnvironmentVariableW(c.query, buffer, 64);
    if (c.expected == nullptr) {
        EXPECT_EQ(length, 0u);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ENVVAR_NOT_FOUND));
        return;
    }
    EXPECT_EQ(length, std::wcslen(c.expected));
    EXPECT_STREQ(buffer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Names, EnvironmentLookupTest,
                         ::testing::Values(LookupCase{"ExactUpper", L"SIMWIN_RT_FOLDER", L"/upper"},
                                           LookupCase{"ExactLower", L"simwin_rt_folder", L"/lower"},
                                           LookupCase{"OtherCase", L"Simwin_Rt_Only",
                                                      L"only \u00e9"},
                                           LookupCase{"Missing", L"SIMWIN_RT_MISSING", nullptr},
                                           LookupCase{"WithEquals", L"SIMWIN_RT_ONLY=x", nullptr},
                                           LookupCase{"Empty", L"", nullptr}),
                         testsupport::CaseName{});

TEST(EnvironmentVariableTest, BufferRulesFollowWindows) {
    ScopedEnv variable("SIMWIN_RT_SIZE", "12345");
    wchar_t buffer[8] = {L'Z', L'Z', L'Z', L'Z', L'Z', L'Z', L'Z', L'Z'};
    EXPECT_EQ(GetEnvironmentVariableW(L"simwin_rt_size", nullptr, 0), 6u);
    EXPECT_EQ(GetEnvironmentVariableW(L"simwin_rt_size", buffer, 5), 6u);
    EXPECT_EQ(buffer[0], L'Z') << "a buffer that is too small stays untouched";
    EXPECT_EQ(GetEnvironmentVariableW(L"simwin_rt_size", buffer, 6), 5u);
    EXPECT_STREQ(buffer, L"12345");
}

TEST(EnvironmentVariableTest, EmptyValueReturnsZeroWithClearedLastError) {
    ScopedEnv variable("SIMWIN_RT_EMPTY", "");
    wchar_t buffer[4] = {L'Z', L'Z', L'Z', L'Z'};
    SetLastError(1234);
    EXPECT_EQ(GetEnvironmentVariableW(L"SIMWIN_RT_EMPTY", buffer, 4), 0u);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(buffer[0], L'\0');
}

struct TempPathCase {
    const char* name;
    const char* tmpdir;  // nullptr: unset
    const wchar_t* expected;
};

class TempPathTest : public testsupport::CaseTest<TempPathCase> {};

TEST_P(TempPathTest, EndsWithOneSeparator) {
    const TempPathCase& c = GetParam();
    ScopedEnv tmpdir("TMPDIR", c.tmpdir);
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, buffer);
    EXPECT_EQ(length, std::wcslen(c.expected));
    EXPECT_STREQ(buffer, c.expected);
    // Too small by one: the size needed comes back, terminator included.
    EXPECT_EQ(GetTempPathW(length, buffer), length + 1);
}

INSTANTIATE_TEST_SUITE_P(
    Folders, TempPathTest,
    ::testing::Values(TempPathCase{"FromTmpdir", "/var/scratch", L"/var/scratch/"},
                      TempPathCase{"AlreadyEnded", "/var/scratch/", L"/var/scratch/"},
                      TempPathCase{"Unset", nullptr, L"/tmp/"},
                      TempPathCase{"EmptyIsUnset", "", L"/tmp/"}),
    testsupport::CaseName{});

// The machine's system folder as Windows names it, whatever the machine's own folder is.
TEST(SystemDirectoryTest, IsTheDrivesSystemFolderWithWindowsSizeRules) {
    const std::wstring expected = L"C:\\Windows\\System32";
    const auto length = static_cast<UINT>(expected.size());
    wchar_t buffer[MAX_PATH] = {};
    EXPECT_EQ(GetSystemDirectoryW(buffer, length), length + 1);
    EXPECT_EQ(buffer[0], L'\0');
    EXPECT_EQ(GetSystemDirectoryW(buffer, length + 1), length);
    EXPECT_EQ(std::wstring(buffer), expected);
}

// Restores the working folder the test found.
class CurrentDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = std::filesystem::current_path(); }
    void TearDown() override { std::filesystem::current_path(previous_); }

    ScratchFolder scratch_;

private:
    std::filesystem::path previous_;
};

TEST_F(CurrentDirectoryTest, ReturnsTheWideFolderWithWindowsSizeRules) {
    const std::string folder = scratch_.path() + "/dossier-\xC3\xA9t\xC3\xA9";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::chdir(folder.c_str()), 0);
    const std::wstring expected = scratch_.widePath() + L"/dossier-\u00e9t\u00e9";
    const auto length = static_cast<DWORD>(expected.size());

    std::wstring buffer(MAX_PATH, L'Z');
    EXPECT_EQ(GetCurrentDirectoryW(0, nullptr), length + 1);
    EXPECT_EQ(GetCurrentDirectoryW(length, buffer.data()), length + 1);
    EXPECT_EQ(buffer[0], L'Z');
    EXPECT_EQ(GetCurrentDirectoryW(length + 1, buffer.data()), length);
    EXPECT_EQ(std::wstring(buffer.c_str()), expected);
}

TEST_F(CurrentDirectoryTest, RemovedFolderFailsWithALastError) {
    const std::string folder = scratch_.path() + "/gone";
    std::filesystem::create_directory(folder);
    ASSERT_EQ(::chdir(folder.c_str()), 0);
    std::filesystem::remove(folder);
    wchar_t buffer[MAX_PATH];
    SetLastError(0);
    EXPECT_EQ(GetCurrentDirectoryW(MAX_PATH, buffer), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
