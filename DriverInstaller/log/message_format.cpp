#include "log/message_format.h"

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
        // vswprintf reports a buffer that is too small only as a negative count, so the buffer
        // grows until the text fits.
        const int written = std::vswprintf(buffer.data(), buffer.size(), format, attempt);
        va_end(attempt);
        if (written >= 0) {
            return std::wstring(buffer.data(), static_cast<std::size_t>(written));
        }
        if (buffer.size() >= kMaxMessageChars) {
            return std::wstring();
        }
        buffer.resize(buffer.size() * 2);
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

std::wstring FormatHr(const wchar_t* format, HRESULT hr) {
    // long is 64-bit on Linux: widen the signed value for %ld, and go through the 32-bit
    // unsigned value for %08lx so that a negative result does not print sixteen digits.
    return FormatText(format, static_cast<long>(hr),
                      static_cast<unsigned long>(static_cast<ULONG>(hr)));
}
