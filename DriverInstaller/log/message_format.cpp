#include "log/message_format.h"

#include <algorithm>
#include <cstdarg>
#include <cstddef>
#include <cwchar>
#include <vector>

namespace {

// A message longer than this is a fault in the caller, not a line worth writing.
constexpr std::size_t kMaxMessageChars = std::size_t{1} << 20;

std::wstring FormatTextV(const wchar_t* format, va_list arguments) {
    std::vector<wchar_t> buffer(256);
    for (;;) {
        va_list attempt;
        va_copy(attempt, arguments);
        const int written = std::vswprintf(buffer.data(), buffer.size(), format, attempt);
        va_end(attempt);
        // The text fits when the count leaves room for the terminator. The runtimes differ on a
        // text that does not fit: glibc returns a negative count (as the C standard says), the
        // MinGW-w64 runtime the length the whole text needs, having written only what fitted.
        if (written >= 0 && static_cast<std::size_t>(written) < buffer.size()) {
            return std::wstring(buffer.data(), static_cast<std::size_t>(written));
        }
        if (buffer.size() >= kMaxMessageChars) {
            return std::wstring();
        }
        // A known length is grown to at once; an unknown one by doubling.
        const std::size_t needed = written >= 0 ? static_cast<std::size_t>(written) + 1 : 0;
        buffer.resize(std::min(kMaxMessageChars, std::max(needed, buffer.size() * 2)));
    }
}

}  // namespace

std::wstring FormatText(const wchar_t* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::wstring text = FormatTextV(format, arguments);
    va_end(arguments);
    return text;
}

std::wstring FormatHr(HRESULT hr) {
    // long is 64-bit on Linux: widen the signed value for %ld, and go through the 32-bit
    // unsigned value for %08lx so that a negative result does not print sixteen digits.
    return FormatText(L" hr='%ld' / hr='0x%08lx'", static_cast<long>(hr),
                      static_cast<unsigned long>(static_cast<ULONG>(hr)));
}

std::wstring EscapeControlCharacters(const std::wstring& text) {
    std::wstring escaped;
    escaped.reserve(text.size());
    for (const wchar_t character : text) {
        const auto code = static_cast<unsigned long>(character);
        if (character == L'\t') {
            escaped += L"\\t";
        } else if (character == L'\n') {
            escaped += L"\\n";
        } else if (character == L'\r') {
            escaped += L"\\r";
        } else if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) {
            escaped += FormatText(L"\\x%02lx", code);
        } else {
            escaped += character;
        }
    }
    return escaped;
}
