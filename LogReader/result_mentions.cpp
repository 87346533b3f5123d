#include "result_mentions.h"

#include "result_names.h"
#include "system_message.h"

#include <cstddef>
#include <limits>
#include <optional>

namespace logreader {

namespace {

// The four ways a value is written, each found by its literal start and read by a scan that
// looks at every character once: a message of any length costs time in proportion to it, and
// no stack.
constexpr char kHrStart[] = "hr='";
constexpr char kHrMiddle[] = "' / hr='0x";
constexpr std::size_t kHrHexDigits = 8;
constexpr char kWin32Start[] = "errorMessageID=";
constexpr char kExitCodeStart[] = "result=";
constexpr char kFlagStart[] = "ret=";

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsWordCharacter(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

bool LiteralAt(const std::string& text, std::size_t at, const char* literal) {
    return text.compare(at, std::char_traits<char>::length(literal), literal) == 0;
}

// The end of the run of decimal digits at text[at], with a leading '-' when signed; npos when
// there is no digit.
std::size_t DecimalEnd(const std::string& text, std::size_t at, bool signedValue) {
    std::size_t end = at;
    if (signedValue && end < text.size() && text[end] == '-') {
        ++end;
    }
    const std::size_t digits = end;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    return end == digits ? std::string::npos : end;
}

// The decimal text's value, when it lies between lowest and highest.
std::optional<long long> DecimalValue(const std::string& written, long long lowest,
                                      long long highest) {
    const bool negative = written[0] == '-';
    const long long limit = negative ? -lowest : highest;
    long long magnitude = 0;
    for (std::size_t i = negative ? 1 : 0; i < written.size(); ++i) {
        const int digit = written[i] - '0';
        // Tested before the digit is added, so that no run of digits overflows.
        if (magnitude > (limit - digit) / 10) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + digit;
    }
    return negative ? -magnitude : magnitude;
}

std::uint32_t HexValue(const std::string& hex) {
    std::uint32_t value = 0;
    for (const char c : hex) {
        const std::uint32_t digit = IsDigit(c) ? static_cast<std::uint32_t>(c - '0')
                                    : (c >= 'a' && c <= 'f')
                                        ? static_cast<std::uint32_t>(c - 'a' + 10)
                                        : static_cast<std::uint32_t>(c - 'A' + 10);
        value = value * 16 + digit;
    }
    return value;
}

// A value written in a field whose type cannot hold it: shown as written, decoded to nothing.
DecodedResult OutOfRange(ResultKind kind, const char* field, const std::string& written) {
    DecodedResult result;
    result.kind = kind;
    result.field = field;
    result.written = written;
    result.inRange = false;
    return result;
}

// A result read from the log: its kind, the field it was written in, the text as written and
// its value, named; with the system's text when the value is not a success (above threshold).
DecodedResult NamedResult(ResultKind kind, const char* field, const std::string& written,
                          std::uint32_t value, const ResultName& name,
                          std::uint32_t lastWithoutText) {
    DecodedResult result;
    result.kind = kind;
    result.field = field;
    result.written = written;
    result.value = value;
    result.known = name.known;
    result.name = name.name;
    result.meaning = name.meaning;
    if (value > lastWithoutText) {
        result.systemText = SystemMessage(value);
    }
    return result;
}

DecodedResult DecodeHresult(const std::string& hex) {
    const std::uint32_t value = HexValue(hex);
    // S_OK and S_FALSE have no system text worth showing beside a failure.
    return NamedResult(ResultKind::Hresult, "hr", "0x" + hex, value, NameHresult(value), 1);
}

// "%lu": an unsigned 32-bit value.
DecodedResult DecodeWin32Error(const std::string& decimal) {
    const std::optional<long long> value =
        DecimalValue(decimal, 0, std::numeric_limits<std::uint32_t>::max());
    if (!value) {
        return OutOfRange(ResultKind::Win32Error, "errorMessageID", decimal);
    }
    const auto code = static_cast<std::uint32_t>(*value);
    return NamedResult(ResultKind::Win32Error, "errorMessageID", decimal, code,
                       NameWin32Error(code), 0);
}

// A result written in decimal ("%d", a signed 32-bit value) whose meaning the reader knows
// without a name: known when the meaning is not empty.
DecodedResult MeaningOnlyResult(ResultKind kind, const char* field, const std::string& decimal,
                                std::string (*meaningOf)(int)) {
    const std::optional<long long> value =
        DecimalValue(decimal, std::numeric_limits<std::int32_t>::min(),
                     std::numeric_limits<std::int32_t>::max());
    if (!value) {
        return OutOfRange(kind, field, decimal);
    }
    DecodedResult result;
    result.kind = kind;
    result.field = field;
    result.written = decimal;
    const auto number = static_cast<int>(*value);
    result.value = static_cast<std::uint32_t>(number);
    result.meaning = meaningOf(number);
    result.known = !result.meaning.empty();
    return result;
}

std::string ReturnFlagMeaning(int flag) {
    if (flag == 0) {
        return "the binding configuration failed (the exit code stays 0)";
    }
    if (flag == 1) {
        return "the binding configuration succeeded";
    }
    return {};
}

DecodedResult DecodeExitCode(const std::string& decimal) {
    return MeaningOnlyResult(ResultKind::ExitCode, "result", decimal, ExitCodeMeaning);
}

DecodedResult DecodeReturnFlag(const std::string& decimal) {
    return MeaningOnlyResult(ResultKind::ReturnFlag, "ret", decimal, ReturnFlagMeaning);
}

// The hr pair at text[at] ("hr='-2147180508' / hr='0x8004a024'"): its end, and its hexadecimal
// half in *hex; npos when there is none there.
std::size_t HrPairEnd(const std::string& text, std::size_t at, std::string* hex) {
    const std::size_t decimalEnd =
        DecimalEnd(text, at + std::char_traits<char>::length(kHrStart), true);
    if (decimalEnd == std::string::npos || !LiteralAt(text, decimalEnd, kHrMiddle)) {
        return std::string::npos;
    }
    const std::size_t hexStart = decimalEnd + std::char_traits<char>::length(kHrMiddle);
    std::size_t end = hexStart;
    while (end < text.size() && end - hexStart < kHrHexDigits && IsHexDigit(text[end])) {
        ++end;
    }
    if (end - hexStart != kHrHexDigits || end >= text.size() || text[end] != '\'') {
        return std::string::npos;
    }
    *hex = text.substr(hexStart, kHrHexDigits);
    return end + 1;
}

// The decimal field that starts with the literal start at text[at]: its end and its digits in
// *written; npos when there is no digit after it.
std::size_t DecimalFieldEnd(const std::string& text, std::size_t at, const char* start,
                            bool signedValue, std::string* written) {
    const std::size_t valueStart = at + std::char_traits<char>::length(start);
    const std::size_t end = DecimalEnd(text, valueStart, signedValue);
    if (end != std::string::npos) {
        *written = text.substr(valueStart, end - valueStart);
    }
    return end;
}

}  // namespace

std::vector<DecodedResult> DecodeResults(const std::string& message) {
    std::vector<DecodedResult> results;
    std::size_t at = 0;
    while (at < message.size()) {
        // Every way a value is written starts with 'h', 'e' or 'r'.
        const char first = message[at];
        if (first != 'h' && first != 'e' && first != 'r') {
            ++at;
            continue;
        }
        // "result=" and "ret=" count only at the start of a word.
        const bool wordStart = at == 0 || !IsWordCharacter(message[at - 1]);
        std::string written;
        std::size_t end = std::string::npos;
        if (LiteralAt(message, at, kHrStart)) {
            end = HrPairEnd(message, at, &written);
            if (end != std::string::npos) {
                results.push_back(DecodeHresult(written));
            }
        } else if (LiteralAt(message, at, kWin32Start)) {
            end = DecimalFieldEnd(message, at, kWin32Start, false, &written);
            if (end != std::string::npos) {
                results.push_back(DecodeWin32Error(written));
            }
        } else if (wordStart && LiteralAt(message, at, kExitCodeStart)) {
            end = DecimalFieldEnd(message, at, kExitCodeStart, true, &written);
            if (end != std::string::npos) {
                results.push_back(DecodeExitCode(written));
            }
        } else if (wordStart && LiteralAt(message, at, kFlagStart)) {
            end = DecimalFieldEnd(message, at, kFlagStart, true, &written);
            if (end != std::string::npos) {
                results.push_back(DecodeReturnFlag(written));
            }
        }
        // A value's digits are read once: the scan goes on after it.
        at = end != std::string::npos ? end : at + 1;
    }
    return results;
}

}  // namespace logreader
