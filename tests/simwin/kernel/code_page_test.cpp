#include "support/fault_rules.h"

#include <simwin/testing.h>
#include <windows.h>

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct WideToMultiCase {
    const char* name;
    UINT codePage;
    std::wstring text;
    bool withTerminator;  // pass -1 instead of the length
    std::string expected;
    BOOL usedDefault;  // only asked for in the ANSI code pages
};

class WideToMultiTest : public testsupport::CaseTest<WideToMultiCase> {};

TEST_P(WideToMultiTest, ConvertsAfterASizeQuery) {
    const WideToMultiCase& c = GetParam();
    const int length = c.withTerminator ? -1 : static_cast<int>(c.text.size());
    const bool ansi = c.codePage != CP_UTF8;
    BOOL usedDefault = 7;
    const int needed = WideCharToMultiByte(c.codePage, 0, c.text.c_str(), length, nullptr, 0,
                                           nullptr, ansi ? &usedDefault : nullptr);
    ASSERT_EQ(needed, static_cast<int>(c.expected.size()));
    std::vector<char> out(static_cast<std::size_t>(needed) + 4, 'Z');
    usedDefault = 7;
    const int written = WideCharToMultiByte(c.codePage, 0, c.text.c_str(), length, out.data(),
                                            needed, nullptr, ansi ? &usedDefault : nullptr);
    EXPECT_EQ(written, needed);
    EXPECT_EQ(std::string(out.data(), static_cast<std::size_t>(written)), c.expected);
    EXPECT_EQ(out[static_cast<std::size_t>(needed)], 'Z') << "wrote past the size it reported";
    if (ansi) {
        EXPECT_EQ(usedDefault, c.usedDefault);
    }
}

const std::wstring kLoneSurrogate{L'a', static_cast<wchar_t>(0xD800), L'b'};
const std::wstring kPastUnicode{L'a', static_cast<wchar_t>(0x110000), L'b'};

INSTANTIATE_TEST_SUITE_P(
    CodePages, WideToMultiTest,
    ::testing::Values(WideToMultiCase{"AsciiWithTerminator", CP_THREAD_ACP, L"abc", true,
                                      std::string("abc\0", 4), FALSE},
                      WideToMultiCase{"AsciiCounted", CP_ACP, L"abc", false, "abc", FALSE},
                      WideToMultiCase{"NonAscii", CP_THREAD_ACP, L"\u00e9\u20ac\U0001F600", false,
                                      "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", FALSE},
                      WideToMultiCase{"LoneSurrogateAnsi", CP_THREAD_ACP, kLoneSurrogate, false,
                                      "a?b", TRUE},
                      WideToMultiCase{"PastUnicodeAnsi", CP_ACP, kPastUnicode, false, "a?b", TRUE},
                      WideToMultiCase{"LoneSurrogateUtf8", CP_UTF8, kLoneSurrogate, false,
                                      "a\xEF\xBF\xBD"
                                      "b",
                                      FALSE},
                      WideToMultiCase{"EmbeddedNul", CP_UTF8, std::wstring(L"a\0b", 3), false,
                                      std::string("a\0b", 3), FALSE}),
    testsupport::CaseName{});

TEST(WideCharToMultiByteTest, NamedDefaultCharReplacesWhatTheCodePageCannotHold) {
    char out[8] = {};
    BOOL usedDefault = FALSE;
    const int written = WideCharToMultiByte(CP_ACP, 0, kLoneSurrogate.c_str(), 3, out, sizeof out,
                                            "#", &usedDefault);
    EXPECT_EQ(std::string(out, static_cast<std::size_t>(written)), "a#b");
    EXPECT_TRUE(usedDefault);
}

TEST(WideCharToMultiByteTest, TooSmallBufferFailsAndLeavesItAlone) {
    char out[4] = {'Z', 'Z', 'Z', 'Z'};
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, L"\u20ac\u20ac", -1, out, 4, nullptr, nullptr),
              0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(std::string(out, 4), "ZZZZ");
}

struct RefusedCase {
    const char* name;
    UINT codePage;
    DWORD flags;
    int length;
    bool askUsedDefault;
    DWORD error;
};

class WideToMultiRefusedTest : public testsupport::CaseTest<RefusedCase> {};

