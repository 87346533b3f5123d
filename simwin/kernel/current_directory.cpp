// GetCurrentDirectoryW: the process's working folder.
#include <windows.h>

#include "base/utf8.h"
#include "kernel/wide_result.h"
#include "kernel/win32_error.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

DWORD Recorded(DWORD bufferLength, DWORD result) {
    simwin::detail::Record("GetCurrentDirectoryW " + std::to_string(bufferLength) + " -> " +
                           std::to_string(result));
    return result;
}

}  // namespace

DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer) {
    if (auto fault = simwin::detail::TakeFault("GetCurrentDirectoryW")) {
        fault->ApplyLastError();
        return Recorded(bufferLength, static_cast<DWORD>(fault->result));
    }
    // glibc sizes the buffer itself, so a folder deeper than PATH_MAX is still read.
    char* folder = ::getcwd(nullptr, 0);
    if (folder == nullptr) {
        SetLastError(simwin::detail::Win32ErrorFromErrno(errno));
        return Recorded(bufferLength, 0);
    }
    const std::wstring wideFolder = simwin::FromUtf8(folder);
    std::free(folder);
    return Recorded(bufferLength, simwin::detail::CopyWideResult(wideFolder, buffer, bufferLength));
}
