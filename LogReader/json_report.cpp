#include "json_report.h"

#include <nlohmann/json.hpp>

namespace logreader {

namespace {

// Members keep the order they are written in, so that a person reading the document finds the
// run number, command and outcome first.
using json = nlohmann::ordered_json;

json ResultJson(const DecodedResult& result) {
    // A value too large for its field is not decoded: it has no value.
    json object = {
        {"field", result.field},
        {"written", result.written},
        {"value", result.inRange ? json(result.value) : json(nullptr)},
        {"known", result.known},
        {"name", result.name},
        {"meaning", result.meaning},
    };
    if (!result.systemText.empty()) {
        object["systemText"] = result.systemText;
    }
    return object;
}

json LineJson(const NotableLine& line) {
    json object;
    if (!line.parsed) {
        object = json{{"kind", "unparsed"}, {"text", line.text}};
    } else {
        json results = json::array();
        for (const DecodedResult& result : line.results) {
            results.push_back(ResultJson(result));
        }
        // An ordinary line is listed only for its cut.
        object = json{{"kind", line.isError ? "error" : "line"},
                      {"time", line.time},
                      {"text", line.text},
                      {"results", results}};
    }
    if (line.cutBytes > 0) {
        object["cut"] = line.cutBytes;
    }
    return object;
}

json LeftInstalledJson(const LeftInstalled& left) {
    json components = json::array();
    for (const ComponentVerdict& verdict : left.components) {
        components.push_back(json{
            {"component", verdict.component == Component::Switch ? "switch" : "adapter"},
            {"cycle", verdict.cycle},
            {"state", StateName(verdict.state)},
            {"text", StateText(verdict.state)},
        });
    }
    return json{{"verdict", VerdictName(left.verdict)},
                {"text", LeftInstalledText(left)},
                {"components", components}};
}

}  // namespace

std::string FormatRunJson(const RunSummary& run) {
    json lines = json::array();
    for (const NotableLine& line : run.lines) {
        lines.push_back(LineJson(line));
    }
    json document = {
        {"run", run.number},
        {"started", run.started},
        {"startMissing", run.startMissing},
        {"command", run.command},
        {"complete", run.complete},
        {"exitCode", run.complete ? json(run.exitCode) : json(nullptr)},
        {"outcome", run.outcome},
        {"leftInstalled", LeftInstalledJson(run.leftInstalled)},
        {"lockHolders", run.lockHolders},
        {"lines", lines},
    };
    if (run.linesNotKept > 0) {
        document["linesNotKept"] = run.linesNotKept;
    }
    return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace logreader
