#include "netcfg/platform_call.h"

#include "instrumentation/journal.h"

#include <netcfgx.h>
#include <objbase.h>

#include <cstdio>
#include <cstring>

namespace simwin {

PlatformCall::PlatformCall(const char* name, std::string arguments)
    : entry_(arguments.empty() ? std::string(name) : std::string(name) + " " + arguments),
      fault_(detail::TakeFault(name)) {
    if (fault_) {
        fault_->ApplyLastError();
    }
}

HRESULT PlatformCall::Finish(HRESULT result) {
    if (fault_ && SUCCEEDED(result)) {
        result = fault_->hr();
    }
    detail::Record(entry_ + " -> " + detail::JournalHr(result));
    return result;
}

LPWSTR CoTaskMemText(const std::wstring& text) {
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
    if (copy != nullptr) {
        std::memcpy(copy, text.c_str(), bytes);
    }
    return copy;
}

std::string InterfaceName(REFIID riid) {
    struct Named {
        const IID* iid;
        const char* name;
    };
    const Named known[] = {
        {&IID_IUnknown, "IID_IUnknown"},
        {&IID_INetCfg, "IID_INetCfg"},
        {&IID_INetCfgLock, "IID_INetCfgLock"},
        {&IID_INetCfgClass, "IID_INetCfgClass"},
        {&IID_INetCfgClassSetup, "IID_INetCfgClassSetup"},
        {&IID_INetCfgComponent, "IID_INetCfgComponent"},
        {&IID_INetCfgComponentBindings, "IID_INetCfgComponentBindings"},
        {&IID_INetCfgBindingPath, "IID_INetCfgBindingPath"},
        {&IID_INetCfgBindingInterface, "IID_INetCfgBindingInterface"},
        {&IID_IEnumNetCfgComponent, "IID_IEnumNetCfgComponent"},
        {&IID_IEnumNetCfgBindingPath, "IID_IEnumNetCfgBindingPath"},
        {&IID_IEnumNetCfgBindingInterface, "IID_IEnumNetCfgBindingInterface"},
    };
    for (const Named& entry : known) {
        if (*entry.iid == riid) {
            return entry.name;
        }
    }
    char digits[40];
    // Data1 is an unsigned long, 32 bits on both platforms but not the same type.
    std::snprintf(digits, sizeof digits, "{%08X-%04X-%04X-...}",
                  static_cast<unsigned>(riid.Data1), riid.Data2, riid.Data3);
    return digits;
}

}  // namespace simwin
