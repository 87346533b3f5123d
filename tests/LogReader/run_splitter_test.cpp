// Cutting a log into runs at their start banners.
#include "run_splitter.h"

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using logreader::LogLine;
using logreader::RunLines;

const std::string kRule(68, '=');

std::vector<LogLine> Parse(const std::vector<std::string>& messages) {
    std::vector<LogLine> lines;
    for (const std::string& message : messages) {
        lines.push_back(logreader::ParseLogLine(
            message == "?" ? "garbage" : "2026-12-07___21:40:12 | " + message));
    }
    return lines;
}

// Each run as its messages, a run whose start is missing marked by a leading "(no start)".
std::vector<std::vector<std::string>> Shape(const std::vector<RunLines>& runs) {
    std::vector<std::vector<std::string>> shape;
    for (const RunLines& run : runs) {
        shape.emplace_back();
        if (run.startMissing) {
            shape.back().push_back("(no start)");
        }
        for (const LogLine& line : run.lines) {
            shape.back().push_back(line.parsed ? line.message : "?");
        }
    }
    return shape;
}

struct SplitCase {
    const char* name;
    std::vector<std::string> messages;
    std::vector<std::vector<std::string>> runs;
};

class RunSplitterTest : public testsupport::CaseTest<SplitCase> {};

TEST_P(RunSplitterTest, CutsAtEachBanner) {
    EXPECT_EQ(Shape(logreader::SplitRuns(Parse(GetParam().messages))), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Logs, RunSplitterTest,
    ::testing::Values(SplitCase{"TwoRuns",
                                {"", "", "", kRule, "< START >", kRule, "one", "", "", "", kRule,
                                 "< START >", kRule, "two"},
                                {{"", "", "", kRule, "< START >", kRule, "one"},
                                 {"", "", "", kRule, "< START >", kRule, "two"}}},
                      // Lines before the first banner are the end of a run whose start is gone.
                      SplitCase{
                          "HeadlessFirstRun",
                          {"x", "?", "", "", "", kRule, "< START >", kRule},
                          {{"(no start)", "x", "?"}, {"", "", "", kRule, "< START >", kRule}}},
                      // A banner cut short after two lines leaves them to the run before.
                      SplitCase{"BannerCutShort",
                                {"", "", "", kRule, "< START >", kRule, "one", "", "", "", "", "",
                                 kRule, "< START >", kRule},
                                {{"", "", "", kRule, "< START >", kRule, "one", "", ""},
                                 {"", "", "", kRule, "< START >", kRule}}},
                      // ... and at the file's head they are no run at all.
                      SplitCase{"BannerCutShortAtTheHead",
                                {"", "", "", "", kRule, "< START >", kRule},
                                {{"", "", "", kRule, "< START >", kRule}}},
                      // An unparsed line among the prefix-only ones breaks the banner.
                      SplitCase{"NoBannerWithAForeignLine", {"", "?", "", kRule}, {}},
                      SplitCase{"RuleOneShort", {"", "", "", std::string(67, '=')}, {}},
                      SplitCase{"NoLines", {}, {}}),
    testsupport::CaseName{});

// Of more than three prefix-only lines before a banner, the first go to the run before and the
// last three start the next run, each line whole: only their times tell them apart.
TEST(RunSplitterTimesTest, PrefixOnlyLinesBeforeABannerKeepTheirOrder) {
    std::vector<LogLine> lines = Parse({"", "", "", kRule, "< START >", kRule, "one"});
    for (char second = '1'; second <= '5'; ++second) {
        lines.push_back(
            logreader::ParseLogLine(std::string("2026-12-07___21:40:0") + second + " | "));
    }
    const std::vector<LogLine> banner = Parse({kRule, "< START >", kRule});
    lines.insert(lines.end(), banner.begin(), banner.end());
    const std::vector<RunLines> runs = logreader::SplitRuns(lines);
    ASSERT_EQ(runs.size(), 2u);
    std::vector<std::string> times;
    for (const RunLines& run : runs) {
        for (const LogLine& line : run.lines) {
            times.push_back(line.time);
        }
        times.push_back("|");
    }
    const std::string t = "21:40:12";
    EXPECT_EQ(times, (std::vector<std::string>{t, t, t, t, t, t, t, "21:40:01", "21:40:02", "|",
                                               "21:40:03", "21:40:04", "21:40:05", t, t, t, "|"}));
}

}  // namespace
