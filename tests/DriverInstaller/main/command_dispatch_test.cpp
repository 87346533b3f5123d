// The entry: the start banner, command recognition and the exit codes of the refusals.
#include "main/command_dispatch.h"
#include "support/program_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace installer_test;  // the fixtures, the expected pieces and the helpers

struct CommandWordCase {
    const char* name;
    std::vector<std::wstring> arguments;
    int expected;
    LineList lines;  // after the banner
};

class CommandWordTest : public testsupport::CaseTest<CommandWordCase, installer_test::ProgramTest> {
};

TEST_P(CommandWordTest, RefusesWhatIsNoCommand) {
    const CommandWordCase& c = GetParam();
    EXPECT_EQ(RunWith(c.arguments), c.expected);
    ExpectLines(Lines(), Join({kBanner, c.lines}));
}

const std::string kInvalid = "Command found: invalid command";

INSTANTIATE_TEST_SUITE_P(
    Refusals, CommandWordTest,
    ::testing::Values(
        CommandWordCase{"NoArgument",
                        {},
                        kNoArgument,
                        {"Too less command arguments, [install] or [uninstall] expected"}},
        CommandWordCase{"Unknown", {L"Repair"}, kRefused, {kInvalid}},
        CommandWordCase{"TrailingDigit", {L"Install1"}, kRefused, {kInvalid}},
        CommandWordCase{"LeadingHyphen", {L"-Uninstall"}, kRefused, {kInvalid}},
        CommandWordCase{"Empty", {L""}, kRefused, {kInvalid}},
        CommandWordCase{"Prefix", {L"Inst"}, kRefused, {kInvalid}}),
    CaseName());

using CommandTest = installer_test::ProgramTest;

TEST_F(CommandTest, CommandIgnoresCaseAndExtraArguments) {
    const struct {
        std::vector<std::wstring> arguments;
        std::string found;
    } cases[] = {
        {{L"INSTALL"}, "Command found: install ethernet adapter and switch"},
        {{L"install", L"extra", L"more"}, "Command found: install ethernet adapter and switch"},
        {{L"uNiNsTaLl", L"Install"}, "Command found: uninstall ethernet adapter and switch"},
    };
    // No INF files in the current directory: the install run stops at once with 908.
    EnterFolder(MakeFolder("empty"));
    for (const auto& c : cases) {
        ClearLog();
        const int code = RunWith(c.arguments);
        EXPECT_TRUE(code == kInfMissing || code == kAdapterRemovalFailed) << code;
        const auto lines = Lines();
        ASSERT_GT(lines.size(), 7u);
        EXPECT_EQ(lines[6], c.found);
    }
}

}  // namespace
