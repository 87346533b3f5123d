#include "main/dll_search.h"

#include <windows.h>

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

}  // namespace

// The programs run elevated from a setup folder that others may be able to write to: a DLL that
// is loaded by name later comes from the system folder only, never from the program's own folder
// or the current one. SetDefaultDllDirectories is looked up rather than imported: Windows 7,
// Server 2008 R2, Vista and Server 2008 without update KB2533623 lack it, and would refuse to
// start a program that imports it.
void LoadLaterDllsFromTheSystemFolderOnly() {
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    if (kernel32 == nullptr) {
        return;
    }
    const FARPROC address = GetProcAddress(kernel32, "SetDefaultDllDirectories");
    if (address == nullptr) {
        return;
    }
    // Through void (*)(), the one function pointer type that converts to any other without a
    // warning that the types differ.
    const auto setDefaultDllDirectories =
        reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void (*)()>(address));
    setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
