// The text of fault rules, as the machine's "faults" file and `netcfg-sim fault add` hold them.
#include <simwin/testing.h>

#include "support/case_name.h"

#include <gtest/gtest.h>

namespace {

struct RuleCase {
    const char* name;
    const char* text;
    const char* call;
    std::int64_t result;
    simwin::FaultWhen when;
    unsigned n;
    long lastError;  // -1: none
    const wchar_t* holder;
    const char* formatted;  // the rule as the "faults" file and `netcfg-sim fault list` write it
};

class FaultRuleTextTest : public testsupport::CaseTest<RuleCase> {};

// Compares a parsed rule with the case's fields.
void ExpectRule(const std::string& text, const RuleCase& c) {
    SCOPED_TRACE(text);
    std::string error;
    const auto rule = simwin::ParseFaultRule(text, &error);
    ASSERT_TRUE(rule.has_value()) << error;
    EXPECT_EQ(rule->call, c.call);
    EXPECT_EQ(rule->result, c.result);
    EXPECT_EQ(rule->when, c.when);
    EXPECT_EQ(rule->n, c.n);
    EXPECT_EQ(rule->lastError.has_value() ? static_cast<long>(*rule->lastError) : -1L, c.lastError);
    EXPECT_EQ(rule->text, c.holder);
}

TEST_P(FaultRuleTextTest, ParsesFormatsAndReadsTheFormattedTextBack) {
    const RuleCase& c = GetParam();
    ExpectRule(c.text, c);
    std::string error;
    const auto rule = simwin::ParseFaultRule(c.text, &error);
    ASSERT_TRUE(rule.has_value()) << error;
    EXPECT_EQ(simwin::FormatFaultRule(*rule), c.formatted);
    ExpectRule(c.formatted, c);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FaultRuleTextTest,
    ::testing::Values(
        RuleCase{"NamedResultAlways", "INetCfg::Apply NETCFG_S_REBOOT", "INetCfg::Apply",
                 0x0004A020, simwin::FaultWhen::Always, 1, -1, L"", "INetCfg::Apply 303136 always"},
        RuleCase{"HexIsA32BitHresult", "INetCfg::Initialize 0x8004A024 nth 2",
                 "INetCfg::Initialize", -2147180508, simwin::FaultWhen::Nth, 2, -1, L"",
                 "INetCfg::Initialize -2147180508 nth 2"},
        RuleCase{"DecimalFromWithError", "ShellExecuteW 2 from 3 error 2", "ShellExecuteW", 2,
                 simwin::FaultWhen::FromNth, 3, 2, L"", "ShellExecuteW 2 from 3 error 2"},
        RuleCase{"TextKeepsBlanksAndLetters",
                 "INetCfgLock::AcquireWriteLock S_FALSE text Other Setup  Wizard \xc3\xa9",
                 "INetCfgLock::AcquireWriteLock", 1, simwin::FaultWhen::Always, 1, -1,
                 L"Other Setup  Wizard \u00e9",
                 "INetCfgLock::AcquireWriteLock 1 always text Other Setup  Wizard \xc3\xa9"},
        RuleCase{"BoolFalseWithError", "SetupCopyOEMInfW FALSE error 0xE0000003",
                 "SetupCopyOEMInfW", 0, simwin::FaultWhen::Always, 1, 0xE0000003L, L"",
                 "SetupCopyOEMInfW 0 always error 3758096387"}),
    testsupport::CaseName());

TEST(FaultRuleTextTest, RefusesWhatIsNotARule) {
    const char* refused[] = {
        "",                             // no call
        "INetCfg::Apply",               // no result
        "INetCfg::Apply NOT_A_RESULT",  // unknown name
        "INetCfg::Apply 0x1FFFFFFFF",   // wider than 32 bits
        "INetCfg::Apply E_FAIL nth 0",  // occurrences count from 1
        "INetCfg::Apply E_FAIL from",   // number missing
        "INetCfg::Apply E_FAIL sometimes",
    };
    for (const char* text : refused) {
        SCOPED_TRACE(text);
        std::string error;
        EXPECT_FALSE(simwin::ParseFaultRule(text, &error).has_value());
        EXPECT_FALSE(error.empty()) << "a refusal says why";
    }
}

}  // namespace
