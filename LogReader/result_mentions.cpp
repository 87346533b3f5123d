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

DecodedResult DecodeHresult(const std::string& hex) {
    DecodedResult result;
    result.kind = ResultKind::Hresult;
    result.field = "hr";
    result.written = "0x" + hex;
    result.value = ParseUnsigned(hex, 16);
    const ResultName name = NameHresult(result.value);
    result.known = name.known;
    result.name = name.name;
    result.meaning = name.meaning;
    // S_OK and S_FALSE have no system text worth showing beside a failure.
    if (result.value > 1) {
        result.systemText = SystemMessage(result.value);
    }
    return result;
}

DecodedResult DecodeWin32Error(const std::string& decimal) {
    DecodedResult result;
    result.kind = ResultKind::Win32Error;
    result.field = "errorMessageID";
    result.written = decimal;
    result.value = ParseUnsigned(decimal, 10);
    const ResultName name = NameWin32Error(result.value);
    result.known = name.known;
    result.name = name.name;
    result.meaning = name.meaning;
    if (result.value != 0) {
        result.systemText = SystemMessage(result.value);
    }
    return result;
}

DecodedResult DecodeExitCode(const std::string& decimal) {
    DecodedResult result;
    result.kind = ResultKind::ExitCode;
    result.field = "result";
    result.written = decimal;
    const int code = std::atoi(decimal.c_str());
    result.value = static_cast<std::uint32_t>(code);
    result.meaning = ExitCodeMeaning(code);
    result.known = !result.meaning.empty();
    return result;
}

DecodedResult DecodeReturnFlag(const std::string& decimal) {
    DecodedResult result;
    result.kind = ResultKind::ReturnFlag;
    result.field = "ret";
    result.written = decimal;
    const int flag = std::atoi(decimal.c_str());
    result.value = static_cast<std::uint32_t>(flag);
    result.known = flag == 0 || flag == 1;
    if (flag == 0) {
        result.meaning = "the binding configuration failed (the exit code stays 0)";
    } else if (flag == 1) {
        result.meaning = "the binding configuration succeeded";
    }
    return result;
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
