// WideCharToMultiByte and MultiByteToWideChar. Every code page the machine knows (CP_ACP,
// CP_THREAD_ACP, CP_UTF8) is UTF-8; wide text is UTF-32 (wchar_t).
#include <windows.h>

#include "base/utf8.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <algorithm>
#include <cwchar>
#include <cstring>
#include <string>

namespace {

bool IsAnsiCodePage(UINT codePage) {
    return codePage == CP_ACP || codePage == CP_THREAD_ACP;
}

bool IsKnownCodePage(UINT codePage) {
    return IsAnsiCodePage(codePage) || codePage == CP_UTF8;
}

int Recorded(const char* name, UINT codePage, int inputLength, int outputSize, int result) {
    simwin::detail::Record(std::string(name) + " " + std::to_string(codePage) + " " +
                           std::to_string(inputLength) + " " + std::to_string(outputSize) + " -> " +
                           std::to_string(result));
    return result;
}

int Fail(const char* name, UINT codePage, int inputLength, int outputSize, DWORD error) {
    SetLastError(error);
    return Recorded(name, codePage, inputLength, outputSize, 0);
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
    constexpr const char* kName = "WideCharToMultiByte";
    if (auto fault = simwin::detail::TakeFault(kName)) {
        fault->ApplyLastError();
        return Recorded(kName, codePage, wideLength, multiByteSize,
                        static_cast<int>(fault->result));
    }
    if (wideText == nullptr || wideLength == 0 || wideLength < -1 || multiByteSize < 0 ||
        (multiByteSize > 0 && multiByteText == nullptr)) {
        return Fail(kName, codePage, wideLength, multiByteSize, ERROR_INVALID_PARAMETER);
    }
    if (!IsKnownCodePage(codePage)) {
        return Fail(kName, codePage, wideLength, multiByteSize, ERROR_INVALID_PARAMETER);
    }
    // As on Windows, CP_UTF8 takes no default character and reports none.
    const bool utf8 = codePage == CP_UTF8;
    if (utf8 && (defaultChar != nullptr || usedDefaultChar != nullptr)) {
        return Fail(kName, codePage, wideLength, multiByteSize, ERROR_INVALID_PARAMETER);
    }
    const DWORD allowedFlags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    if ((flags & ~allowedFlags) != 0) {
        return Fail(kName, codePage, wideLength, multiByteSize, ERROR_INVALID_FLAGS);
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
                    return Fail(kName, codePage, wideLength, multiByteSize,
                                ERROR_NO_UNICODE_TRANSLATION);
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
        return Recorded(kName, codePage, wideLength, multiByteSize, needed);
    }
    if (needed > multiByteSize) {
        return Fail(kName, codePage, wideLength, multiByteSize, ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(multiByteText, converted.data(), converted.size());
    if (usedDefaultChar != nullptr) {
        *usedDefaultChar = substituted ? TRUE : FALSE;
    }
    return Recorded(kName, codePage, wideLength, multiByteSize, needed);
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteLength,
                        LPWSTR wideText, int wideSize) {
    constexpr const char* kName = "MultiByteToWideChar";
    if (auto fault = simwin::detail::TakeFault(kName)) {
        fault->ApplyLastError();
        return Recorded(kName, codePage, multiByteLength, wideSize,
                        static_cast<int>(fault->result));
    }
    if (multiByteText == nullptr || multiByteLength == 0 || multiByteLength < -1 || wideSize < 0 ||
        (wideSize > 0 && wideText == nullptr)) {
        return Fail(kName, codePage, multiByteLength, wideSize, ERROR_INVALID_PARAMETER);
    }
    if (!IsKnownCodePage(codePage)) {
        return Fail(kName, codePage, multiByteLength, wideSize, ERROR_INVALID_PARAMETER);
    }
    if ((flags & ~static_cast<DWORD>(MB_ERR_INVALID_CHARS)) != 0) {
        return Fail(kName, codePage, multiByteLength, wideSize, ERROR_INVALID_FLAGS);
    }
    const std::size_t count = multiByteLength == -1 ? std::strlen(multiByteText) + 1
                                                    : static_cast<std::size_t>(multiByteLength);
    const std::string_view input(multiByteText, count);
    const std::wstring converted = simwin::FromUtf8(input);
    // FromUtf8 takes exactly the valid UTF-8, so the text was valid when it encodes back to the
    // same bytes (a U+FFFD that was in the input survives the round trip; a substituted one not).
    if ((flags & MB_ERR_INVALID_CHARS) != 0 && simwin::ToUtf8(converted) != input) {
        return Fail(kName, codePage, multiByteLength, wideSize, ERROR_NO_UNICODE_TRANSLATION);
    }
    const auto needed = static_cast<int>(converted.size());
    if (wideSize == 0) {
        return Recorded(kName, codePage, multiByteLength, wideSize, needed);
    }
    if (needed > wideSize) {
        return Fail(kName, codePage, multiByteLength, wideSize, ERROR_INSUFFICIENT_BUFFER);
    }
    std::copy(converted.begin(), converted.end(), wideText);
    return Recorded(kName, codePage, multiByteLength, wideSize, needed);
}
