#include "machine/inf_file.h"

#include "base/utf8.h"

#include <cwctype>

namespace simwin {

namespace {

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\r';
}

std::wstring Trim(const std::wstring& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

// The bytes as wide text: UTF-16LE when they start with its byte-order mark, else UTF-8.
bool DecodeText(const std::string& bytes, std::wstring* text) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        text->clear();
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                                   (static_cast<unsigned char>(bytes[i + 1]) << 8));
            if (unit == 0) {
                return false;
            }
            text->push_back(unit);
        }
        return true;
    }
    if (bytes.find('\0') != std::string::npos) {
        return false;  // a binary file
    }
    const bool utf8Mark = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    *text = FromUtf8(utf8Mark ? bytes.substr(3) : bytes);
    return true;
}

// One logical line split into its key and values, quotes removed ("" inside quotes is one
// quote), the comment cut off.
bool SplitLine(const std::wstring& line, InfLine* parsed) {
    std::vector<std::wstring> fields(1);
    bool quoted = false;
    bool sawEquals = false;
    std::wstring key;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const wchar_t ch = line[i];
        if (quoted) {
            if (ch == L'"' && i + 1 < line.size() && line[i + 1] == L'"') {
                fields.back() += L'"';
                ++i;
            } else if (ch == L'"') {
                quoted = false;
            } else {
                fields.back() += ch;
            }
            continue;
        }
        if (ch == L'"') {
            quoted = true;
        } else if (ch == L';') {
            break;
        } else if (ch == L'=' && !sawEquals && fields.size() == 1) {
            sawEquals = true;
            key = Trim(fields.back());
            fields.back().clear();
        } else if (ch == L',') {
            fields.emplace_back();
        } else {
            fields.back() += ch;
        }
    }
    if (quoted) {
        return false;
    }
    for (std::wstring& field : fields) {
        field = Trim(field);
    }
    parsed->key = key;
    if (fields.size() == 1 && fields[0].empty() && !sawEquals) {
        fields.clear();
    }
    parsed->values = std::move(fields);
    return true;
}

// The line without its comment, for telling a comment-only line from a real one.
std::wstring StripComment(const std::wstring& line) {
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == L'"') {
            quoted = !quoted;
        } else if (line[i] == L';' && !quoted) {
            return Trim(line.substr(0, i));
        }
    }
    return Trim(line);
}

int HexDigit(wchar_t ch) {
    if (ch >= L'0' && ch <= L'9')
        return ch - L'0';
    if (ch >= L'a' && ch <= L'f')
        return ch - L'a' + 10;
    if (ch >= L'A' && ch <= L'F')
        return ch - L'A' + 10;
    return -1;
}

bool ParseHex(const std::wstring& text, std::size_t at, std::size_t digits, std::uint64_t* value) {
    *value = 0;
    for (std::size_t i = 0; i < digits; ++i) {
        const int digit = HexDigit(text[at + i]);
        if (digit < 0) {
            return false;
        }
        *value = (*value << 4) | static_cast<std::uint64_t>(digit);
    }
    return true;
}

bool IsWantedDecoration(const std::wstring& decoration) {
    const std::wstring folded = FoldCase(decoration);
    return folded == L"nt" || folded.compare(0, 7, L"ntamd64") == 0;
}

}  // namespace

std::wstring FoldCase(const std::wstring& text) {
    std::wstring folded = text;
    for (wchar_t& ch : folded) {
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    }
    return folded;
}

std::optional<GUID> ParseGuid(const std::wstring& input) {
    std::wstring text = Trim(input);
    if (text.size() == 38 && text.front() == L'{' && text.back() == L'}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36 || text[8] != L'-' || text[13] != L'-' || text[18] != L'-' ||
        text[23] != L'-') {
        return std::nullopt;
    }
    GUID guid{};
    std::uint64_t value = 0;
    if (!ParseHex(text, 0, 8, &value))
        return std::nullopt;
    guid.Data1 = static_cast<std::uint32_t>(value);
    if (!ParseHex(text, 9, 4, &value))
        return std::nullopt;
    guid.Data2 = static_cast<std::uint16_t>(value);
    if (!ParseHex(text, 14, 4, &value))
        return std::nullopt;
    guid.Data3 = static_cast<std::uint16_t>(value);
    const std::size_t byteStarts[8] = {19, 21, 24, 26, 28, 30, 32, 34};
    for (int i = 0; i < 8; ++i) {
        if (!ParseHex(text, byteStarts[i], 2, &value))
            return std::nullopt;
        guid.Data4[i] = static_cast<std::uint8_t>(value);
    }
    return guid;
}

