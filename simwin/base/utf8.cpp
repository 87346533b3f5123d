#include "base/utf8.h"

#include <cstdint>

namespace simwin {

namespace {

// Wide text is UTF-16 where wchar_t has 16 bits.
constexpr bool kUtf16 = sizeof(wchar_t) == 2;

bool IsHighSurrogate(std::uint32_t value) {
    return value >= 0xD800 && value <= 0xDBFF;
}

bool IsLowSurrogate(std::uint32_t value) {
    return value >= 0xDC00 && value <= 0xDFFF;
}

void AppendWide(std::wstring& out, std::uint32_t cp) {
    if (kUtf16 && cp >= 0x10000) {
        out += static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
        out += static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        return;
    }
    out += static_cast<wchar_t>(cp);
}

bool IsCodePoint(std::uint32_t value) {
    return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Length of the sequence a lead byte starts, 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80)
        return 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        return 2;
    if (lead >= 0xE0 && lead <= 0xEF)
        return 3;
    if (lead >= 0xF0 && lead <= 0xF4)
        return 4;
    return 0;
}

}  // namespace

std::string ToUtf8(std::wstring_view text, bool* usedDefault) {
    std::string out;
    out.reserve(text.size());
    bool substituted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto cp = static_cast<std::uint32_t>(text[i]);
        if (kUtf16 && IsHighSurrogate(cp) && i + 1 < text.size() &&
            IsLowSurrogate(static_cast<std::uint32_t>(text[i + 1]))) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (static_cast<std::uint32_t>(text[++i]) - 0xDC00);
        }
        if (IsCodePoint(cp)) {
            AppendUtf8(out, cp);
        } else {
            out += '?';
            substituted = true;
        }
    }
    if (usedDefault != nullptr) {
        *usedDefault = substituted;
    }
    return out;
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = SequenceLength(lead);
        if (length == 1) {
            out += static_cast<wchar_t>(lead);
            ++i;
            continue;
        }
        std::uint32_t cp = length == 2   ? (lead & 0x1Fu)
                           : length == 3 ? (lead & 0x0Fu)
                                         : (lead & 0x07u);
        int taken = 1;
        bool valid = length != 0;
        while (valid && taken < length) {
            if (i + static_cast<std::size_t>(taken) >= text.size()) {
                valid = false;
                break;
            }
            const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(taken)]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            cp = (cp << 6) | (next & 0x3Fu);
            ++taken;
        }
        // Overlong three- and four-byte forms, surrogates and values past U+10FFFF are not UTF-8.
        if (valid &&
            ((length == 3 && cp < 0x800) || (length == 4 && cp < 0x10000) || !IsCodePoint(cp))) {
            valid = false;
        }
        if (valid) {
            AppendWide(out, cp);
            i += static_cast<std::size_t>(length);
        } else {
            out += static_cast<wchar_t>(0xFFFD);
            i += 1;
        }
    }
    return out;
}

}  // namespace simwin
