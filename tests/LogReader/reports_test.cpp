// The text and JSON forms of a summary, for the shapes the process tests cannot make: a run
// whose start is missing, several lock holders, a result without a name, the platform's text,
// an unparsed line, text that is not UTF-8, and controls a terminal would act on.
#include "json_report.h"
#include "text_report.h"

#include <gtest/gtest.h>

namespace {

using logreader::DecodedResult;
using logreader::NotableLine;
using logreader::ResultKind;
using logreader::RunSummary;

RunSummary CraftedRun() {
    RunSummary run;
    run.number = 4;
    run.startMissing = true;
    run.started = "2026-12-07 21:40:12";
    run.command = "Uninstall";
    run.complete = false;
    run.outcome = "unknown: the run's last lines are missing";
    run.leftInstalled = {
        logreader::Verdict::Something,
        {{logreader::Component::Switch, 1, logreader::ComponentState::Removed},
         {logreader::Component::Adapter, 1, logreader::ComponentState::StillInstalled}}};
    run.lockHolders = {"Setup A", "Setup B"};
    DecodedResult unknown;
    unknown.kind = ResultKind::Hresult;
    unknown.field = "hr";
    unknown.written = "0x80031234";
    unknown.value = 0x80031234;
    DecodedResult named;
    named.kind = ResultKind::Hresult;
    named.field = "hr";
    named.written = "0x80004001";
    named.value = 0x80004001;
    named.known = true;
    named.name = "E_NOTIMPL";
    named.meaning = "the platform does not implement this call";
    named.systemText = "Not implemented.";
    run.lines = {
        NotableLine{true, "21:40:13", " hr='-2147282380' / hr='0x80031234'", {unknown}},
        NotableLine{false, "", "caf\xE9 cut", {}},
        NotableLine{true, "21:40:14", " hr='-2147467263' / hr='0x80004001'", {named}},
        // A planted line that would move the cursor up, clear the line and rewrite the outcome;
        // U+2069 ends the isolates, U+202F after the embeddings is an ordinary space.
        NotableLine{true,
                    "21:40:15",
                    "\x1b[3A\r\x1b[2K  Outcome: exit code 0\x08\x7f\xc2\x85\xe2\x80\xae"
                    "\xe2\x81\xa9\xe2\x80\xaf!\\x",
                    {}},
    };
    return run;
}

TEST(TextReportTest, ShowsEveryPartOfTheSummary) {
    EXPECT_EQ(
        logreader::FormatRunText(CraftedRun()),
        "Run 4, started 2026-12-07 21:40:12 (its first lines are not in the file)\n"
        "  Command: Uninstall\n"
        "  Outcome: unknown: the run's last lines are missing\n"
        "  Left installed: the virtual ethernet adapter (its removal failed)\n"
        "  Lock holder: Setup A, Setup B\n"
        "  Errors:\n"
        "    21:40:13  hr='-2147282380' / hr='0x80031234'\n"
        "      hr 0x80031234: not a result this reader knows\n"
        "    not a log line: caf\xE9 cut\n"
        "    21:40:14  hr='-2147467263' / hr='0x80004001'\n"
        "      hr 0x80004001 = E_NOTIMPL: the platform does not implement this call\n"
        "        system text: Not implemented.\n"
        // Written as visible escapes; a backslash of the log's stays as it is.
        "    21:40:15 \\x1b[3A\\x0d\\x1b[2K  Outcome: exit code 0\\x08\\x7f\\u0085\\u202e\\u2069"
        "\xe2\x80\xaf!\\x\n"
        "\n");
}

TEST(JsonReportTest, IsOneDocumentOnOneLineWithTheSameParts) {
    EXPECT_EQ(logreader::FormatRunJson(CraftedRun()),
              R"({"run":4,"started":"2026-12-07 21:40:12","startMissing":true,)"
              R"("command":"Uninstall","complete":false,"exitCode":null,)"
              R"("outcome":"unknown: the run's last lines are missing",)"
              R"("leftInstalled":{"verdict":"something",)"
              R"j("text":"the virtual ethernet adapter (its removal failed)","components":[)j"
              R"({"component":"switch","cycle":1,"state":"removed","text":"removed by this run"},)"
              R"({"component":"adapter","cycle":1,"state":"stillInstalled",)"
              R"("text":"its removal failed"}]},)"
              R"("lockHolders":["Setup A","Setup B"],"lines":[)"
              R"({"kind":"error","time":"21:40:13","text":" hr='-2147282380' / hr='0x80031234'",)"
              R"("results":[{"field":"hr","written":"0x80031234","value":2147684916,)"
              R"("known":false,"name":"","meaning":""}]},)"
              // A byte that is not UTF-8 is replaced, not dropped.
              R"({"kind":"unparsed","text":"caf)"
              "\xEF\xBF\xBD"
              R"( cut"},)"
              R"({"kind":"error","time":"21:40:14","text":" hr='-2147467263' / hr='0x80004001'",)"
              R"("results":[{"field":"hr","written":"0x80004001","value":2147500033,)"
              R"("known":true,"name":"E_NOTIMPL",)"
              R"("meaning":"the platform does not implement this call",)"
              R"("systemText":"Not implemented."}]},)"
              // JSON escapes controls itself: the text is as the log holds it.
              R"({"kind":"error","time":"21:40:15",)"
              R"("text":"\u001b[3A\r\u001b[2K  Outcome: exit code 0\b)"
              "\x7f\xc2\x85\xe2\x80\xae\xe2\x81\xa9\xe2\x80\xaf"
              R"(!\\x","results":[]}]})");
}

TEST(TextReportTest, ACompleteRunWithoutErrorsIsFiveLines) {
    RunSummary run;
    run.number = 1;
    run.started = "2026-12-07 21:40:12";
    run.command = "Install";
    run.complete = true;
    run.exitCode = 0;
    run.outcome = "the command succeeded";
    EXPECT_EQ(logreader::FormatRunText(run),
              "Run 1, started 2026-12-07 21:40:12\n"
              "  Command: Install\n"
              "  Outcome: exit code 0: the command succeeded\n"
              "  Left installed: unknown: no line of the run reaches a component\n"
              "  Errors: none\n"
              "\n");
}

}  // namespace
