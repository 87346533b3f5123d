// The process entry: restricts where DLLs are loaded from, then hands the wide command line to
// RunDriverInstaller.
#include <windows.h>

#include "main/command_dispatch.h"

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// The program runs elevated from a setup folder that others may be able to write to: a DLL that
// is loaded by name later (a system DLL loading another, COM loading a server) comes from the
// system folder only, never from the program's own folder or the current one.
// SetDefaultDllDirectories is looked up rather than imported: Windows 7, Server 2008 R2, Vista
// and Server 2008 without update KB2533623 lack it, and would refuse to start a program that
// imports it. There, and when the call fails, Windows' usual search order stays; the run and its
// log are the same either way.
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

}  // namespace

// The entry of a program linked for wide arguments (-municode); the platform's start-up calls it.
int wmain(int argc, wchar_t* argv[]) {
    LoadLaterDllsFromTheSystemFolderOnly();
    return RunDriverInstaller(argc, argv);
}
