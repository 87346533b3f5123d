// WideCharToMultiByte and MultiByteToWideChar. Every code page the machine knows (CP_ACP,
// CP_THREAD_ACP, CP_UTF8) is UTF-8; wide text is UTF-32 (wchar_t).
#include <windows.h>

#include "base/utf8.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <optional>
#include <string>

namespace {

bool IsAnsiCodePage(UINT codePage) {
    return codePage == CP_ACP || codePage == CP_THREAD_ACP;
}

bool IsKnownCodePage(UINT codePage) {
    return IsAnsiCodePage(codePage) || codePage == CP_UTF8;
}

// One call of either conversion, journalled as "NAME CODEPAGE INPUTLENGTH OUTPUTSIZE -> RESULT".
struct Conversion {
    const char* name;
    UINT codePage;
    int inputLength;
    int outputSize;

    // Journals the call and returns result.
    int Recorded(int result) const {
        return simwin::detail::RecordResult(std::string(name) + " " + std::to_string(codePage) +
                                                " " + std::to_string(inputLength) + " " +
                                                std::to_string(outputSize),
                                            result);
    }

    // Sets the last error and journals the call's failure: 0.
    int Fail(DWORD error) const {
        SetLastError(error);
        return Recorded(0);
    }
};

// What either conversion answers before it converts anything, if it does: a fault rule's answer,
// or a failure with ERROR_INVALID_PARAMETER for no input, an input length of 0 or below -1, a
// negative output size, an output size without a buffer, or a code page the machine does not know.
std::optional<int> Refusal(const Conversion& call, const void* input, const void* output) {
    if (const auto answer = simwin::detail::FaultAnswer<int>(call.name)) {
        return call.Recorded(*answer);
    }
    if (input == nullptr || call.inputLength == 0 || call.inputLength < -1 || call.outputSize < 0 ||
        (call.outputSize > 0 && output == nullptr) || !IsKnownCodePage(call.codePage)) {
        return call.Fail(ERROR_INVALID_PARAMETER);
    }
    return std::nullopt;
}

// Encodes one wide character; false when it is no valid code point (a lone surrogate, a value
// past U+10FFFF).
bool EncodeOne(wchar_t ch, std::string* out) {
    bool invalid = false;
    std::string encoded = simwin::ToUtf8(std::wstring_view(&ch, 1), &invalid);
    if (invalid) {
        return false;
    }
    *out += encoded;
    return true;
}

}  // namespace

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength,
                        LPSTR multiByteText, int multiByteSize, LPCSTR defaultChar,
                        LPBOOL usedDefaultChar) {
    const Conversion call{"WideCharToMultiByte", codePage, wideLength, multiByteSize};
    if (const auto refused = Refusal(call, wideText, multiByteText)) {
        return *refused;
    }
    // As on Windows, CP_UTF8 takes no default character and reports none.
    const bool utf8 = codePage == CP_UTF8;
    if (utf8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
        return call.Fail(ERROR_INVALID_PARAMETER);
    }
    const DWORD allowedFlags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    if ((flags & ~allowedFlags) != 0) {
        return call.Fail(ERROR_INVALID_FLAGS);
    }
    // A length of -1 converts up to and including the terminator.
    const std::size_t count =
        wideLength == -1 ? std::wcslen(wideText) + 1 : static_cast<std::size_t>(wideLength);

    // What stands for a character the code page cannot hold: Windows' UTF-8 encoder writes
    // U+FFFD, the ANSI code page its default character ('?' unless the caller names one).
    const std::string substitute = utf8                     ? std::string("\xEF\xBF\xBD")
                                   : defaultChar != nullptr ? defaultChar
                                                            : "?";
    // Text that holds only valid code points, as nearly all does, is encoded in one pass; only
    // text with something to substitute goes character by character.
    bool substituted = false;
    std::string converted = simwin::ToUtf8(std::wstring_view(wideText, count), &substituted);
    if (substituted) {
        converted.clear();
        for (std::size_t i = 0; i < count; ++i) {
            if (!EncodeOne(wideText[i], &converted)) {
                if ((flags & WC_ERR_INVALID_CHARS) != 0) {
                    return call.Fail(ERROR_NO_UNICODE_TRANSLATION);
                }
                converted += substitute;
            }
        }
    }
    const auto needed = static_cast<int>(converted.size());
    if (multiByteSize == 0) {
        if (usedDefaultChar != nullptr) {
            *usedDefaultChar = substituted ? TRUE : FALSE;
        }
        return call.Recorded(needed);
    }
    if (needed > multiByteSize) {
        return call.Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(multiByteText, converted.data(), converted.size());
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = substituted ? TRUE : FALSE;
    }
    return call.Recorded(needed);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteLength,
                        LPWSTR wideText, int wideSize) {
    const Conversion call{"MultiByteToWideChar", codePage, multiByteLength, wideSize};
    if (const auto refused = Refusal(call, multiByteText, wideText)) {
        return *refused;
    }
    if ((flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) != 0) {
        return call.Fail(ERROR_INVALID_FLAGS);
    }
    const std::size_t count = multiByteLength == -1 ? std::strlen(multiByteText) + 1
                                                    : static_cast<std::size_t>(multiByteLength);
    const std::string_view input(multiByteText, count);
    const std::wstring converted = simwin::FromUtf8(input);
    // FromUtf8 takes exactly the valid UTF-8, so the text was valid when it encodes back to the
    // same bytes (a U+FFFD that was in the input survives the round trip; a substituted one not).
    if ((flags & MB_ERR_INVALID_CHARS) != 0 && simwin::ToUtf8(converted) != input) {
        return call.Fail(ERROR_NO_UNICODE_TRANSLATION);
    }
    const auto needed = static_cast<int>(converted.size());
    if (wideSize == 0) {
        return call.Recorded(needed);
    }
    if (needed > wideSize) {
        return call.Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::copy(converted.begin(), converted.end(), wideText);
    return call.Recorded(needed);
}
