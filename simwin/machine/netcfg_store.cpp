#include "machine/netcfg_store.h"

#include "base/utf8.h"
#include "base/atomic_file.h"

#include <devguid.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <cwctype>
#include <filesystem>
#include <system_error>
#include <vector>

namespace simwin {

namespace {

constexpr char kFormatPrefix[] = "simwin-netcfg-store\t";
constexpr char kFormatLine[] = "simwin-netcfg-store\t2";
constexpr char kAppliedPrefix[] = "applied\t";
constexpr std::size_t kAppliedPrefixLength = sizeof kAppliedPrefix - 1;

// Whether a line cut short could be the start of an applied line: an Apply that did not finish.
bool IsUnfinishedApplied(const std::string& text, std::size_t start) {
    const std::size_t length = std::min(text.size() - start, kAppliedPrefixLength);
    return text.compare(start, length, kAppliedPrefix, length) == 0;
}

struct ClassEntry {
    ComponentClass componentClass;
    const char* name;
    const GUID* guid;
};

const ClassEntry kClasses[] = {
    {ComponentClass::Net, "net", &GUID_DEVCLASS_NET},
    {ComponentClass::NetService, "netservice", &GUID_DEVCLASS_NETSERVICE},
    {ComponentClass::NetTrans, "nettrans", &GUID_DEVCLASS_NETTRANS},
    {ComponentClass::NetClient, "netclient", &GUID_DEVCLASS_NETCLIENT},
};

std::vector<std::string> SplitOn(const std::string& line, char separator) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = line.find(separator, start);
        fields.push_back(line.substr(start, at - start));
        if (at == std::string::npos) {
            return fields;
        }
        start = at + 1;
    }
}

std::vector<std::string> SplitTabs(const std::string& line) {
    return SplitOn(line, '\t');
}

std::string JoinNames(const std::vector<std::wstring>& names) {
    if (names.empty()) {
        return "-";
    }
    std::string text;
    for (const std::wstring& name : names) {
        text += (text.empty() ? "" : ",") + ToUtf8(name);
    }
    return text;
}

// Equal without regard to letter case, compared a character at a time: the C library's vector
// comparison of wide strings reads past the end of short ones, which memory checkers report.
bool SameName(const std::wstring& first, const std::wstring& second) {
    if (first.size() != second.size()) {
        return false;
    }
    for (std::size_t i = 0; i < first.size(); ++i) {
        if (std::towlower(static_cast<wint_t>(first[i])) !=
            std::towlower(static_cast<wint_t>(second[i]))) {
            return false;
        }
    }
    return true;
}

bool AnyInCommon(const std::vector<std::wstring>& first, const std::vector<std::wstring>& second) {
    for (const std::wstring& name : first) {
        for (const std::wstring& other : second) {
            if (SameName(name, other)) {
                return true;
            }
        }
    }
    return false;
}

std::optional<unsigned> ParseInstance(const std::string& text) {
    if (text.empty() || text.size() > 9 || text[0] == '0') {
        return std::nullopt;
    }
    unsigned value = 0;
    for (char ch : text) {
        if (ch < '0' || ch > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(ch - '0');
    }
    return value;
}

std::optional<ComponentClass> ParseClass(const std::string& text) {
    for (const ClassEntry& entry : kClasses) {
        if (text == entry.name) {
            return entry.componentClass;
        }
    }
    return std::nullopt;
}

// Reads the lines of one store text; reports the first fault as "LINE: what".
class StoreParser {
public:
    StoreParser(NetCfgStore* store, StoreFileInfo* info) : store_(store), info_(info) {}

    bool Parse(const std::string& text, std::string* fault) {
        std::size_t start = 0;
        unsigned lineNumber = 0;
        while (start < text.size()) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos && lineNumber > 0 && IsUnfinishedApplied(text, start)) {
                // An applied line is appended in one write: without its end, that Apply did not
                // finish, and its states never took effect.
                info_->unfinishedApply = true;
                info_->appliedBytes += text.size() - start;
                break;
            }
            if (end == std::string::npos) {
                // The writer ends every line; a last line without its end was cut short.
                return Fault(lineNumber + 1, "line not ended (the file was cut short)", fault);
            }
            ++lineNumber;
            if (!ParseLine(text.substr(start, end - start), lineNumber, fault)) {
                return false;
            }
            if (appliedSeen_) {
                info_->appliedBytes += end + 1 - start;
            }
            start = end + 1;
        }
        if (lineNumber == 0) {
            return Fault(1, "empty file, expected the format line", fault);
        }
        return true;
    }

