// The runs' summaries as JSON, for a setup program or a support portal.
#pragma once

#include "run_summary.h"

#include <string>

namespace logreader {

// One JSON document on one line (no line end), for example:
//   {"run":1,"started":"2026-12-07 21:40:12","startMissing":false,"command":"Install",
//    "complete":true,"exitCode":901,"outcome":"installing the virtual ethernet adapter failed",
//    "leftInstalled":{"verdict":"unknown","text":"...","components":[{"component":"adapter",
//    "cycle":1,"state":"unknown","text":"unknown: its installation failed"},...]},
//    "lockHolders":[],"lines":[{"kind":"error","time":"21:40:14","text":"...",
//    "results":[{"field":"hr","written":"0x80004001","value":2147500033,"known":true,
//    "name":"E_NOTIMPL","meaning":"...","systemText":"..."}]},{"kind":"unparsed","text":"..."}]}
// exitCode is null when the run is not complete, a result's value when it does not fit its field;
// systemText appears only when the platform has one. Text that is not valid UTF-8 is replaced,
// never dropped.
std::string FormatRunJson(const RunSummary& run);

}  // namespace logreader
