// Recording the platform's calls.
#pragma once

#include <string>
#include <string_view>

namespace simwin::detail {

void Record(std::string entry);
// A wide value as the journal shows it (UTF-8; a null pointer as "(null)").
std::string JournalText(const wchar_t* text);
// A 32-bit result as the journal shows it: hexadecimal for HRESULTs.
std::string JournalHr(long result);

}  // namespace simwin::detail
