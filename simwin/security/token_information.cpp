// GetTokenInformation: what a token says about the process (its elevation).
#include <windows.h>

#include "kernel/handles.h"
#include "security/capabilities.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cstring>
#include <string>

namespace {

BOOL Recorded(TOKEN_INFORMATION_CLASS informationClass, DWORD informationLength, BOOL result) {
    return simwin::detail::RecordResult("GetTokenInformation " +
                                            std::to_string(static_cast<int>(informationClass)) +
                                            " " + std::to_string(informationLength),
                                        result);
}

BOOL Fail(TOKEN_INFORMATION_CLASS informationClass, DWORD informationLength, DWORD error) {
    SetLastError(error);
    return Recorded(informationClass, informationLength, FALSE);
}

}  // namespace

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                         DWORD informationLength, LPDWORD returnLength) {
    // A succeeding rule with the text "not-elevated" reports a token that is not elevated, so
    // that a test can refuse elevation inside its own (privileged) process.
    bool forceNotElevated = false;
    if (auto fault = simwin::detail::TakeFault("GetTokenInformation")) {
        fault->ApplyLastError();
        if (fault->result == FALSE) {
            return Recorded(informationClass, informationLength, FALSE);
        }
        forceNotElevated = fault->text == L"not-elevated";
    }
    simwin::detail::HandleView view;
    if (!simwin::detail::LookUpHandle(token, simwin::detail::HandleKind::Token, &view)) {
        return Fail(informationClass, informationLength, ERROR_INVALID_HANDLE);
    }
    if ((view.access & TOKEN_QUERY) == 0) {
        return Fail(informationClass, informationLength, ERROR_ACCESS_DENIED);
    }
    if (informationClass != TokenElevation) {
        return Fail(informationClass, informationLength, ERROR_INVALID_PARAMETER);
    }
    if (returnLength == nullptr) {
        return Fail(informationClass, informationLength, ERROR_NOACCESS);
    }
    *returnLength = sizeof(TOKEN_ELEVATION);
    if (information == nullptr || informationLength < sizeof(TOKEN_ELEVATION)) {
        return Fail(informationClass, informationLength, ERROR_INSUFFICIENT_BUFFER);
    }
    bool elevated = false;
    if (!forceNotElevated) {
        DWORD error = ERROR_SUCCESS;
        if (!simwin::detail::HoldsNetAdmin(&elevated, &error)) {
            return Fail(informationClass, informationLength, error);
        }
    }
    TOKEN_ELEVATION elevation{elevated ? 1u : 0u};
    std::memcpy(information, &elevation, sizeof elevation);
    return Recorded(informationClass, informationLength, TRUE);
}
