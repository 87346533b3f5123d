// What every method of the network configuration objects does first and last: consult the
// fault rules, and journal the call with its key arguments and its result.
#pragma once

#include "instrumentation/fault_rules.h"

#include <windows.h>

#include <optional>
#include <string>

namespace simwin {

class PlatformCall {
public:
    // name as the journal and the fault rules know it, e.g. "INetCfg::Apply"; arguments are
    // the key arguments as the journal shows them ("" for none).
    explicit PlatformCall(const char* name, std::string arguments = std::string());

    // A rule makes this call fail: the caller returns Finish(FaultResult()) with no effect.
    bool Failing() const { return fault_ && FAILED(fault_->hr()); }
    HRESULT FaultResult() const { return fault_ ? fault_->hr() : S_OK; }

    // What a method answers before it acts: the rule's failure when a rule makes this call fail,
    // else next, the result of the method's own next check (S_OK: the method goes on). The rule
    // comes first whatever the arguments and the configuration's state; next is a check without
    // effects (an argument, the session's CheckReadable or CheckWritable).
    HRESULT Refusal(HRESULT next = S_OK) const { return Failing() ? FaultResult() : next; }
    // The same for a method that hands its answer back in a required out-parameter, which it
    // checks before the rule: E_POINTER when out is missing, else *out cleared, so that every
    // failure leaves it empty, and then Refusal(next).
    template <typename T>
    HRESULT RefusalClearing(T* out, HRESULT next = S_OK) const {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = T{};
        return Refusal(next);
    }
    // The rule that applies to this call, if any (its text is some calls' out-parameter).
    const std::optional<detail::FaultHit>& fault() const { return fault_; }

    // Journals the call and returns its result: a rule's success result replaces a successful
    // one (NETCFG_S_REBOOT from Apply does the work and returns NETCFG_S_REBOOT).
    HRESULT Finish(HRESULT result);

private:
    std::string entry_;
    std::optional<detail::FaultHit> fault_;
};

// Clears an optional out-parameter (one the caller may leave null) before the method's checks.
template <typename T>
void ClearIfGiven(T* out) {
    if (out != nullptr) {
        *out = T{};
    }
}

// A copy of text in a CoTaskMem block, which the caller frees with CoTaskMemFree.
LPWSTR CoTaskMemText(const std::wstring& text);

// The journal's name for an interface id ("IID_INetCfgLock"), or its digits when unknown.
std::string InterfaceName(REFIID riid);

}  // namespace simwin
