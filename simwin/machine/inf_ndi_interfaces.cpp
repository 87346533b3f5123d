#include "machine/inf_ndi_interfaces.h"

#include <cwctype>

namespace simwin {

namespace {

// The fields of a registry line: root, subkey, value name, flags, value.
constexpr std::size_t kRootField = 0;
constexpr std::size_t kSubkeyField = 1;
constexpr std::size_t kNameField = 2;
constexpr std::size_t kFirstValueField = 4;

// Whether text is folded, without regard to letter case, compared a character at a time (the C
// library's vector comparison of wide strings reads past the end of short ones, which memory
// checkers report).
bool Is(const std::wstring& text, const wchar_t* folded) {
    std::size_t i = 0;
    for (; i < text.size() && folded[i] != L'\0'; ++i) {
        if (static_cast<wchar_t>(std::towlower(static_cast<wint_t>(text[i]))) != folded[i]) {
            return false;
        }
    }
    return i == text.size() && folded[i] == L'\0';
}

// The interface names of a value: split at commas and blanks, in lower case.
std::vector<std::wstring> InterfaceNames(const std::wstring& value) {
    std::vector<std::wstring> names;
    std::wstring name;
    for (std::size_t i = 0; i <= value.size(); ++i) {
        const wchar_t ch = i < value.size() ? value[i] : L',';
        if (ch != L',' && ch != L' ' && ch != L'\t') {
            name += ch;
            continue;
        }
        if (IsInterfaceName(name)) {
            names.push_back(FoldCase(name));
        }
        name.clear();
    }
    return names;
}

// The AddReg section names an install section lists, on one or more AddReg lines.
std::vector<std::wstring> AddRegSections(const InfFile& inf, const std::wstring& installSection) {
    std::vector<std::wstring> names;
    const InfSection* section = inf.Section(installSection);
    if (section == nullptr) {
        return names;
    }
    for (const InfLine& line : section->lines) {
        if (!Is(line.key, L"addreg")) {
            continue;
        }
        for (const std::wstring& value : line.values) {
            if (!value.empty()) {
                names.push_back(inf.Substitute(value));
            }
        }
    }
    return names;
}

}  // namespace

std::optional<BindingInterfaces> ReadNdiInterfaces(const InfFile& inf,
                                                   const std::wstring& installSection) {
    BindingInterfaces interfaces;
    bool declared = false;
    for (const std::wstring& name : AddRegSections(inf, installSection)) {
        const InfSection* section = inf.Section(name);
        if (section == nullptr) {
            continue;
        }
        for (const InfLine& line : section->lines) {
            if (!line.key.empty() || line.values.size() <= kNameField ||
                !Is(inf.Substitute(line.values[kRootField]), L"hkr") ||
                !Is(inf.Substitute(line.values[kSubkeyField]), L"ndi\\interfaces")) {
                continue;
            }
            // An unquoted list is split into further fields: they belong to the value.
            std::wstring value;
            for (std::size_t i = kFirstValueField; i < line.values.size(); ++i) {
                value += (i > kFirstValueField ? L"," : L"") + inf.Substitute(line.values[i]);
            }
            const std::wstring valueName = inf.Substitute(line.values[kNameField]);
            std::vector<std::wstring>* target =
                Is(valueName, L"upperrange")         ? &interfaces.upperRange
                : Is(valueName, L"lowerrange")       ? &interfaces.lowerRange
                : Is(valueName, L"filtermediatypes") ? &interfaces.filterMediaTypes
                                                     : nullptr;
            if (target != nullptr) {
                *target = InterfaceNames(value);
                declared = true;
            }
        }
    }
    if (!declared) {
        return std::nullopt;
    }
    return interfaces;
}

}  // namespace simwin
