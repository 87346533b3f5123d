#include "shell/command_line.h"

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct SplitCase {
    const char* name;
    const wchar_t* parameters;
    std::vector<std::wstring> expected;
};

class SplitParametersTest : public testsupport::CaseTest<SplitCase> {};

TEST_P(SplitParametersTest, FollowsWindowsCommandLineRules) {
    const SplitCase& c = GetParam();
    EXPECT_EQ(simwin::detail::SplitParameters(c.parameters), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SplitParametersTest,
    ::testing::Values(SplitCase{"Null", nullptr, {}}, SplitCase{"Blank", L"  \t ", {}},
                      SplitCase{"Words", L"start npf", {L"start", L"npf"}},
                      SplitCase{"ExtraBlanks", L"  start \t npf  ", {L"start", L"npf"}},
                      SplitCase{"QuotedBlank", L"\"two words\" x", {L"two words", L"x"}},
                      SplitCase{"QuoteInsideWord", L"a\"b c\"d", {L"ab cd"}},
                      SplitCase{"EmptyQuoted", L"\"\" x", {L"", L"x"}},
                      SplitCase{"EscapedQuote", L"a\\\"b", {L"a\"b"}},
                      SplitCase{"EvenBackslashesBeforeQuote", L"\"a\\\\\" b", {L"a\\", L"b"}},
                      SplitCase{"PlainBackslashes", L"C:\\dir\\ x", {L"C:\\dir\\", L"x"}},
                      SplitCase{"UnclosedQuote", L"\"open end", {L"open end"}}),
    testsupport::CaseName{});

}  // namespace
