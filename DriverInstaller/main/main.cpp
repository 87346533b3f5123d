// The process entry: restricts where DLLs are loaded from, then hands the wide command line to
// RunDriverInstaller.
#include "main/command_dispatch.h"
#include "main/dll_search.h"

// The entry of a program linked for wide arguments (-municode); the platform's start-up calls it.
// The run and its log are the same whether or not the DLL search could be restricted.
int wmain(int argc, wchar_t* argv[]) {
    LoadLaterDllsFromTheSystemFolderOnly();
    return RunDriverInstaller(argc, argv);
}
