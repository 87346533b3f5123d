// What the tests that run driverinstaller-log as a process compare: its output with the time
// stamps replaced, and the "lines" of a run in its JSON form. Shared by the Linux process tests
// and the Wine tests of driverinstaller-log.exe.
#pragma once

#include <regex>
#include <string>
#include <vector>

namespace logreadertest {

struct ReaderRun {
    int status = -1;
    std::string output;  // standard output and error, times replaced by YYYY-MM-DD and hh:mm:ss
};

// Time stamps vary from run to run: they are replaced by YYYY-MM-DD and hh:mm:ss before the
// output is compared.
inline std::string WithoutTimes(const std::string& text) {
    static const std::regex date(R"(\d{4}-\d{2}-\d{2})");
    static const std::regex time(R"(\d{2}:\d{2}:\d{2})");
    return std::regex_replace(std::regex_replace(text, date, "YYYY-MM-DD"), time, "hh:mm:ss");
}

// The "leftInstalled" member of an Install run that failed at the adapter (901), with its comma.
inline const std::string kLeftAfterFailedAdapterInstallJson =
    R"("leftInstalled":{"verdict":"unknown","text":"the virtual ethernet adapter )"
    R"((unknown: its installation failed), the virtual switch (unknown: the run ended before )"
    R"j(its step)","components":[{"component":"adapter","cycle":1,"state":"unknown",)j"
    R"("text":"unknown: its installation failed"},{"component":"switch","cycle":1,)"
    R"("state":"unknown","text":"unknown: the run ended before its step"}]},)";

// One error line of a run in the JSON form: the line's text as JSON holds it, and the JSON
// objects of the results decoded from it, comma-separated ("" when it mentions none).
struct JsonErrorLine {
    std::string text;
    std::string results;
};

// A run's "lines" array in the JSON form, for a run whose notable lines are all error lines.
inline std::string JsonErrorLines(const std::vector<JsonErrorLine>& lines) {
    std::string json = "[";
    for (const JsonErrorLine& line : lines) {
        if (json.size() > 1) {
            json += ",";
        }
        json += R"({"kind":"error","time":"hh:mm:ss","text":")" + line.text + R"(","results":[)" +
                line.results + "]}";
    }
    return json + "]";
}

}  // namespace logreadertest
