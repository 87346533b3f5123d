#include "terminal_text.h"

#include <cstddef>

namespace logreader {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

// The code point of the two- or three-byte UTF-8 sequence at text[at] that encodes a C1 or a
// bidirectional control, with its length; 0 for anything else.
char32_t ControlAt(const std::string& text, std::size_t at, std::size_t* length) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[at + k]); };
    // U+0080 to U+009F: C2 80 to C2 9F.
    if (byte(0) == 0xC2 && at + 1 < text.size() && byte(1) >= 0x80 && byte(1) <= 0x9F) {
        *length = 2;
        return byte(1);
    }
    if (byte(0) != 0xE2 || at + 2 >= text.size()) {
        return 0;
    }
    // U+202A to U+202E: E2 80 AA to E2 80 AE; U+2066 to U+2069: E2 81 A6 to E2 81 A9.
    const bool embedding = byte(1) == 0x80 && byte(2) >= 0xAA && byte(2) <= 0xAE;
    const bool isolate = byte(1) == 0x81 && byte(2) >= 0xA6 && byte(2) <= 0xA9;
    if (!embedding && !isolate) {
        return 0;
    }
    *length = 3;
    return 0x2000 + ((byte(1) & 0x3F) << 6) + (byte(2) & 0x3F);
}

void AppendByteEscape(std::string* out, unsigned char byte) {
    *out += "\\x";
    *out += kHexDigits[byte >> 4];
    *out += kHexDigits[byte & 0xF];
}

void AppendCodePointEscape(std::string* out, char32_t codePoint) {
    *out += "\\u";
    for (int shift = 12; shift >= 0; shift -= 4) {
        *out += kHexDigits[(codePoint >> shift) & 0xF];
    }
}

}  // namespace

std::string VisibleText(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t kept = 0;  // utf8[kept, at) is still to be copied as it is
    for (std::size_t at = 0; at < utf8.size();) {
        const auto byte = static_cast<unsigned char>(utf8[at]);
        std::size_t length = 1;
        char32_t control = 0;
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F) {
            control = byte;
        } else if (byte == 0xC2 || byte == 0xE2) {
            control = ControlAt(utf8, at, &length);
        }
        if (control == 0 && byte != 0) {
            ++at;
            continue;
        }
        out.append(utf8, kept, at - kept);
        if (control < 0x80) {
            AppendByteEscape(&out, static_cast<unsigned char>(control));
        } else {
            AppendCodePointEscape(&out, control);
        }
        at += length;
        kept = at;
    }
    out.append(utf8, kept, std::string::npos);
    return out;
}

}  // namespace logreader