TEST_P(WideToMultiRefusedTest, FailsWithTheWindowsError) {
    const RefusedCase& c = GetParam();
    char out[16];
    BOOL usedDefault = FALSE;
    SetLastError(0);
    EXPECT_EQ(WideCharToMultiByte(c.codePage, c.flags, kLoneSurrogate.c_str(), c.length, out,
                                  sizeof out, nullptr, c.askUsedDefault ? &usedDefault : nullptr),
              0);
    EXPECT_EQ(GetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, WideToMultiRefusedTest,
    ::testing::Values(
        RefusedCase{"ZeroLength", CP_UTF8, 0, 0, false, ERROR_INVALID_PARAMETER},
        RefusedCase{"LengthBelowMinusOne", CP_UTF8, 0, -2, false, ERROR_INVALID_PARAMETER},
        RefusedCase{"UnknownCodePage", 1252, 0, 3, false, ERROR_INVALID_PARAMETER},
        RefusedCase{"Utf8TakesNoUsedDefault", CP_UTF8, 0, 3, true, ERROR_INVALID_PARAMETER},
        RefusedCase{"StrictUtf8", CP_UTF8, WC_ERR_INVALID_CHARS, 3, false,
                    ERROR_NO_UNICODE_TRANSLATION},
        RefusedCase{"UnknownFlag", CP_THREAD_ACP, 0x1000, 3, false, ERROR_INVALID_FLAGS}),
    testsupport::CaseName{});

struct MultiToWideCase {
    const char* name;
    std::string bytes;
    std::wstring expected;
    bool valid;  // whether MB_ERR_INVALID_CHARS accepts it
};

class MultiToWideTest : public testsupport::CaseTest<MultiToWideCase> {};

TEST_P(MultiToWideTest, DecodesAndSubstitutesInvalidBytes) {
    const MultiToWideCase& c = GetParam();
    const int length = static_cast<int>(c.bytes.size());
    const int needed = MultiByteToWideChar(CP_UTF8, 0, c.bytes.data(), length, nullptr, 0);
    ASSERT_EQ(needed, static_cast<int>(c.expected.size()));
    std::vector<wchar_t> out(static_cast<std::size_t>(needed) + 1, L'Z');
    ASSERT_EQ(MultiByteToWideChar(CP_UTF8, 0, c.bytes.data(), length, out.data(), needed), needed);
    EXPECT_EQ(std::wstring(out.data(), static_cast<std::size_t>(needed)), c.expected);
    EXPECT_EQ(out.back(), L'Z');

    SetLastError(0);
    const int strict = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, c.bytes.data(), length,
                                           out.data(), needed);
    EXPECT_EQ(strict, c.valid ? needed : 0);
    EXPECT_EQ(GetLastError(), c.valid ? 0u : static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
}

const wchar_t kFffd = static_cast<wchar_t>(0xFFFD);

INSTANTIATE_TEST_SUITE_P(
    Utf8, MultiToWideTest,
    ::testing::Values(
        MultiToWideCase{"Ascii", "Install", L"Install", true},
        MultiToWideCase{"NonAscii", "\xC3\xA9\xF0\x9F\x98\x80", L"\u00e9\U0001F600", true},
        MultiToWideCase{"ReplacementCharacterItself", "\xEF\xBF\xBD", std::wstring(1, kFffd), true},
        MultiToWideCase{"StrayByte",
                        "a\xFF"
                        "b",
                        std::wstring{L'a', kFffd, L'b'}, false},
        MultiToWideCase{"CutSequence", "\xE2\x82", std::wstring(2, kFffd), false},
        MultiToWideCase{"Overlong", "\xC0\xAF", std::wstring(2, kFffd), false},
        MultiToWideCase{"EncodedSurrogate", "\xED\xA0\x80", std::wstring(3, kFffd), false}),
    testsupport::CaseName{});

TEST(MultiByteToWideCharTest, MinusOneIncludesTheTerminatorAndTooSmallFails) {
    wchar_t out[4] = {L'Z', L'Z', L'Z', L'Z'};
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abc", -1, out, 4), 4);
    EXPECT_EQ(std::wstring(out), L"abc");
    SetLastError(0);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "abcd", -1, out, 4), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(CodePageJournalTest, RecordsEachConversionAndObeysFaults) {
    simwin::ClearFaultRules();
    simwin::ClearJournal();
    // The second conversion fails with ERROR_NO_UNICODE_TRANSLATION.
    testsupport::AddFault("WideCharToMultiByte 0 nth 2 error 1113");

    char out[8];
    EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, L"ab", -1, out, 8, nullptr, nullptr), 3);
    EXPECT_EQ(WideCharToMultiByte(CP_THREAD_ACP, 0, L"ab", -1, out, 8, nullptr, nullptr), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION));
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "ab", 2, nullptr, 0), 2);
    simwin::ClearFaultRules();

    EXPECT_EQ(simwin::JournalEntries(),
              (std::vector<std::string>{"WideCharToMultiByte 3 -1 8 -> 3",
                                        "WideCharToMultiByte 3 -1 8 -> 0", "GetLastError -> 1113",
                                        "MultiByteToWideChar 65001 2 0 -> 2"}));
}

}  // namespace
