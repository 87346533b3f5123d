// How the platform's calls consult the fault rules.
#pragma once

#include <simwin/testing.h>

namespace simwin::detail {

struct FaultHit {
    std::int64_t result = 0;
    std::optional<DWORD> lastError;
    std::wstring text;

    HRESULT hr() const { return static_cast<HRESULT>(result); }
    // Sets the thread's last error when the rule names one. Inline, so that the platform's
    // SetLastError is called from the area that made the call, above this layer.
    void ApplyLastError() const {
        if (lastError) {
            SetLastError(*lastError);
        }
    }
};

// Counts one occurrence of the call and returns the rule that applies to it, if any.
std::optional<FaultHit> TakeFault(const char* call);

// TakeFault for a call that returns a rule's result at once and does nothing else: the result as
// the call's own type (BOOL, DWORD, int), with the rule's last error set; none when no rule
// applies to this occurrence. Inline, like ApplyLastError.
template <typename Result>
std::optional<Result> FaultAnswer(const char* call) {
    const std::optional<FaultHit> fault = TakeFault(call);
    if (!fault) {
        return std::nullopt;
    }
    fault->ApplyLastError();
    return static_cast<Result>(fault->result);
}

}  // namespace simwin::detail
