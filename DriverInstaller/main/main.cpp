// The process entry: restricts where DLLs are loaded from, then hands the wide command line to
// RunDriverInstaller.
#include <windows.h>

#include "main/command_dispatch.h"

namespace {

// The program runs elevated from a setup folder that others may be able to write to: a DLL that
// is loaded by name later (a system DLL loading another, COM loading a server) comes from the
// system folder only, never from the program's own folder or the current one. A failure leaves
// Windows' usual search order; the run and its log are the same either way.
void LoadLaterDllsFromTheSystemFolderOnly() {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

// The entry of a program linked for wide arguments (-municode); the platform's start-up calls it.
int wmain(int argc, wchar_t* argv[]) {
    LoadLaterDllsFromTheSystemFolderOnly();
    return RunDriverInstaller(argc, argv);
}
