// The simulated platform's support for tests and tools: fault rules that make a platform call
// return a chosen result, the journal of the calls a process made, and the ledger of what is
// still held (COM references, CoTaskMem blocks, COM initialisation, the write lock).
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace simwin {

// ---- Fault rules -------------------------------------------------------------------------

enum class FaultWhen {
    Nth,      // only the n-th occurrence of the call in this process
    FromNth,  // the n-th occurrence and every later one
    Always,
};

// "Make call X return R". The call is named as the journal names it: "INetCfg::Apply",
// "INetCfgClassSetup::Install", "IEnumNetCfgComponent::Next", "CoInitializeEx", "ShellExecuteW".
// R is the call's return value as it is (an HRESULT, a BOOL, a DWORD count, the value
// ShellExecuteW returns). A failing result changes nothing on the machine; a success result
// that differs from the usual one (S_FALSE from CoInitializeEx, NETCFG_S_REBOOT from Apply)
// does the call's work and returns it.
struct FaultRule {
    std::string call;
    std::int64_t result = 0;
    FaultWhen when = FaultWhen::Always;
    unsigned n = 1;
    std::optional<DWORD> lastError;  // the thread's last error after the call
    std::wstring text;               // out-parameter text, e.g. the lock holder's description
};

// Rule text, one a line in the machine's "faults" file:
//   CALL RESULT [always | nth N | from N] [error N] [text TEXT...]
// RESULT and N are decimal or 0x-hexadecimal (32-bit, so 0x8004A024 is an HRESULT), or one of
// the names S_OK, S_FALSE, E_FAIL, E_NOTIMPL, E_OUTOFMEMORY, NETCFG_S_REBOOT,
// NETCFG_E_NO_WRITE_LOCK, TRUE, FALSE.
std::optional<FaultRule> ParseFaultRule(const std::string& line, std::string* error);
std::string FormatFaultRule(const FaultRule& rule);

// In-process rules, added to those of the machine's "faults" file.
void AddFaultRule(const FaultRule& rule);
// Forgets the in-process rules and every occurrence count; the machine's file is read again
// at the next platform call.
void ClearFaultRules();

// ---- Journal -----------------------------------------------------------------------------

// The platform calls this process made, in order, each as "NAME ARGS -> RESULT", for example
// "ShellExecuteW open net.exe \"start npf\" C:\\ 0 -> 42".
std::vector<std::string> JournalEntries();
void ClearJournal();

// ---- Ledger ------------------------------------------------------------------------------

struct Ledger {
    std::map<std::string, long> references;  // live references by interface, zero entries left out
    long objects = 0;                        // live COM objects
    long cotaskmemBlocks = 0;                // CoTaskMem blocks not yet freed
    int comDepth = 0;                        // COM initialisation depth of the calling thread
    int writeLocksHeld = 0;                  // write locks this process holds
    // Releases and destructions of COM objects that the calling thread made while its COM
    // depth was 0, that is after its last CoUninitialize: on Windows such a call may run code
    // that COM has already unloaded.
    long releasesOutsideCom = 0;

    bool Clean() const {
        return references.empty() && objects == 0 && cotaskmemBlocks == 0 && comDepth == 0 &&
               writeLocksHeld == 0 && releasesOutsideCom == 0;
    }
};

Ledger CurrentLedger();
std::string Describe(const Ledger& ledger);

}  // namespace simwin
