// PathAppendW: joins a name onto a path in a MAX_PATH buffer.
#include <shlwapi.h>

#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cwchar>
#include <string>

namespace {

BOOL Recorded(LPCWSTR path, LPCWSTR more, BOOL result) {
    return simwin::detail::RecordResult("PathAppendW " + simwin::detail::JournalText(path) + " " +
                                            simwin::detail::JournalText(more),
                                        result);
}

// path and more joined by exactly one '/': separators at the end of path and at the start of
// more are folded into one. A root ("/") stays a root; an empty path or more adds nothing.
std::wstring Join(const std::wstring& path, const std::wstring& more) {
    const std::wstring::size_type moreStart = more.find_first_not_of(L'/');
    const std::wstring rest =
        moreStart == std::wstring::npos ? std::wstring() : more.substr(moreStart);
    if (rest.empty()) {
        return path;
    }
    if (path.empty()) {
        return rest;
    }
    const std::wstring::size_type pathEnd = path.find_last_not_of(L'/');
    const std::wstring base =
        pathEnd == std::wstring::npos ? std::wstring() : path.substr(0, pathEnd + 1);
    return base + L'/' + rest;
}

}  // namespace

BOOL PathAppendW(LPWSTR path, LPCWSTR more) {
    // The journal shows the path as it was before the call.
    const std::wstring before = path != nullptr ? path : L"";
    if (const auto answer = simwin::detail::FaultAnswer<BOOL>("PathAppendW")) {
        return Recorded(path != nullptr ? before.c_str() : nullptr, more, *answer);
    }
    if (path == nullptr || more == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return Recorded(path, more, FALSE);
    }
    const std::wstring joined = Join(before, more);
    // The buffer holds MAX_PATH characters, terminator included; a longer result is refused
    // and the buffer left as it was.
    if (joined.size() + 1 > MAX_PATH) {
        return Recorded(before.c_str(), more, FALSE);
    }
    std::wmemcpy(path, joined.c_str(), joined.size() + 1);
    return Recorded(before.c_str(), more, TRUE);
}
