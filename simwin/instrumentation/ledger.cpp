#include "instrumentation/ledger.h"

#include <simwin/testing.h>

#include <mutex>

#ifdef _WIN32
#include <objbase.h>
#endif

namespace simwin {

namespace {

struct LedgerState {
    std::mutex mutex;
    std::map<std::string, long> references;
    long objects = 0;
    long cotaskmemBlocks = 0;
    int writeLocksHeld = 0;
};

LedgerState& State() {
    static LedgerState state;
    return state;
}

// Changes the shared counts under their lock.
template <typename Change>
void Update(Change change) {
    LedgerState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    change(state);
}

// Counted per thread, as the COM depth it is judged by is.
long& ThreadReleasesOutsideCom() {
    thread_local long count = 0;
    return count;
}

// Whether COM is initialised on the calling thread: on Linux the simulated COM runtime reports
// its depth; on Windows the real one is asked.
bool ComInitialisedOnThisThread() {
#ifdef _WIN32
    APTTYPE type{};
    APTTYPEQUALIFIER qualifier{};
    return SUCCEEDED(CoGetApartmentType(&type, &qualifier));
#else
    return detail::ThreadComDepth() > 0;
#endif
}

void CheckComIsInitialised() {
    if (!ComInitialisedOnThisThread()) {
        ++ThreadReleasesOutsideCom();
    }
}

}  // namespace

Ledger CurrentLedger() {
    LedgerState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    Ledger ledger;
    for (const auto& [name, count] : state.references) {
        if (count != 0) {
            ledger.references[name] = count;
        }
    }
    ledger.objects = state.objects;
    ledger.cotaskmemBlocks = state.cotaskmemBlocks;
    ledger.comDepth = detail::ThreadComDepth();
    ledger.writeLocksHeld = state.writeLocksHeld;
    ledger.releasesOutsideCom = ThreadReleasesOutsideCom();
    return ledger;
}

std::string Describe(const Ledger& ledger) {
    std::string text = "objects=" + std::to_string(ledger.objects) +
                       " cotaskmem=" + std::to_string(ledger.cotaskmemBlocks) +
                       " comDepth=" + std::to_string(ledger.comDepth) +
                       " writeLocks=" + std::to_string(ledger.writeLocksHeld) +
                       " releasesOutsideCom=" + std::to_string(ledger.releasesOutsideCom) +
                       " references={";
    for (const auto& [name, count] : ledger.references) {
        text += " " + name + ":" + std::to_string(count);
    }
    return text + " }";
}

namespace detail {

RefCount::RefCount(const char* interfaceName) : interfaceName_(interfaceName) {
    LedgerState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    ++state.objects;
    ++state.references[interfaceName_];
}

RefCount::~RefCount() {
    CheckComIsInitialised();
    LedgerState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    --state.objects;
}

ULONG RefCount::Add() {
    LedgerState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    ++state.references[interfaceName_];
    return ++count_;
}

ULONG RefCount::Drop() {
    CheckComIsInitialised();
    LedgerState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    --state.references[interfaceName_];
    return --count_;
}

void CoTaskMemAllocated() {
    Update([](LedgerState& state) { ++state.cotaskmemBlocks; });
}

void CoTaskMemFreed() {
    Update([](LedgerState& state) { --state.cotaskmemBlocks; });
}

void WriteLockTaken() {
    Update([](LedgerState& state) { ++state.writeLocksHeld; });
}

void WriteLockGiven() {
    Update([](LedgerState& state) { --state.writeLocksHeld; });
}

int& ThreadComDepth() {
    thread_local int depth = 0;
    return depth;
}

}  // namespace detail
}  // namespace simwin
