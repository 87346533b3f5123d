// The text of fault rules, as the machine's "faults" file and `netcfg-sim fault add` hold them.
#include <simwin/testing.h>

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
};

void PrintTo(const RuleCase& c, std::ostream* os) {
    *os << c.name;
}

class FaultRuleTextTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(FaultRuleTextTest, ParsesAndFormatsBackToTheSameRule) {
    const RuleCase& c = GetParam();
    std::string error;
    const auto rule = simwin::ParseFaultRule(c.text, &error);
    ASSERT_TRUE(rule.has_value()) << error;
    EXPECT_EQ(rule->call, c.call);
    EXPECT_EQ(rule->result, c.result);
    EXPECT_EQ(rule->when, c.when);
    EXPECT_EQ(rule->n, c.n);
    EXPECT_EQ(rule->lastError.has_value() ? static_cast<long>(*rule->lastError) : -1L, c.lastError);
    EXPECT_EQ(rule->text, c.holder);

    const auto again = simwin::ParseFaultRule(simwin::FormatFaultRule(*rule), &error);
    ASSERT_TRUE(again.has_value()) << error;
    EXPECT_EQ(again->call, rule->call);
    EXPECT_EQ(again->result, rule->result);
    EXPECT_EQ(again->when, rule->when);
    EXPECT_EQ(again->n, rule->n);
    EXPECT_EQ(again->lastError, rule->lastError);
    EXPECT_EQ(again->text, rule->text);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FaultRuleTextTest,
    ::testing::Values(
        RuleCase{"NamedResultAlways", "INetCfg::Apply NETCFG_S_REBOOT", "INetCfg::Apply",
                 0x0004A020, simwin::FaultWhen::Always, 1, -1, L""},
        RuleCase{"HexIsA32BitHresult", "INetCfg::Initialize 0x8004A024 nth 2",
                 "INetCfg::Initialize", -2147180508, simwin::FaultWhen::Nth, 2, -1, L""},
        RuleCase{"DecimalFromWithError", "ShellExecuteW 2 from 3 error 2", "ShellExecuteW", 2,
                 simwin::FaultWhen::FromNth, 3, 2, L""},
        RuleCase{"TextKeepsBlanksAndLetters",
                 "INetCfgLock::AcquireWriteLock S_FALSE text Other Setup  Wizard \xc3\xa9",
                 "INetCfgLock::AcquireWriteLock", 1, simwin::FaultWhen::Always, 1, -1,
                 L"Other Setup  Wizard \u00e9"},
        RuleCase{"BoolFalseWithError", "SetupCopyOEMInfW FALSE error 0xE0000003",
                 "SetupCopyOEMInfW", 0, simwin::FaultWhen::Always, 1, 0xE0000003L, L""}),
    [](const ::testing::TestParamInfo<RuleCase>& param) { return std::string(param.param.name); });

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
