// GetEnvironmentVariableW: a variable of the process environment.
#include <windows.h>

#include "base/utf8.h"
#include "kernel/wide_result.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cstring>
#include <cwctype>
#include <string>

extern char** environ;

namespace {

bool SameNameIgnoringCase(const std::wstring& a, const std::wstring& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::towupper(static_cast<wint_t>(a[i])) != std::towupper(static_cast<wint_t>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The value of the variable named name. Windows' names ignore letter case; Linux can hold "TMP"
// and "tmp" side by side, so an exact match wins over one that differs in case only.
bool FindVariable(const std::wstring& name, std::wstring* value) {
    bool foundIgnoringCase = false;
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals == nullptr) {
            continue;
        }
        const std::wstring entryName =
            simwin::FromUtf8(std::string_view(*entry, static_cast<std::size_t>(equals - *entry)));
        if (entryName == name) {
            *value = simwin::FromUtf8(equals + 1);
            return true;
        }
        if (!foundIgnoringCase && SameNameIgnoringCase(entryName, name)) {
            *value = simwin::FromUtf8(equals + 1);
            foundIgnoringCase = true;
        }
    }
    return foundIgnoringCase;
}

DWORD Recorded(LPCWSTR name, DWORD result) {
    return simwin::detail::RecordResult(
        "GetEnvironmentVariableW " + simwin::detail::JournalText(name), result);
}

}  // namespace

DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size) {
    if (const auto answer = simwin::detail::FaultAnswer<DWORD>("GetEnvironmentVariableW")) {
        return Recorded(name, *answer);
    }
    std::wstring value;
    if (name == nullptr || name[0] == L'\0' || std::wcschr(name, L'=') != nullptr ||
        !FindVariable(name, &value)) {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return Recorded(name, 0);
    }
    // An empty value returns 0 like a failure; the cleared last error tells the two apart.
    if (value.empty()) {
        SetLastError(ERROR_SUCCESS);
    }
    return Recorded(name, simwin::detail::CopyWideResult(value, buffer, size));
}
