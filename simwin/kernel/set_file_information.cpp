// SetFileInformationByHandle: the deletion mark of an open file.
#include <windows.h>

#include "kernel/handles.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <string>

BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS informationClass,
                                LPVOID information, DWORD bufferSize) {
    std::string call = "SetFileInformationByHandle " + std::to_string(informationClass);
    const auto* disposition = static_cast<const FILE_DISPOSITION_INFO*>(information);
    const bool known = informationClass == FileDispositionInfo && disposition != nullptr &&
                       bufferSize >= sizeof(FILE_DISPOSITION_INFO);
    if (known) {
        call += disposition->DeleteFile != FALSE ? " delete" : " keep";
    }
    if (const auto answer = simwin::detail::FaultAnswer<BOOL>("SetFileInformationByHandle")) {
        return simwin::detail::RecordResult(call, *answer);
    }
    simwin::detail::HandleView view;
    if (!simwin::detail::LookUpHandle(file, simwin::detail::HandleKind::File, &view)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return simwin::detail::RecordResult(call, FALSE);
    }
    if (!known) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return simwin::detail::RecordResult(call, FALSE);
    }
    // Windows grants the mark only to a handle opened for deletion.
    if ((view.access & DELETE) == 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return simwin::detail::RecordResult(call, FALSE);
    }
    simwin::detail::SetDeleteOnClose(file, disposition->DeleteFile != FALSE);
    return simwin::detail::RecordResult(call, TRUE);
}