private:
    static bool Fault(unsigned line, const std::string& what, std::string* fault) {
        *fault = std::to_string(line) + ": " + what;
        return false;
    }

    bool ParseLine(const std::string& line, unsigned lineNumber, std::string* fault) {
        if (lineNumber == 1) {
            if (line == std::string(kFormatPrefix) + "1" || line == kFormatLine) {
                version_ = line.back() - '0';
                return true;
            }
            return Fault(1, "not a network configuration store of version 1 or 2", fault);
        }
        const std::vector<std::string> fields = SplitTabs(line);
        // Each kind of record has its place: components, references, bindings, applied lines.
        const int rank = fields[0] == "component"   ? 0
                         : fields[0] == "reference" ? 1
                         : fields[0] == "binding"   ? 2
                         : fields[0] == "applied"   ? 3
                                                    : -1;
        if (rank < 0 || (rank == 1 && version_ < 2)) {
            return Fault(lineNumber, "unknown record '" + fields[0] + "'", fault);
        }
        if (rank < rank_) {
            return Fault(lineNumber, "a " + fields[0] + " record after " + kRecordNames[rank_],
                         fault);
        }
        rank_ = rank;
        switch (rank) {
            case 0:
                return ParseComponent(fields, lineNumber, fault);
            case 1:
                return ParseReference(fields, lineNumber, fault);
            case 2:
                return ParseBinding(fields, lineNumber, fault);
            default:
                appliedSeen_ = true;
                return ParseApplied(fields, lineNumber, fault);
        }
    }

    // The component an instance field names, listed before the line.
    ComponentRecord* ListedComponent(const std::string& text) {
        const auto instance = ParseInstance(text);
        if (!instance) {
            return nullptr;
        }
        const auto found = store_->components.find(*instance);
        return found != store_->components.end() ? &found->second : nullptr;
    }

    bool ParseComponent(const std::vector<std::string>& fields, unsigned lineNumber,
                        std::string* fault) {
        const std::size_t wanted = version_ == 1 ? 7 : 9;
        if (fields.size() != wanted) {
            return Fault(lineNumber,
                         "a component record has " + std::to_string(wanted) + " fields, found " +
                             std::to_string(fields.size()),
                         fault);
        }
        ComponentRecord record;
        const auto instance = ParseInstance(fields[1]);
        if (!instance) {
            return Fault(lineNumber, "bad instance number '" + fields[1] + "'", fault);
        }
        if (store_->components.count(*instance) != 0) {
            return Fault(lineNumber, "instance " + fields[1] + " appears twice", fault);
        }
        const auto componentClass = ParseClass(fields[2]);
        if (!componentClass) {
            return Fault(lineNumber, "unknown class '" + fields[2] + "'", fault);
        }
        record.instance = *instance;
        record.componentClass = *componentClass;
        record.id = FromUtf8(fields[3]);
        if (record.id.empty() || record.id != LowerCaseId(record.id)) {
            return Fault(lineNumber, "the id '" + fields[3] + "' is empty or not in lower case",
                         fault);
        }
        record.displayName = FromUtf8(fields[4]);
        record.inf = fields[5];
        if (version_ == 1) {
            if (fields[6] != "binds" && fields[6] != "none") {
                return Fault(lineNumber, "expected 'binds' or 'none', found '" + fields[6] + "'",
                             fault);
            }
            record.interfaces = ImpliedInterfaces(record.componentClass, fields[6] == "binds");
        } else if (!ParseNames(fields[6], &record.interfaces.upperRange) ||
                   !ParseNames(fields[7], &record.interfaces.lowerRange) ||
                   !ParseNames(fields[8], &record.interfaces.filterMediaTypes)) {
            return Fault(lineNumber, "interface names are '-' or lower-case names joined by commas",
                         fault);
        }
        store_->components.emplace(record.instance, std::move(record));
        return true;
    }

    // "-", or names without blanks in lower case, joined by commas.
    static bool ParseNames(const std::string& text, std::vector<std::wstring>* names) {
        names->clear();
        if (text == "-") {
            return true;
        }
        for (const std::string& name : SplitOn(text, ',')) {
            const std::wstring wide = FromUtf8(name);
            if (!IsInterfaceName(wide) || std::any_of(wide.begin(), wide.end(), [](wchar_t ch) {
                    return ch >= L'A' && ch <= L'Z';
                })) {
                return false;
            }
            names->push_back(wide);
        }
        return true;
    }

    bool ParseReference(const std::vector<std::string>& fields, unsigned lineNumber,
                        std::string* fault) {
        ComponentRecord* component = fields.size() >= 3 ? ListedComponent(fields[1]) : nullptr;
        if (component == nullptr) {
            return Fault(lineNumber, "a reference names a component not listed before it", fault);
        }
        if (component->componentClass == ComponentClass::Net) {
            return Fault(lineNumber, "an adapter has no references", fault);
        }
        ComponentReference reference;
        const std::string& kind = fields[2];
        if (kind == "user" && fields.size() == 3) {
            reference.kind = ReferenceKind::User;
        } else if (kind == "component" && fields.size() == 4) {
            const ComponentRecord* other = ListedComponent(fields[3]);
            if (other == nullptr || other == component) {
                return Fault(lineNumber,
                             "a component reference names no other component listed before it",
                             fault);
            }
            reference.kind = ReferenceKind::Component;
            reference.component = other->instance;
        } else if (kind == "software" && fields.size() == 6 && !fields[3].empty() &&
                   !fields[4].empty()) {
            reference.kind = ReferenceKind::Software;
            reference.manufacturer = FromUtf8(fields[3]);
            reference.product = FromUtf8(fields[4]);
            reference.displayName = FromUtf8(fields[5]);
        } else {
            return Fault(lineNumber,
                         "expected 'user', 'component INSTANCE' or 'software MANUFACTURER "
                         "PRODUCT DISPLAY NAME' after the instance",
                         fault);
        }
        for (const ComponentReference& held : component->references) {
            if (held.SameToken(reference)) {
                return Fault(lineNumber, "the same reference appears twice", fault);
            }
        }
        component->references.push_back(std::move(reference));
        return true;
    }

    bool ParseBinding(const std::vector<std::string>& fields, unsigned lineNumber,
                      std::string* fault) {
        if (fields.size() != 4) {
            return Fault(lineNumber,
                         "a binding record has 4 fields, found " + std::to_string(fields.size()),
                         fault);
        }
        const auto upper = ParseInstance(fields[1]);
        const auto lower = ParseInstance(fields[2]);
        if (!upper || !lower) {
            return Fault(lineNumber, "bad instance number in a binding", fault);
        }
        const auto upperComponent = store_->components.find(*upper);
        const auto lowerComponent = store_->components.find(*lower);
        if (upperComponent == store_->components.end() ||
            lowerComponent == store_->components.end()) {
            return Fault(lineNumber, "a binding names a component not listed before it", fault);
        }
        if (!InterfacesMeet(upperComponent->second, lowerComponent->second)) {
            return Fault(lineNumber,
                         "a binding must lead to an adapter whose interfaces meet its upper "
                         "component's",
                         fault);
        }
        if (fields[3] != "enabled" && fields[3] != "disabled") {
            return Fault(lineNumber, "expected 'enabled' or 'disabled', found '" + fields[3] + "'",
                         fault);
        }
        if (!store_->bindings.emplace(BindingKey{*upper, *lower}, fields[3] == "enabled").second) {
            return Fault(lineNumber,
                         "the binding " + fields[1] + " -> " + fields[2] + " appears twice", fault);
        }
        return true;
    }

    bool ParseApplied(const std::vector<std::string>& fields, unsigned lineNumber,
                      std::string* fault) {
        if (fields.size() < 4 || (fields.size() - 1) % 3 != 0) {
            return Fault(lineNumber,
                         "an applied record has 3 fields for each binding, found " +
                             std::to_string(fields.size() - 1),
                         fault);
        }
        for (std::size_t i = 1; i < fields.size(); i += 3) {
            const auto upper = ParseInstance(fields[i]);
            const auto lower = ParseInstance(fields[i + 1]);
            if (!upper || !lower) {
                return Fault(lineNumber, "bad instance number in an applied record", fault);
            }
            const auto binding = store_->bindings.find(BindingKey{*upper, *lower});
            if (binding == store_->bindings.end()) {
                return Fault(lineNumber, "an applied record names a binding not listed before it",
                             fault);
            }
            const std::string& state = fields[i + 2];
            if (state != "enabled" && state != "disabled") {
                return Fault(lineNumber, "expected 'enabled' or 'disabled', found '" + state + "'",
                             fault);
            }
            binding->second = state == "enabled";
        }
        return true;
    }

    static constexpr const char* kRecordNames[] = {"the components", "the references",
                                                   "the bindings", "an applied record"};

    NetCfgStore* store_;
    StoreFileInfo* info_;
    int version_ = 2;
    int rank_ = 0;  // the kind of the last record read, in the order of kRecordNames
    bool appliedSeen_ = false;
};

}  // namespace

