// What the self-test writes for a vendor to send back, built for Windows and run under Wine: the
// report's JSON strings, the quoting of the paths it hands to the programs it runs, and
// report.txt's assumption lines and verdict.
#include "findings.h"
#include "program_run.h"
#include "report_files.h"
#include "support/case_name.h"
#include "text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A conversion's case: its name, the text given, and what must come back.
template <typename Result>
struct ConversionCase {
    const char* name;
    std::wstring given;
    Result expected;
};
using JsonCase = ConversionCase<std::string>;
using QuotedCase = ConversionCase<std::wstring>;

class JsonStringTest : public testsupport::CaseTest<JsonCase> {};
class QuotedTest : public testsupport::CaseTest<QuotedCase> {};

// RFC 8259: a quotation mark, a reverse solidus and the control characters below U+0020 must be
// escaped; everything else may stand as UTF-8.
TEST_P(JsonStringTest, EscapesWhatJsonRequiresAndKeepsTheRestAsUtf8) {
    EXPECT_EQ(selftest::JsonString(GetParam().given), GetParam().expected);
}

// CommandLineToArgvW and the C runtime read 2n backslashes before a quotation mark as n
// backslashes: each one before the closing quote is doubled, others stay single.
TEST_P(QuotedTest, QuotesOneArgumentSoThatItIsReadBackWhole) {
    EXPECT_EQ(selftest::Quoted(GetParam().given), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Report, JsonStringTest,
    ::testing::Values(JsonCase{"Plain", L"ms_tcpip6", "\"ms_tcpip6\""},
                      JsonCase{"QuoteAndBackslash", L"'C:\\a' \"b\"", "\"'C:\\\\a' \\\"b\\\"\""},
                      JsonCase{"ControlCharacters", L"a\r\n\tb", "\"a\\u000d\\u000a\\u0009b\""},
                      JsonCase{"NonAscii", L"Gr\u00fc\u00dfe \u20ac",
                               "\"Gr\xc3\xbc\xc3\x9f"
                               "e \xe2\x82\xac\""}),
    testsupport::CaseName{});

INSTANTIATE_TEST_SUITE_P(
    Report, QuotedTest,
    ::testing::Values(QuotedCase{"WithBlanks", L"C:\\my logs\\a.log", L"\"C:\\my logs\\a.log\""},
                      QuotedCase{"TrailingBackslash", L"C:\\", L"\"C:\\\\\""},
                      QuotedCase{"TwoTrailingBackslashes", L"a\\\\", L"\"a\\\\\\\\\""}),
    testsupport::CaseName{});

TEST(ReportTextTest, EndsEachAssumptionWithItsVerdictAndTheReportWithTheCount) {
    selftest::Findings findings;
    findings.AddFact(L"Write lock", L"IsWriteLocked", L"0x00000001 (S_FALSE)");
    findings.AddAssumption("a", L"First", L"S_OK", L"S_OK", true);
    findings.AddAssumption("b", L"Second", L"S_FALSE", L"E_NOTIMPL", false);

    EXPECT_EQ(selftest::ReportText(findings, L"header"),
              L"header\r\n"
              L"\r\nWrite lock\r\n"
              L"  IsWriteLocked: 0x00000001 (S_FALSE)\r\n"
              L"\r\nAssumptions (what the engine does; what this Windows did)\r\n"
              L"  First: engine S_OK; this Windows S_OK; agrees\r\n"
              L"  Second: engine S_FALSE; this Windows E_NOTIMPL; differs\r\n"
              L"\r\n1 of 2 assumptions hold on this Windows\r\n");
}

}  // namespace
