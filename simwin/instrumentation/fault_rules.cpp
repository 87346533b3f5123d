#include "instrumentation/fault_rules.h"

#include "base/utf8.h"
#include "base/atomic_file.h"
#include "base/machine_root.h"

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <sstream>

namespace simwin {

namespace {

struct FaultState {
    std::mutex mutex;
    std::vector<FaultRule> processRules;
    std::vector<FaultRule> machineRules;
    bool machineRulesLoaded = false;
    std::map<std::string, unsigned> occurrences;
};

FaultState& State() {
    static FaultState state;
    return state;
}

struct NamedValue {
    const char* name;
    std::int64_t value;
};

constexpr NamedValue kNamedResults[] = {
    {"S_OK", 0},
    {"S_FALSE", 1},
    {"TRUE", 1},
    {"FALSE", 0},
    {"E_FAIL", static_cast<std::int32_t>(0x80004005u)},
    {"E_NOTIMPL", static_cast<std::int32_t>(0x80004001u)},
    {"E_OUTOFMEMORY", static_cast<std::int32_t>(0x8007000Eu)},
    {"NETCFG_S_REBOOT", 0x0004A020},
    {"NETCFG_E_NO_WRITE_LOCK", static_cast<std::int32_t>(0x8004A024u)},
};

std::optional<std::int64_t> ParseNumber(const std::string& word) {
    for (const NamedValue& named : kNamedResults) {
        if (word == named.name) {
            return named.value;
        }
    }
    if (word.empty()) {
        return std::nullopt;
    }
    const bool hex = word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X');
    errno = 0;
    char* end = nullptr;
    if (hex) {
        const unsigned long long value = std::strtoull(word.c_str() + 2, &end, 16);
        if (errno != 0 || *end != '\0' || value > 0xFFFFFFFFull) {
            return std::nullopt;
        }
        // Eight hexadecimal digits are a 32-bit value: 0x8004A024 is a negative HRESULT.
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    const long long value = std::strtoll(word.c_str(), &end, 10);
    if (errno != 0 || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

std::vector<FaultRule> ReadMachineRules() {
    std::vector<FaultRule> rules;
    std::string text;
    if (!ReadWholeFile(MachinePath("faults"), &text)) {
        return rules;
    }
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        // A rule the tool would have refused cannot be in the file; a damaged line is skipped.
        if (auto rule = ParseFaultRule(line, nullptr)) {
            rules.push_back(*rule);
        }
    }
    return rules;
}

bool Applies(const FaultRule& rule, const std::string& call, unsigned occurrence) {
    if (rule.call != call) {
        return false;
    }
    switch (rule.when) {
        case FaultWhen::Nth:
            return occurrence == rule.n;
        case FaultWhen::FromNth:
            return occurrence >= rule.n;
        case FaultWhen::Always:
            return true;
    }
    return false;
}

bool Fail(std::string* error, const std::string& message) {
    if (error != nullptr) {
        *error = message;
    }
    return false;
}

}  // namespace

std::optional<FaultRule> ParseFaultRule(const std::string& line, std::string* error) {
    std::istringstream words(line);
    FaultRule rule;
    std::string resultWord;
    if (!(words >> rule.call >> resultWord)) {
        Fail(error, "a rule needs a call and a result");
        return std::nullopt;
    }
    const auto result = ParseNumber(resultWord);
    if (!result) {
        Fail(error, "'" + resultWord + "' is not a result");
        return std::nullopt;
    }
    rule.result = *result;
    std::string word;
    while (words >> word) {
        if (word == "always") {
            rule.when = FaultWhen::Always;
        } else if (word == "nth" || word == "from" || word == "error") {
            std::string valueWord;
            words >> valueWord;
            const auto value = ParseNumber(valueWord);
            if (word == "error") {
                // A last error is a 32-bit value: 0xE0000003 reads as negative and means the same.
                if (!value || *value < INT32_MIN || *value > 0xFFFFFFFFll) {
                    Fail(error, "'error' needs a 32-bit number");
                    return std::nullopt;
                }
                rule.lastError = static_cast<DWORD>(static_cast<std::uint32_t>(*value));
            } else {
                if (!value || *value < 1 || *value > 0xFFFFFFFFll) {
                    Fail(error, "'" + word + "' needs a number from 1 on");
                    return std::nullopt;
                }
                rule.when = word == "nth" ? FaultWhen::Nth : FaultWhen::FromNth;
                rule.n = static_cast<unsigned>(*value);
            }
        } else if (word == "text") {
            std::string rest;
            std::getline(words, rest);
            const auto start = rest.find_first_not_of(' ');
            rule.text = FromUtf8(start == std::string::npos ? std::string() : rest.substr(start));
            break;
        } else {
            Fail(error, "unknown word '" + word + "'");
            return std::nullopt;
        }
    }
    return rule;
}

std::string FormatFaultRule(const FaultRule& rule) {
    std::string text = rule.call + " " + std::to_string(rule.result);
    switch (rule.when) {
        case FaultWhen::Nth:
            text += " nth " + std::to_string(rule.n);
            break;
        case FaultWhen::FromNth:
            text += " from " + std::to_string(rule.n);
            break;
        case FaultWhen::Always:
            text += " always";
            break;
    }
    if (rule.lastError) {
        text += " error " + std::to_string(*rule.lastError);
    }
    if (!rule.text.empty()) {
        text += " text " + ToUtf8(rule.text);
    }
    return text;
}

void AddFaultRule(const FaultRule& rule) {
    FaultState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.processRules.push_back(rule);
}

void ClearFaultRules() {
    FaultState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    state.processRules.clear();
    state.machineRules.clear();
    state.machineRulesLoaded = false;
    state.occurrences.clear();
}

namespace detail {

std::optional<FaultHit> TakeFault(const char* call) {
    FaultState& state = State();
    std::lock_guard<std::mutex> guard(state.mutex);
    if (!state.machineRulesLoaded) {
        state.machineRules = ReadMachineRules();
        state.machineRulesLoaded = true;
    }
    const std::string name(call);
    const unsigned occurrence = ++state.occurrences[name];
    for (const auto* rules : {&state.processRules, &state.machineRules}) {
        for (const FaultRule& rule : *rules) {
            if (Applies(rule, name, occurrence)) {
                return FaultHit{rule.result, rule.lastError, rule.text};
            }
        }
    }
    return std::nullopt;
}

}  // namespace detail
}  // namespace simwin
