// Finding the results written into a message and decoding them to a name and a meaning.
#include "result_mentions.h"

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using logreader::DecodedResult;

struct Expected {
    std::string field;
    std::string written;
    std::uint32_t value;
    std::string name;     // "" for exit codes and flags; "?" for a value the reader does not know
    bool inRange = true;  // false: too large for its field, shown as written and not decoded
    std::string meaning = {};  // checked when given
};

struct MentionCase {
    const char* name;
    std::string message;
    std::vector<Expected> results;
};

class ResultMentionsTest : public testsupport::CaseTest<MentionCase> {};

TEST_P(ResultMentionsTest, FindsAndNamesEveryResult) {
    const std::vector<DecodedResult> results = logreader::DecodeResults(GetParam().message);
    ASSERT_EQ(results.size(), GetParam().results.size());
    for (std::size_t i = 0; i < results.size(); ++i) {
        const Expected& expected = GetParam().results[i];
        SCOPED_TRACE(expected.written);
        EXPECT_EQ(results[i].field, expected.field);
        EXPECT_EQ(results[i].written, expected.written);
        EXPECT_EQ(results[i].value, expected.value);
        EXPECT_EQ(results[i].inRange, expected.inRange);
        EXPECT_EQ(results[i].known, expected.name != "?");
        EXPECT_EQ(results[i].name, expected.name == "?" ? "" : expected.name);
        EXPECT_EQ(results[i].meaning.empty(), !results[i].known);
        if (!expected.meaning.empty()) {
            EXPECT_EQ(results[i].meaning, expected.meaning);
        }
        // Only Windows has message tables.
        EXPECT_EQ(results[i].systemText, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, ResultMentionsTest,
    ::testing::Values(
        MentionCase{"HrLine",
                    " hr='-2147180508' / hr='0x8004a024'",
                    {{"hr", "0x8004a024", 0x8004A024, "NETCFG_E_NO_WRITE_LOCK"}}},
        MentionCase{"Reboot",
                    "DeviceManager::HrInstallNetComponent() failed! hr='303136' / hr='0x0004a020'",
                    {{"hr", "0x0004a020", 0x0004A020, "NETCFG_S_REBOOT"}}},
        // DeInstall's answer while other components still need the one removed.
        MentionCase{"StillReferenced",
                    " hr='303139' / hr='0x0004a023'",
                    {{"hr", "0x0004a023", 0x0004A023, "NETCFG_S_STILL_REFERENCED"}}},
        MentionCase{"SFalse",
                    "FindComponent returned hr='1' / hr='0x00000001'",
                    {{"hr", "0x00000001", 1, "S_FALSE"}}},
        MentionCase{"NotImplemented",
                    " hr='-2147467263' / hr='0x80004001'",
                    {{"hr", "0x80004001", 0x80004001, "E_NOTIMPL"}}},
        MentionCase{"ChangedMode",
                    "CoInitializeEx returned hr='-2147417850' / hr='0x80010106'",
                    {{"hr", "0x80010106", 0x80010106, "RPC_E_CHANGED_MODE"}}},
        // A named HRESULT wins over the Win32 error it also carries.
        MentionCase{"AccessDenied",
                    " hr='-2147024891' / hr='0x80070005'",
                    {{"hr", "0x80070005", 0x80070005, "E_ACCESSDENIED"}}},
        MentionCase{"Win32AsHresult",
                    " hr='-2147023673' / hr='0x800704c7'",
                    {{"hr", "0x800704c7", 0x800704C7, "HRESULT_FROM_WIN32(ERROR_CANCELLED)"}}},
        MentionCase{
            "SetupApiAsHresult",
            " hr='-2146500093' / hr='0x800f0203'",
            {{"hr", "0x800f0203", 0x800F0203, "HRESULT_FROM_SETUPAPI(ERROR_NO_DRIVER_SELECTED)"}}},
        MentionCase{"UnknownWin32AsHresult",
                    " hr='-2147024385' / hr='0x800701ff'",
                    {{"hr", "0x800701ff", 0x800701FF, "?"}}},
        MentionCase{"UnknownFacility",
                    " hr='-2147282380' / hr='0x80031234'",
                    {{"hr", "0x80031234", 0x80031234, "?"}}},
        // The hexadecimal half is the one read; upper-case digits are accepted.
        MentionCase{"DecimalHalfDisagrees",
                    " hr='0' / hr='0x8004A024'",
                    {{"hr", "0x8004A024", 0x8004A024, "NETCFG_E_NO_WRITE_LOCK"}}},
        MentionCase{
            "UpperCaseF",
            " hr='-2146500093' / hr='0x800F0203'",
            {{"hr", "0x800F0203", 0x800F0203, "HRESULT_FROM_SETUPAPI(ERROR_NO_DRIVER_SELECTED)"}}},
        MentionCase{"ShellLaunchError",
                    "DeviceManager::StartNPFService() failed. ShellExecute() returned "
                    "errorMessageID=2",
                    {{"errorMessageID", "2", 2, "ERROR_FILE_NOT_FOUND"}}},
        MentionCase{"SetupApiError",
                    "errorMessageID=3758096906",
                    {{"errorMessageID", "3758096906", 0xE000020A, "ERROR_NO_INF", true,
                      "the INF file was not found"}}},
        // Each value by the name Windows gives it, and some by their meanings.
        MentionCase{"MoreHresults",
                    " hr='-2147024809' / hr='0x80070057' hr='-2147180504' / hr='0x8004a028'"
                    " hr='-2147221232' / hr='0x80040110' hr='-2147467259' / hr='0x80004005'"
                    " hr='-2147418113' / hr='0x8000ffff' hr='-2147417842' / hr='0x8001010e'",
                    {{"hr", "0x80070057", 0x80070057, "E_INVALIDARG"},
                     {"hr", "0x8004a028", 0x8004A028, "NETCFG_E_COMPONENT_REMOVED_PENDING_REBOOT"},
                     {"hr", "0x80040110", 0x80040110, "CLASS_E_NOAGGREGATION", true,
                      "the class cannot be created as part of an aggregate"},
                     {"hr", "0x80004005", 0x80004005, "E_FAIL"},
                     {"hr", "0x8000ffff", 0x8000FFFF, "E_UNEXPECTED"},
                     {"hr", "0x8001010e", 0x8001010E, "RPC_E_WRONG_THREAD"}}},
        MentionCase{"MoreErrors",
                    "errorMessageID=3758096642 errorMessageID=3758096907 "
                    "errorMessageID=3758096962 errorMessageID=122 errorMessageID=3010 "
                    "errorMessageID=14 errorMessageID=3758096385 errorMessageID=3758096902",
                    {{"errorMessageID", "3758096642", 0xE0000102, "ERROR_LINE_NOT_FOUND"},
                     {"errorMessageID", "3758096907", 0xE000020B, "ERROR_NO_SUCH_DEVINST"},
                     {"errorMessageID", "3758096962", 0xE0000242,
                      "ERROR_AUTHENTICODE_TRUST_NOT_ESTABLISHED"},
                     {"errorMessageID", "122", 122, "ERROR_INSUFFICIENT_BUFFER"},
                     {"errorMessageID", "3010", 3010, "ERROR_SUCCESS_REBOOT_REQUIRED", true,
                      "done; a restart is required to complete it"},
                     {"errorMessageID", "14", 14, "ERROR_OUTOFMEMORY"},
                     {"errorMessageID", "3758096385", 0xE0000001, "ERROR_BAD_SECTION_NAME_LINE",
                      true, "a section name line of the INF file is malformed"},
                     {"errorMessageID", "3758096902", 0xE0000206, "ERROR_INVALID_CLASS"}}},
        MentionCase{"UnknownSetupApiError",
                    "errorMessageID=3758100479",
                    {{"errorMessageID", "3758100479", 0xE0000FFF, "?"}}},
        MentionCase{"ExitCode",
                    "Installation of virtual ethernet adapter failed. 'Installer()' returned "
                    "result=902",
                    {{"result", "902", 902, "", true,
                      "installing the virtual switch failed (the adapter stays installed)"}}},
        MentionCase{"SwitchRemovalExitCode",
                    "returned result=904",
                    {{"result", "904", 904, "", true,
                      "removing the virtual switch failed and removing the adapter succeeded"}}},
        MentionCase{"NotAnExitCode", "returned result=907", {{"result", "907", 907, "?"}}},
        MentionCase{"BindingFlag",
                    "Configuration of IPv6 and Virtual Switch failed. "
                    "'ConfigureIPv6AndVirtualSwitch()' returned ret=0",
                    {{"ret", "0", 0, ""}}},
        MentionCase{"TwoResults",
                    "hr='1' / hr='0x00000001' then errorMessageID=5",
                    {{"hr", "0x00000001", 1, "S_FALSE"},
                     {"errorMessageID", "5", 5, "ERROR_ACCESS_DENIED"}}},
        // The largest value an unsigned 32-bit field holds is still in range.
        MentionCase{"LargestWin32Error",
                    "errorMessageID=4294967295",
                    {{"errorMessageID", "4294967295", 0xFFFFFFFF, "?"}}},
        // "%d" holds a signed 32-bit value: more is not wrapped into one of the exit codes.
        MentionCase{"ExitCodeOutOfRange",
                    "returned result=4294968197",
                    {{"result", "4294968197", 0, "?", false}}},
        // The digits are read in one pass, however many there are.
        MentionCase{"HundredThousandDigits",
                    "errorMessageID=" + std::string(100000, '7'),
                    {{"errorMessageID", std::string(100000, '7'), 0, "?", false}}},
        MentionCase{"HundredThousandDigitsInAnHrPair",
                    " hr='" + std::string(100000, '1') + "' / hr='0x8004a024'",
                    {{"hr", "0x8004a024", 0x8004A024, "NETCFG_E_NO_WRITE_LOCK"}}},
        // Right after a letter that starts other values ("r", of "error"), a value is found.
        MentionCase{"RightAfterALetterThatStartsValues",
                    "Enumerate errorhr='-2147467259' / hr='0x80004005'",
                    {{"hr", "0x80004005", 0x80004005, "E_FAIL"}}},
        // Half an hr pair, or a word that merely ends in "result=", is no result.
        MentionCase{"NoResults",
                    "hr='0x8004a024' and myresult=3 and XYZresult=3 and DeviceManager::Installer() "
                    "| Enter...",
                    {}}),
    testsupport::CaseName{});

}  // namespace
