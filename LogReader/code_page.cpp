#include "code_page.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstddef>
#include <string>

namespace logreader {

namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD in UTF-8

// The length of the well-formed UTF-8 sequence at bytes[i], or 0 when there is none there
// (overlong forms, surrogates and values beyond U+10FFFF are not well formed).
std::size_t Utf8SequenceLength(const std::string& bytes, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) {
        return 0;
    }
    if (byte(i + 1) < low || byte(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) {
            return 0;
        }
    }
    return length;
}

std::string ReplaceMalformedUtf8(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            text += kReplacement;
            ++i;
            continue;
        }
        text.append(bytes, i, length);
        i += length;
    }
    return text;
}

}  // namespace

#ifdef _WIN32

std::string AnsiToUtf8(const std::string& bytes) {
    if (bytes.empty()) {
        return {};
    }
    const int byteCount = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, bytes.data(), byteCount, nullptr, 0);
    if (wideLength <= 0) {
        return ReplaceMalformedUtf8(bytes);
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), byteCount, wide.data(), wideLength);
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) {
        return ReplaceMalformedUtf8(bytes);
    }
    std::string text(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, text.data(), utf8Length, nullptr,
                        nullptr);
    return text;
}

#else

std::string AnsiToUtf8(const std::string& bytes) {
    return ReplaceMalformedUtf8(bytes);
}

#endif

}  // namespace logreader
