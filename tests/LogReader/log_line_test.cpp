// Taking log lines apart: the time prefix, the error marker and the message.
#include "log_line.h"

#include "support/case_name.h"

#include <gtest/gtest.h>

namespace {

struct LineCase {
    const char* name;
    const char* line;
    bool parsed;  // it has the time prefix; the fields below count only then
    const char* time;
    bool isError;         // it has the error marker
    const char* message;  // what follows the prefix and the marker
};

class LogLineTest : public testsupport::CaseTest<LineCase> {};

TEST_P(LogLineTest, TakesTheLineApart) {
    const LineCase& c = GetParam();
    const logreader::LogLine line = logreader::ParseLogLine(c.line);
    EXPECT_EQ(line.raw, c.line);
    EXPECT_EQ(line.parsed, c.parsed);
    if (!c.parsed) {
        return;
    }
    EXPECT_EQ(line.date, "2026-12-07");
    EXPECT_EQ(line.time, c.time);
    EXPECT_EQ(line.isError, c.isError);
    EXPECT_EQ(line.message, c.message);
    EXPECT_EQ(logreader::TimeStamp(line), std::string("2026-12-07 ") + c.time);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LogLineTest,
    ::testing::Values(
        LineCase{"Ordinary", "2026-12-07___21:40:12 | DeviceManager::Installer() | Enter...", true,
                 "21:40:12", false, "DeviceManager::Installer() | Enter..."},
        // The hr line's message starts with a blank, which is kept.
        LineCase{"Error", "2026-12-07___09:05:00 | <ERROR> |  hr='1' / hr='0x00000001'", true,
                 "09:05:00", true, " hr='1' / hr='0x00000001'"},
        LineCase{"ErrorWithEmptyMessage", "2026-12-07___21:40:12 | <ERROR> | ", true, "21:40:12",
                 true, ""},
        LineCase{"PrefixOnly", "2026-12-07___21:40:12 | ", true, "21:40:12", false, ""},
        LineCase{"PrefixOnlyTrimmedByAnEditor", "2026-12-07___21:40:12 |", true, "21:40:12", false,
                 ""},
        // A marker without its trailing blank is message text, not the marker.
        LineCase{"MarkerWithoutBlank", "2026-12-07___21:40:12 | <ERROR> |x", true, "21:40:12",
                 false, "<ERROR> |x"},
        LineCase{"NoPrefix", "Signature=\"$Windows NT$\"", false, "", false, ""},
        LineCase{"Empty", "", false, "", false, ""},
        LineCase{"LetterInTheDate", "2026-1x-07___21:40:12 | text", false, "", false, ""},
        LineCase{"TwelveHourClock", "2026-12-07___9:40:12 PM | text", false, "", false, ""},
        LineCase{"NoBlankAfterTheBar", "2026-12-07___21:40:12 |text", false, "", false, ""},
        LineCase{"OneUnderscoreShort", "2026-12-07__21:40:12 | text", false, "", false, ""}),
    testsupport::CaseName{});

}  // namespace
