// Recording the platform's calls.
#pragma once

#include <string>
#include <string_view>

namespace simwin::detail {

void Record(std::string entry);

// Journals a call that answers with a number (a BOOL, a length, a count) as "ENTRY -> RESULT",
// ENTRY being the call's name and arguments; returns the result.
template <typename Result>
Result RecordResult(const std::string& entry, Result result) {
    Record(entry + " -> " + std::to_string(result));
    return result;
}

// While one is alive, the calls its thread makes are left out of the journal; fault rules still
// apply to them. For the calls a program's start-up makes on its behalf before the program's
// first statement, which on Windows are no API calls of the program's.
class UnjournalledCalls {
public:
    UnjournalledCalls();
    ~UnjournalledCalls();
    UnjournalledCalls(const UnjournalledCalls&) = delete;
    UnjournalledCalls& operator=(const UnjournalledCalls&) = delete;

private:
    bool wasJournalling_;
};
// A wide value as the journal shows it (UTF-8; a null pointer as "(null)").
std::string JournalText(const wchar_t* text);
// A 32-bit result as the journal shows it: hexadecimal for HRESULTs.
std::string JournalHr(long result);

}  // namespace simwin::detail
