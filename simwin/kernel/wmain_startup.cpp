// The start-up of a program whose entry is wmain, as the Windows runtime links it for wide
// arguments (MinGW-w64's -municode): it supplies main, hands the process's arguments to wmain as
// wide strings and returns what wmain returns as the exit code. Here the arguments arrive as
// UTF-8 and are widened first. Only a program with that entry links it: it defines main.
#include <windows.h>

#include "instrumentation/journal.h"

#include <cstddef>
#include <string>
#include <vector>

// The program's entry, with the parameters a program gives it (the runtime passes the same).
int wmain(int argc, wchar_t* argv[]);

namespace {

// An argument the platform cannot widen (a fault rule on MultiByteToWideChar) reads as empty.
std::wstring Widened(const char* argument) {
    const int length = MultiByteToWideChar(CP_UTF8, 0, argument, -1, nullptr, 0);
    std::wstring wide(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
    if (length > 0) {
        MultiByteToWideChar(CP_UTF8, 0, argument, -1, wide.data(), length);
    }
    wide.resize(wide.size() - 1);  // the terminator the conversion counted
    return wide;
}

}  // namespace

int main(int argc, char* argv[]) {
    std::vector<std::wstring> arguments;
    {
        // On Windows the arguments reach wmain wide without a call of the program's, so the
        // journal leaves these out: it starts with the program's own first call.
        const simwin::detail::UnjournalledCalls startup;
        for (int i = 0; i < argc; ++i) {
            arguments.push_back(Widened(argv[i]));
        }
    }
    std::vector<wchar_t*> pointers;
    for (std::wstring& argument : arguments) {
        pointers.push_back(argument.data());
    }
    pointers.push_back(nullptr);
    return wmain(argc, pointers.data());
}