InfParseResult InfFile::Parse(const std::string& bytes, InfFile* inf, std::string* error) {
    std::wstring text;
    if (!DecodeText(bytes, &text)) {
        *error = "not a text file";
        return InfParseResult::SyntaxError;
    }
    InfFile parsed;
    unsigned lineNumber = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) {
            end = text.size();
        }
        ++lineNumber;
        const unsigned firstLine = lineNumber;
        std::wstring line = text.substr(start, end - start);
        start = end + 1;
        // A line whose text ends in '\' goes on in the next one.
        while (!StripComment(line).empty() && StripComment(line).back() == L'\\' &&
               start < text.size()) {
            line = StripComment(line);
            line.pop_back();
            end = text.find(L'\n', start);
            if (end == std::wstring::npos) {
                end = text.size();
            }
            line += text.substr(start, end - start);
            start = end + 1;
            ++lineNumber;
        }
        const std::wstring content = StripComment(line);
        if (content.empty()) {
            continue;
        }
        if (content.front() == L'[') {
            const std::size_t close = content.find(L']');
            if (close == std::wstring::npos || !Trim(content.substr(close + 1)).empty()) {
                *error = "line " + std::to_string(firstLine) + ": broken section header";
                return InfParseResult::SyntaxError;
            }
            parsed.sections_.push_back({Trim(content.substr(1, close - 1)), {}});
            continue;
        }
        if (parsed.sections_.empty()) {
            *error = "line " + std::to_string(firstLine) + ": text before the first section";
            return InfParseResult::SyntaxError;
        }
        InfLine entry;
        if (!SplitLine(line, &entry)) {
            *error = "line " + std::to_string(firstLine) + ": unterminated quoted string";
            return InfParseResult::SyntaxError;
        }
        entry.lineNumber = firstLine;
        parsed.sections_.back().lines.push_back(std::move(entry));
    }
    const auto signature = parsed.Value(L"Version", L"Signature");
    const std::wstring folded = signature ? FoldCase(*signature) : std::wstring();
    if (folded != L"$windows nt$" && folded != L"$chicago$") {
        *error = "no [Version] section with a Signature of \"$Windows NT$\" or \"$Chicago$\"";
        return InfParseResult::WrongStyle;
    }
    *inf = std::move(parsed);
    return InfParseResult::Ok;
}

const InfSection* InfFile::Section(const std::wstring& name) const {
    const std::wstring folded = FoldCase(name);
    for (const InfSection& section : sections_) {
        if (FoldCase(section.name) == folded) {
            return &section;
        }
    }
    return nullptr;
}

std::optional<std::wstring> InfFile::Value(const std::wstring& sectionName,
                                           const std::wstring& key) const {
    const InfSection* section = Section(sectionName);
    if (section == nullptr) {
        return std::nullopt;
    }
    const std::wstring folded = FoldCase(key);
    for (const InfLine& line : section->lines) {
        if (FoldCase(line.key) == folded) {
            return Substitute(line.values.empty() ? std::wstring() : line.values[0]);
        }
    }
    return std::nullopt;
}

std::wstring InfFile::Substitute(const std::wstring& text) const {
    std::wstring result;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t open = text.find(L'%', at);
        const std::size_t close =
            open == std::wstring::npos ? std::wstring::npos : text.find(L'%', open + 1);
        if (close == std::wstring::npos) {
            result += text.substr(at);
            break;
        }
        result += text.substr(at, open - at);
        const std::wstring name = text.substr(open + 1, close - open - 1);
        if (name.empty()) {
            result += L'%';
        } else if (const InfSection* strings = Section(L"Strings")) {
            const std::wstring folded = FoldCase(name);
            bool found = false;
            for (const InfLine& line : strings->lines) {
                if (FoldCase(line.key) == folded && !line.values.empty()) {
                    result += line.values[0];
                    found = true;
                    break;
                }
            }
            if (!found) {
                result += text.substr(open, close - open + 1);
            }
        } else {
            result += text.substr(open, close - open + 1);
        }
        at = close + 1;
    }
    return result;
}

std::optional<GUID> InfFile::ClassGuid() const {
    const auto value = Value(L"Version", L"ClassGUID");
    return value ? ParseGuid(*value) : std::nullopt;
}

std::optional<InfModel> InfFile::FindModel(const std::wstring& hardwareId) const {
    const InfSection* manufacturer = Section(L"Manufacturer");
    if (manufacturer == nullptr) {
        return std::nullopt;
    }
    const std::wstring wanted = FoldCase(hardwareId);
    for (const InfLine& line : manufacturer->lines) {
        if (line.values.empty()) {
            continue;
        }
        // "%Maker% = Models, NTamd64": the decorated sections suit this machine best.
        std::vector<std::wstring> candidates;
        for (std::size_t i = 1; i < line.values.size(); ++i) {
            if (IsWantedDecoration(line.values[i])) {
                candidates.push_back(line.values[0] + L"." + line.values[i]);
            }
        }
        candidates.push_back(line.values[0]);
        for (const std::wstring& modelsName : candidates) {
            const InfSection* models = Section(modelsName);
            if (models == nullptr) {
                continue;
            }
            for (const InfLine& model : models->lines) {
                if (model.values.size() >= 2 && FoldCase(model.values[1]) == wanted) {
                    return InfModel{Substitute(model.key), model.values[0], model.values[1]};
                }
            }
        }
    }
    return std::nullopt;
}

}  // namespace simwin
