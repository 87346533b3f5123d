// Reading an INF file: sections, "key = value, value" lines, quoted strings, ';' comments,
// '\' line continuations, %string% substitution from [Strings], and the models lines that the
// [Manufacturer] section leads to.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace simwin {

struct InfLine {
    std::wstring key;  // empty for a line without '='
    std::vector<std::wstring> values;
    unsigned lineNumber = 0;
};

struct InfSection {
    std::wstring name;
    std::vector<InfLine> lines;
};

// One models line that names a hardware id: "%desc% = install-section, hwid[, compatible...]".
struct InfModel {
    std::wstring description;  // with %strings% substituted
    std::wstring installSection;
    std::wstring hardwareId;
};

enum class InfParseResult {
    Ok,
    SyntaxError,  // binary, a broken section header or quote, text before the first section
    WrongStyle,   // empty, or no [Version] with a Signature Windows accepts
};

class InfFile {
public:
    // Parses UTF-8 text (a UTF-8 or UTF-16LE byte-order mark is honoured). On failure error
    // says why, with the line.
    static InfParseResult Parse(const std::string& bytes, InfFile* inf, std::string* error);

    // Section names are compared without regard to case, as Windows does.
    const InfSection* Section(const std::wstring& name) const;
    // The first value of the first "key = ..." line of a section, %strings% substituted.
    std::optional<std::wstring> Value(const std::wstring& section, const std::wstring& key) const;
    // Replaces every %name% by its [Strings] value ("%%" is one '%'); an unknown name stays.
    std::wstring Substitute(const std::wstring& text) const;
    // [Version] ClassGUID, when present and well formed.
    std::optional<GUID> ClassGuid() const;
    // The models line that names hardwareId (compared without regard to case), looked up
    // through [Manufacturer]: the NTamd64 and NT decorated models sections first, then the
    // undecorated one.
    std::optional<InfModel> FindModel(const std::wstring& hardwareId) const;

private:
    std::vector<InfSection> sections_;
};

// Lower-case copy for case-insensitive comparison of INF names and ids.
std::wstring FoldCase(const std::wstring& text);
// "{4d36e972-e325-11ce-bfc1-08002be10318}" (braces optional, any case).
std::optional<GUID> ParseGuid(const std::wstring& text);

}  // namespace simwin
