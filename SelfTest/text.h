// Text as the report writes it: UTF-8 for the files, results in hexadecimal, JSON strings.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace selftest {

// One value's name in a table of names.
template <typename Value>
struct Named {
    Value value;
    const wchar_t* name;
};

// The name that names gives value, or otherwise when it gives none.
template <typename Value, std::size_t N>
const wchar_t* NameIn(const Named<Value> (&names)[N], Value value, const wchar_t* otherwise) {
    for (const Named<Value>& named : names) {
        if (named.value == value) {
            return named.name;
        }
    }
    return otherwise;
}

// The wide text in UTF-8; a unit that cannot be converted (a lone surrogate) becomes U+FFFD.
std::string ToUtf8(const std::wstring& text);

// A result as eight hexadecimal digits after 0x, with the name of the results the checks expect
// ("0x00000001 (S_FALSE)"), so that a reader needs no table for the common ones.
std::wstring ResultText(HRESULT hr);

// text as a JSON string, quotes included.
std::string JsonString(const std::wstring& text);

}  // namespace selftest
