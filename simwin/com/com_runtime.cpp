// The COM runtime: per-thread initialisation, object creation and the task allocator.
#include <objbase.h>

#include "com/class_factory.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"
#include "instrumentation/ledger.h"

#include <netcfgx.h>

#include <cstdlib>
#include <new>
#include <string>

namespace {

thread_local DWORD g_apartmentMode = 0;

// The layer's own header in front of each CoTaskMem block, so that CoTaskMemFree of a pointer
// the allocator never gave out is caught rather than corrupting the heap.
struct BlockHeader {
    std::uint64_t magic;
    std::uint64_t size;
};
constexpr std::uint64_t kBlockMagic = 0x53494D57434F544DULL;  // "SIMWCOTM"

HRESULT Recorded(const std::string& call, HRESULT hr) {
    simwin::detail::Record(call + " -> " + simwin::detail::JournalHr(hr));
    return hr;
}

}  // namespace

HRESULT CoInitializeEx(LPVOID reserved, DWORD coInit) {
    const std::string call = "CoInitializeEx " + std::to_string(coInit);
    int& depth = simwin::detail::ThreadComDepth();
    const DWORD mode = coInit & COINIT_APARTMENTTHREADED;
    if (auto fault = simwin::detail::TakeFault("CoInitializeEx")) {
        fault->ApplyLastError();
        // A success result still initialises, and so still needs its CoUninitialize.
        if (SUCCEEDED(fault->hr())) {
            if (depth == 0) {
                g_apartmentMode = mode;
            }
            ++depth;
        }
        return Recorded(call, fault->hr());
    }
    if (reserved != nullptr) {
        return Recorded(call, E_INVALIDARG);
    }
    if (depth > 0 && mode != g_apartmentMode) {
        return Recorded(call, RPC_E_CHANGED_MODE);
    }
    g_apartmentMode = mode;
    return Recorded(call, ++depth == 1 ? S_OK : S_FALSE);
}

void CoUninitialize() {
    int& depth = simwin::detail::ThreadComDepth();
    // An unbalanced call does nothing, as on Windows.
    if (depth > 0) {
        --depth;
    }
    simwin::detail::Record("CoUninitialize -> depth " + std::to_string(depth));
}

HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD clsContext, REFIID riid,
                         LPVOID* object) {
    const std::string call = "CoCreateInstance";
    if (object == nullptr) {
        return Recorded(call, E_POINTER);
    }
    *object = nullptr;
    if (auto fault = simwin::detail::TakeFault("CoCreateInstance")) {
        fault->ApplyLastError();
        if (FAILED(fault->hr())) {
            return Recorded(call, fault->hr());
        }
    }
    if (simwin::detail::ThreadComDepth() == 0) {
        return Recorded(call, CO_E_NOTINITIALIZED);
    }
    if (outer != nullptr) {
        return Recorded(call, CLASS_E_NOAGGREGATION);
    }
    if (clsid != CLSID_CNetCfg || (clsContext & CLSCTX_INPROC_SERVER) == 0) {
        return Recorded(call, REGDB_E_CLASSNOTREG);
    }
    return Recorded(call, simwin::CreateNetCfgObject(riid, object));
}

LPVOID CoTaskMemAlloc(SIZE_T size) {
    void* block = std::malloc(sizeof(BlockHeader) + size);
    if (block == nullptr) {
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(block);
    header->magic = kBlockMagic;
    header->size = size;
    simwin::detail::CoTaskMemAllocated();
    return header + 1;
}

void CoTaskMemFree(LPVOID block) {
    if (block == nullptr) {
        return;
    }
    auto* header = static_cast<BlockHeader*>(block) - 1;
    if (header->magic != kBlockMagic) {
        std::abort();  // not a CoTaskMem block: a fault in the caller, stop here
    }
    header->magic = 0;
    std::free(header);
    simwin::detail::CoTaskMemFreed();
}
