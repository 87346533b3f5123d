// GetFinalPathNameByHandleW: the path of an open file with every link on the way resolved.
#include <windows.h>

#include "base/utf8.h"
#include "kernel/handles.h"
#include "kernel/wide_result.h"
#include "kernel/win32_error.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <string>

DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR filePath, DWORD filePathLength, DWORD flags) {
    DWORD result = 0;
    simwin::detail::HandleView view;
    std::string path;
    if (auto fault = simwin::detail::TakeFault("GetFinalPathNameByHandleW")) {
        fault->ApplyLastError();
        result = static_cast<DWORD>(fault->result);
    } else if (!simwin::detail::LookUpHandle(file, simwin::detail::HandleKind::File, &view)) {
        SetLastError(ERROR_INVALID_HANDLE);
    } else if (flags != (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
    } else if (!simwin::detail::ReadFinalPath(view.fd, &path)) {
        SetLastError(simwin::detail::Win32ErrorFromErrno(errno));
    } else {
        result = simwin::detail::CopyWideResult(simwin::FromUtf8(path), filePath, filePathLength);
    }
    return simwin::detail::RecordResult(
        "GetFinalPathNameByHandleW " + std::to_string(filePathLength), result);
}