bool HoldsMachine(const std::string& root) {
    std::error_code failure;
    const bool found =
        std::filesystem::exists(std::filesystem::u8path(root + "/netcfg.store"), failure);
    // A store that cannot even be looked at (a folder without search rights) still marks a
    // machine: reading it then names the fault.
    return found || static_cast<bool>(failure);
}

StoreReadResult ReadNetCfgStore(const std::string& path, NetCfgStore* store, std::string* error,
                                StoreFileInfo* info) {
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        const bool missing = errno == ENOENT;
        *error = path + ": cannot read the network configuration store: " + std::strerror(errno);
        return missing ? StoreReadResult::Missing : StoreReadResult::Unreadable;
    }
    NetCfgStore parsed;
    StoreFileInfo fileInfo;
    fileInfo.bytes = text.size();
    StoreParser parser(&parsed, &fileInfo);
    std::string fault;
    if (!parser.Parse(text, &fault)) {
        *error = path + ":" + fault;
        return StoreReadResult::Corrupt;
    }
    *store = std::move(parsed);
    if (info != nullptr) {
        *info = fileInfo;
    }
    return StoreReadResult::Ok;
}

std::string FormatNetCfgStore(const NetCfgStore& store) {
    std::string text;
    // About 40 bytes a binding: keeps a large store to one allocation.
    text.reserve(64 + store.components.size() * 96 + store.bindings.size() * 40);
    text += kFormatLine;
    text += '\n';
    for (const auto& [instance, component] : store.components) {
        text += "component\t";
        text += std::to_string(instance);
        text += '\t';
        text += ClassName(component.componentClass);
        text += '\t';
        text += ToUtf8(component.id);
        text += '\t';
        text += ToUtf8(component.displayName);
        text += '\t';
        text += component.inf;
        text += '\t';
        text += JoinNames(component.interfaces.upperRange);
        text += '\t';
        text += JoinNames(component.interfaces.lowerRange);
        text += '\t';
        text += JoinNames(component.interfaces.filterMediaTypes);
        text += '\n';
    }
    for (const auto& [instance, component] : store.components) {
        for (const ComponentReference& reference : component.references) {
            text += "reference\t";
            text += std::to_string(instance);
            switch (reference.kind) {
                case ReferenceKind::User:
                    text += "\tuser\n";
                    break;
                case ReferenceKind::Component:
                    text += "\tcomponent\t" + std::to_string(reference.component) + "\n";
                    break;
                case ReferenceKind::Software:
                    text += "\tsoftware\t" + ToUtf8(reference.manufacturer) + "\t" +
                            ToUtf8(reference.product) + "\t" + ToUtf8(reference.displayName) + "\n";
                    break;
            }
        }
    }
    for (const auto& [key, enabled] : store.bindings) {
        text += "binding\t";
        text += std::to_string(key.first);
        text += '\t';
        text += std::to_string(key.second);
        text += enabled ? "\tenabled\n" : "\tdisabled\n";
    }
    return text;
}

