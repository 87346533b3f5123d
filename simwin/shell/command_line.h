// Splitting a parameter string into program arguments.
#pragma once

#include <string>
#include <vector>

namespace simwin::detail {

// Splits parameters on blanks and tabs as Windows' command-line rules do: double quotes group
// blanks into one argument and are removed; 2n backslashes before a quote give n backslashes
// and the quote keeps its meaning, 2n+1 give n backslashes and a literal quote; other
// backslashes are literal. Null or blank parameters give no arguments.
std::vector<std::wstring> SplitParameters(const wchar_t* parameters);

}  // namespace simwin::detail
