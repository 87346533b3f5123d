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

#ifdef _WIN32

int wmain(int argc, wchar_t* argv[]) {
    LoadLaterDllsFromTheSystemFolderOnly();
    return RunDriverInstaller(argc, argv);
}

#else

#include <string>
#include <vector>

// Arguments arrive as UTF-8 and are widened before the shared entry sees them.
int main(int argc, char* argv[]) {
    LoadLaterDllsFromTheSystemFolderOnly();
    std::vector<std::wstring> arguments;
    for (int i = 0; i < argc; ++i) {
        const int length = MultiByteToWideChar(CP_UTF8, 0, argv[i], -1, nullptr, 0);
        std::wstring argument(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
        if (length > 0) {
            MultiByteToWideChar(CP_UTF8, 0, argv[i], -1, argument.data(), length);
        }
        argument.resize(argument.size() - 1);  // the terminator the conversion counted
        arguments.push_back(argument);
    }
    std::vector<wchar_t*> pointers;
    for (std::wstring& argument : arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    return RunDriverInstaller(argc, pointers.data());
}

#endif
