#include "text_report.h"

#include "log_file.h"
#include "terminal_text.h"

namespace logreader {

namespace {

std::string FormatResult(const DecodedResult& result) {
    std::string text = "      " + result.field + " " + result.written;
    if (!result.inRange) {
        text += ": out of its field's range; not decoded";
    } else if (!result.known) {
        text += ": not a result this reader knows";
    } else if (result.name.empty()) {
        text += ": " + result.meaning;
    } else {
        text += " = " + result.name + ": " + result.meaning;
    }
    text += "\n";
    if (!result.systemText.empty()) {
        text += "        system text: " + result.systemText + "\n";
    }
    return text;
}

std::string FormatLine(const NotableLine& line) {
    std::string text = line.parsed ? "    " + line.time + " " + line.text + "\n"
                                   : "    not a log line: " + line.text + "\n";
    for (const DecodedResult& result : line.results) {
        text += FormatResult(result);
    }
    if (line.cutBytes > 0) {
        text += "      cut: the line is longer than " + std::to_string(kLongestLine) +
                " bytes; its last " + std::to_string(line.cutBytes) + " bytes are not read\n";
    }
    return text;
}

}  // namespace

std::string FormatRunText(const RunSummary& run) {
    std::string text = "Run " + std::to_string(run.number);
    if (!run.started.empty()) {
        text += ", started " + run.started;
    }
    if (run.startMissing) {
        text += " (its first lines are not in the file)";
    }
    text += "\n  Command: " + run.command + "\n";
    text += "  Outcome: ";
    text += run.complete ? "exit code " + std::to_string(run.exitCode) + ": " + run.outcome
                         : run.outcome;
    text += "\n  Left installed: " + LeftInstalledText(run.leftInstalled) + "\n";
    if (!run.lockHolders.empty()) {
        text += "  Lock holder: ";
        for (std::size_t i = 0; i < run.lockHolders.size(); ++i) {
            text += (i == 0 ? "" : ", ") + run.lockHolders[i];
        }
        text += "\n";
    }
    if (run.lines.empty() && run.linesNotKept == 0) {
        text += "  Errors: none\n";
    } else {
        text += "  Errors:\n";
        for (const NotableLine& line : run.lines) {
            text += FormatLine(line);
        }
    }
    if (run.linesNotKept > 0) {
        text += "    and " + std::to_string(run.linesNotKept) +
                " more lines, not shown: a run's report holds at most " +
                std::to_string(kMostKeptLineBytes / (1024 * 1024)) + " MiB of its lines\n";
    }
    // Only the report's own line ends reach the terminal as controls.
    return VisibleText(text + "\n");
}

}  // namespace logreader
