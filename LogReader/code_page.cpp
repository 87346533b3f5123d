#include "code_page.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>

#include <cerrno>
#endif

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

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

// The length of the well-formed start of bytes: ASCII is skipped eight bytes at a time, as a
// log's text is almost all ASCII.
std::size_t WellFormedLength(const std::string& bytes) {
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::uint64_t word = 0;
        if (i + sizeof word <= bytes.size()) {
            std::memcpy(&word, bytes.data() + i, sizeof word);
            if ((word & kHighBits) == 0) {
                i += sizeof word;
                continue;
            }
        }
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length == 0) {
            return i;
        }
        i += length;
    }
    return i;
}

std::string ReplaceMalformedUtf8(std::string bytes) {
    std::size_t i = WellFormedLength(bytes);
    if (i == bytes.size()) {
        return bytes;
    }
    std::string text;
    text.reserve(bytes.size() + 16);
    std::size_t kept = 0;  // bytes[kept, i) is well formed and still to be copied
    while (i < bytes.size()) {
        const std::size_t length = Utf8SequenceLength(bytes, i);
        if (length > 0) {
            i += length;
            continue;
        }
        text.append(bytes, kept, i - kept);
        text += kReplacement;
        kept = ++i;
    }
    text.append(bytes, kept, std::string::npos);
    return text;
}

}  // namespace

#ifdef _WIN32

namespace {

// Without WC_ERR_INVALID_CHARS, an unpaired surrogate is written as U+FFFD.
std::string WideToUtf8(const std::wstring& wide) {
    if (wide.empty()) {
        return {};
    }
    const int wideLength = static_cast<int>(wide.size());
    const int utf8Length =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (utf8Length <= 0) {
        return std::string(kReplacement);
    }
    std::string text(static_cast<std::size_t>(utf8Length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, text.data(), utf8Length, nullptr,
                        nullptr);
    return text;
}

}  // namespace

bool CanReadCodePage(unsigned codePage) {
    wchar_t converted = L'\0';
    return MultiByteToWideChar(codePage, 0, "a", 1, &converted, 1) == 1;
}

std::string CodePageToUtf8(std::string bytes, unsigned codePage) {
    if (bytes.empty()) {
        return {};
    }
    const int byteCount = static_cast<int>(bytes.size());
    const int wideLength = MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, nullptr, 0);
    if (wideLength <= 0) {
        return ReplaceMalformedUtf8(bytes);
    }
    std::wstring wide(static_cast<std::size_t>(wideLength), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), byteCount, wide.data(), wideLength);
    return WideToUtf8(wide);
}

std::string PathToUtf8(const std::filesystem::path& path) {
    return WideToUtf8(path.native());
}

#else

namespace {

bool IsUtf8(unsigned codePage) {
    return codePage == 0 || codePage == kThreadAnsiCodePage || codePage == kUtf8CodePage;
}

// iconv's converter from codePage to UTF-8; closed when the object goes.
class CodePageConverter {
public:
    explicit CodePageConverter(unsigned codePage)
        : converter_(::iconv_open("UTF-8", ("CP" + std::to_string(codePage)).c_str())) {}
    ~CodePageConverter() {
        if (ok()) {
            ::iconv_close(converter_);
        }
    }
    CodePageConverter(const CodePageConverter&) = delete;
    CodePageConverter& operator=(const CodePageConverter&) = delete;

    bool ok() const { return converter_ != reinterpret_cast<iconv_t>(-1); }

    std::string Convert(const std::string& bytes) const {
        std::string text;
        char* input = const_cast<char*>(bytes.data());  // iconv's signature; it reads only
        std::size_t inputLeft = bytes.size();
        char output[4096];
        while (inputLeft > 0) {
            char* written = output;
            std::size_t outputLeft = sizeof output;
            const std::size_t result =
                ::iconv(converter_, &input, &inputLeft, &written, &outputLeft);
            text.append(output, static_cast<std::size_t>(written - output));
            if (result == static_cast<std::size_t>(-1) && errno != E2BIG) {
                // A byte that starts no character of the code page, or a character cut short at
                // the end: one replacement, and on with the next byte.
                text += kReplacement;
                ++input;
                --inputLeft;
            }
        }
        return text;
    }

private:
    iconv_t converter_;
};

}  // namespace

bool CanReadCodePage(unsigned codePage) {
    return IsUtf8(codePage) || CodePageConverter(codePage).ok();
}

std::string CodePageToUtf8(std::string bytes, unsigned codePage) {
    if (!IsUtf8(codePage)) {
        const CodePageConverter converter(codePage);
        if (converter.ok()) {
            return converter.Convert(bytes);
        }
    }
    return ReplaceMalformedUtf8(std::move(bytes));
}

std::string PathToUtf8(const std::filesystem::path& path) {
    return ReplaceMalformedUtf8(path.native());
}

#endif

}  // namespace logreader
