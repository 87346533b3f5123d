// The entry on the simulated platform: the elevation check with an unreadable or unelevated
// token, that a refusal touches nothing, and the runs after the command was recognised.
#include "main/command_dispatch.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace installer_test;  // the fixtures, the expected pieces and the helpers

struct RefusalCase {
    const char* name;
    std::vector<std::wstring> arguments;
    std::string fault;  // a rule that makes the token unreadable or not elevated, or ""
    int expected;
    LineList lines;  // after the banner
};

class EntryRefusalTest : public testsupport::CaseTest<RefusalCase, InstallerTest> {};

TEST_P(EntryRefusalTest, RefusesBeforeTouchingAnything) {
    const RefusalCase& c = GetParam();
    if (!c.fault.empty()) {
        AddFault(c.fault);
    }
    EXPECT_EQ(RunWith(c.arguments), c.expected);
    ExpectLines(Lines(), Join({kBanner, c.lines}));
    EXPECT_TRUE(JournalCalls({"CoInitializeEx", "PathFileExistsW"}).empty());
}

const std::string kNotAdmin = E("Admin rights are required to install the driver!");
const std::string kInvalid = "Command found: invalid command";

INSTANTIATE_TEST_SUITE_P(
    Refusals, EntryRefusalTest,
    ::testing::Values(
        // The argument refusals without a fault; their logs are checked on both platforms.
        RefusalCase{"NoArgument",
                    {},
                    "",
                    kNoArgument,
                    {"Too less command arguments, [install] or [uninstall] expected"}},
        RefusalCase{"Unknown", {L"Repair"}, "", kRefused, {kInvalid}},
        RefusalCase{"NotElevated",
                    {L"Install"},
                    "GetTokenInformation TRUE error 5 text not-elevated",
                    kRefused,
                    {kNotAdmin}},
        RefusalCase{"NotElevatedWithoutArgument",
                    {},
                    "GetTokenInformation TRUE error 5 text not-elevated",
                    kRefused,
                    {kNotAdmin}},
        RefusalCase{"TokenUnreadable",
                    {L"Uninstall"},
                    "GetTokenInformation FALSE error 5",
                    kRefused,
                    {kNotAdmin}},
        RefusalCase{
            "NoToken", {L"Uninstall"}, "OpenProcessToken FALSE error 5", kRefused, {kNotAdmin}}),
    CaseName());

TEST_F(InstallerTest, InstallRunConfiguresAfterInstalling) {
    EnterInfFolder();
    EXPECT_EQ(RunWith({L"Install"}), kOk);
    LineList own;
    for (const std::string& line : Lines()) {
        if (line.find("DeviceManager::") == std::string::npos) {
            own.push_back(line);
        }
    }
    EXPECT_EQ(
        own,
        Join({kBanner,
              {"Command found: install ethernet adapter and switch",
               "Installation of Virtual Ethernet Adapter and Virtual Switch is finished.",
               "Configuration of NPF service begins.", "Configuration of NPF service has ended.",
               "Configuration of IPv6 and Virtual Switch begins.",
               "Configuration of IPv6 and Virtual Switch succeeded."}}));
}

TEST_F(InstallerTest, FailuresAfterInstallingLeaveExitCodeZero) {
    EnterInfFolder();
    AddFault("ShellExecuteW 0 error 2");
    AddFault("INetCfg::Initialize E_FAIL nth 3");  // the binding configuration's own object
    EXPECT_EQ(RunWith({L"Install"}), kOk);
    const auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), E("Configuration of IPv6 and Virtual Switch failed. "
                              "'ConfigureIPv6AndVirtualSwitch()' returned ret=0"));
}

TEST_F(InstallerTest, InstallFailureEndsTheRunWithItsCode) {
    EnterInfFolder();
    AddFault("INetCfgClassSetup::Install E_FAIL nth 2");
    EXPECT_EQ(RunWith({L"Install"}), kSwitchInstallFailed);
    const auto lines = Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), E("Installation of virtual ethernet adapter failed. 'Installer()' "
                              "returned result=902"));
    EXPECT_TRUE(JournalCalls({"ShellExecuteW"}).empty());
}

}  // namespace