bool WriteNetCfgStore(const std::string& path, const NetCfgStore& store, std::string* error) {
    return WriteFileAtomically(path, FormatNetCfgStore(store), error);
}

std::string FormatAppliedRecord(const std::map<BindingKey, bool>& states) {
    std::string text = "applied";
    for (const auto& [key, enabled] : states) {
        text += '\t';
        text += std::to_string(key.first);
        text += '\t';
        text += std::to_string(key.second);
        text += enabled ? "\tenabled" : "\tdisabled";
    }
    text += '\n';
    return text;
}

const GUID& ClassGuid(ComponentClass componentClass) {
    for (const ClassEntry& entry : kClasses) {
        if (entry.componentClass == componentClass) {
            return *entry.guid;
        }
    }
    return GUID_DEVCLASS_NET;
}

std::optional<ComponentClass> ClassFromGuid(const GUID& guid) {
    for (const ClassEntry& entry : kClasses) {
        if (*entry.guid == guid) {
            return entry.componentClass;
        }
    }
    return std::nullopt;
}

const char* ClassName(ComponentClass componentClass) {
    for (const ClassEntry& entry : kClasses) {
        if (entry.componentClass == componentClass) {
            return entry.name;
        }
    }
    return "net";
}

std::wstring LowerCaseId(const std::wstring& id) {
    std::wstring lower = id;
    for (wchar_t& ch : lower) {
        ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
    }
    return lower;
}

