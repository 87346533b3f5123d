// The process entry: hands the wide command line to RunDriverInstaller.
#include <windows.h>

#include "main/command_dispatch.h"

#ifdef _WIN32

int wmain(int argc, wchar_t* argv[]) {
    return RunDriverInstaller(argc, argv);
}

#else

#include <string>
#include <vector>

// Arguments arrive as UTF-8 and are widened before the shared entry sees them.
int main(int argc, char* argv[]) {
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
