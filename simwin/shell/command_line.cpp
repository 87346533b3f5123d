#include "shell/command_line.h"

namespace simwin::detail {

std::vector<std::wstring> SplitParameters(const wchar_t* parameters) {
    std::vector<std::wstring> arguments;
    if (parameters == nullptr) {
        return arguments;
    }
    std::wstring current;
    bool inArgument = false;  // also true for "" that makes an empty argument
    bool quoted = false;
    for (const wchar_t* p = parameters; *p != L'\0'; ++p) {
        if (*p == L'\\') {
            std::size_t backslashes = 0;
            while (p[backslashes] == L'\\') {
                ++backslashes;
            }
            inArgument = true;
            if (p[backslashes] != L'"') {
                current.append(backslashes, L'\\');
                p += backslashes - 1;
                continue;
            }
            current.append(backslashes / 2, L'\\');
            p += backslashes;  // now at the quote
            if (backslashes % 2 == 1) {
                current += L'"';
                continue;
            }
            quoted = !quoted;
            continue;
        }
        if (*p == L'"') {
            quoted = !quoted;
            inArgument = true;
            continue;
        }
        if ((*p == L' ' || *p == L'\t') && !quoted) {
            if (inArgument) {
                arguments.push_back(current);
                current.clear();
                inArgument = false;
            }
            continue;
        }
        current += *p;
        inArgument = true;
    }
    if (inArgument) {
        arguments.push_back(current);
    }
    return arguments;
}

}  // namespace simwin::detail
