// The report a vendor sends back: a folder holding report.txt, report.json, version.txt and,
// after an install cycle, the logs of its runs (written there by install_cycle).
#pragma once

#include "findings.h"

#include <string>

namespace selftest {

// The report's last line: "N of M assumptions hold on this Windows".
std::wstring Verdict(const Findings& findings);

// report.txt's text: a header naming the tool, its version and the mode, the facts by section,
// every assumption as one line, and the verdict last. Lines end in CR LF.
std::wstring ReportText(const Findings& findings, const std::wstring& header);

// Makes the report folder: created when it does not exist, used when it is empty. Empty text on
// success, else the one line that says why not.
std::wstring MakeReportFolder(const std::wstring& folder);

// Writes report.txt, report.json and version.txt into folder. False when a file could not be
// written.
bool WriteReportFiles(const std::wstring& folder, const Findings& findings,
                      const std::wstring& header, bool installCycle);

}  // namespace selftest
