// SetDefaultDllDirectories, and the run-time lookup of it through GetModuleHandleW and
// GetProcAddress.
#include <windows.h>

#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr DWORD kFolderFlags = LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_USER_DIRS |
                               LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS;

BOOL Recorded(DWORD directoryFlags, BOOL result) {
    char flags[16];
    std::snprintf(flags, sizeof flags, "0x%08x", static_cast<unsigned>(directoryFlags));
    return simwin::detail::RecordResult(std::string("SetDefaultDllDirectories ") + flags, result);
}

// The one module a program can look up: any non-null value serves as its handle.
HMODULE Kernel32() {
    static char module;
    return reinterpret_cast<HMODULE>(&module);
}

bool IsKernel32(LPCWSTR name) {
    constexpr char kName[] = "kernel32.dll";
    if (name == nullptr) {
        return false;
    }
    std::size_t i = 0;
    for (; name[i] != L'\0' && i < sizeof kName - 1; ++i) {
        if (name[i] > 0x7F || std::tolower(static_cast<int>(name[i])) != kName[i]) {
            return false;
        }
    }
    return i == sizeof kName - 1 && name[i] == L'\0';
}

}  // namespace

BOOL SetDefaultDllDirectories(DWORD directoryFlags) {
    if (const auto answer = simwin::detail::FaultAnswer<BOOL>("SetDefaultDllDirectories")) {
        return Recorded(directoryFlags, *answer);
    }
    // Windows takes one or more folder flags and nothing else.
    if (directoryFlags == 0 || (directoryFlags & ~kFolderFlags) != 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return Recorded(directoryFlags, FALSE);
    }
    return Recorded(directoryFlags, TRUE);
}

HMODULE GetModuleHandleW(LPCWSTR moduleName) {
    const std::string call = "GetModuleHandleW " + simwin::detail::JournalText(moduleName);
    // A rule stands for a module that is not loaded.
    if (simwin::detail::FaultAnswer<int>("GetModuleHandleW")) {
        simwin::detail::RecordResult(call, 0);
        return nullptr;
    }
    const bool loaded = IsKernel32(moduleName);
    if (!loaded) {
        SetLastError(ERROR_MOD_NOT_FOUND);
    }
    simwin::detail::RecordResult(call, loaded ? 1 : 0);
    return loaded ? Kernel32() : nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR procName) {
    const std::string call =
        std::string("GetProcAddress ") + (procName != nullptr ? procName : "(null)");
    // A rule stands for a kernel32 without the export, as on a Windows that predates it.
    if (simwin::detail::FaultAnswer<int>("GetProcAddress")) {
        simwin::detail::RecordResult(call, 0);
        return nullptr;
    }
    if (module != Kernel32() || procName == nullptr ||
        std::strcmp(procName, "SetDefaultDllDirectories") != 0) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        simwin::detail::RecordResult(call, 0);
        return nullptr;
    }
    simwin::detail::RecordResult(call, 1);
    // The caller calls it through a pointer of its own type, BOOL (*)(DWORD), as on Windows; the
    // way through void (*)() converts between function types without a warning that they differ.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&SetDefaultDllDirectories));
}
