#include "result_mentions.h"

#include "result_names.h"
#include "system_message.h"

#include <cstdlib>
#include <regex>

namespace logreader {

namespace {

// The four ways a value is written; only one of the alternatives matches at a time.
const std::regex& MentionPattern() {
    static const std::regex pattern(R"(hr='(-?[0-9]+)' / hr='0x([0-9a-fA-F]{8})')"
                                    R"(|errorMessageID=([0-9]+))"
                                    R"(|\bresult=(-?[0-9]+))"
                                    R"(|\bret=(-?[0-9]+))");
    return pattern;
}

std::uint32_t ParseUnsigned(const std::string& text, int base) {
    return static_cast<std::uint32_t>(std::strtoull(text.c_str(), nullptr, base));
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
    const std::uint32_t value = ParseUnsigned(hex, 16);
    // S_OK and S_FALSE have no system text worth showing beside a failure.
    return NamedResult(ResultKind::Hresult, "hr", "0x" + hex, value, NameHresult(value), 1);
}

DecodedResult DecodeWin32Error(const std::string& decimal) {
    const std::uint32_t value = ParseUnsigned(decimal, 10);
    return NamedResult(ResultKind::Win32Error, "errorMessageID", decimal, value,
                       NameWin32Error(value), 0);
}

// A result written in decimal whose meaning the reader knows without a name: known when the
// meaning is not empty.
DecodedResult MeaningOnlyResult(ResultKind kind, const char* field, const std::string& decimal,
                                std::string (*meaningOf)(int)) {
    DecodedResult result;
    result.kind = kind;
    result.field = field;
    result.written = decimal;
    const int number = std::atoi(decimal.c_str());
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

}  // namespace

std::vector<DecodedResult> DecodeResults(const std::string& message) {
    std::vector<DecodedResult> results;
    const auto end = std::sregex_iterator();
    for (auto match = std::sregex_iterator(message.begin(), message.end(), MentionPattern());
         match != end; ++match) {
        if ((*match)[2].matched) {
            results.push_back(DecodeHresult((*match)[2].str()));
        } else if ((*match)[3].matched) {
            results.push_back(DecodeWin32Error((*match)[3].str()));
        } else if ((*match)[4].matched) {
            results.push_back(DecodeExitCode((*match)[4].str()));
        } else if ((*match)[5].matched) {
            results.push_back(DecodeReturnFlag((*match)[5].str()));
        }
    }
    return results;
}

}  // namespace logreader
