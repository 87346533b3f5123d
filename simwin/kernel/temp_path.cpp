// GetTempPathW: the folder for temporary files.
#include <windows.h>

#include "base/utf8.h"
#include "kernel/wide_result.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cstdlib>
#include <string>

namespace {

DWORD Recorded(DWORD bufferLength, DWORD result) {
    simwin::detail::Record("GetTempPathW " + std::to_string(bufferLength) + " -> " +
                           std::to_string(result));
    return result;
}

}  // namespace

DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer) {
    if (auto fault = simwin::detail::TakeFault("GetTempPathW")) {
        fault->ApplyLastError();
        return Recorded(bufferLength, static_cast<DWORD>(fault->result));
    }
    const char* tmpdir = std::getenv("TMPDIR");
    std::string folder = tmpdir != nullptr && tmpdir[0] != '\0' ? tmpdir : "/tmp";
    // Windows always ends the temporary path with a separator.
    if (folder.back() != '/') {
        folder += '/';
    }
    return Recorded(bufferLength,
                    simwin::detail::CopyWideResult(simwin::FromUtf8(folder), buffer, bufferLength));
}