std::string DescribeReference(const NetCfgStore& store, const ComponentReference& reference) {
    switch (reference.kind) {
        case ReferenceKind::User:
            return "user";
        case ReferenceKind::Component: {
            const auto found = store.components.find(reference.component);
            return "component " + (found != store.components.end() ? ToUtf8(found->second.id)
                                                                   : std::string("(removed)"));
        }
        case ReferenceKind::Software:
            return "software \"" + ToUtf8(reference.manufacturer) + "\" \"" +
                   ToUtf8(reference.product) + "\" \"" + ToUtf8(reference.displayName) + "\"";
    }
    return "?";
}

bool IsInterfaceName(const std::wstring& name) {
    if (name.empty()) {
        return false;
    }
    for (wchar_t ch : name) {
        const bool letterOrDigit =
            (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z') || (ch >= L'0' && ch <= L'9');
        if (!letterOrDigit && ch != L'_') {
            return false;
        }
    }
    return true;
}

bool ComponentReference::SameToken(const ComponentReference& other) const {
    if (kind != other.kind) {
        return false;
    }
    switch (kind) {
        case ReferenceKind::User:
            return true;
        case ReferenceKind::Component:
            return component == other.component;
        case ReferenceKind::Software:
            return SameName(manufacturer, other.manufacturer) && SameName(product, other.product);
    }
    return false;
}

BindingInterfaces ImpliedInterfaces(ComponentClass componentClass, bool bindsToAdapters) {
    BindingInterfaces interfaces;
    switch (componentClass) {
        case ComponentClass::Net:
            interfaces.upperRange = {L"ndis5"};
            interfaces.lowerRange = {L"ethernet"};
            break;
        case ComponentClass::NetTrans:
            interfaces.lowerRange = {L"ndis5"};
            break;
        case ComponentClass::NetService:
            if (bindsToAdapters) {
                interfaces.filterMediaTypes = {L"ethernet"};
            }
            break;
        case ComponentClass::NetClient:
            break;
    }
    return interfaces;
}

bool InterfacesMeet(const ComponentRecord& upper, const ComponentRecord& lower) {
    if (lower.componentClass != ComponentClass::Net ||
        upper.componentClass == ComponentClass::Net) {
        return false;
    }
    if (AnyInCommon(upper.interfaces.lowerRange, lower.interfaces.upperRange)) {
        return true;
    }
    return upper.componentClass == ComponentClass::NetService &&
           AnyInCommon(upper.interfaces.filterMediaTypes, lower.interfaces.lowerRange);
}

}  // namespace simwin
