// Feeds arbitrary bytes to the log reader as the content of a log: cut into lines and runs,
// each run summarised and formatted both ways. Besides not crashing, the text report must hold
// no control character a terminal would act on (the line feed aside), and every JSON document
// must parse.
#include "code_page.h"
#include "json_report.h"
#include "log_runs.h"
#include "text_report.h"

#include <nlohmann/json.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

// The first control character in text that the report must not hand to a terminal, as its
// offset; npos when there is none.
std::size_t FirstControl(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = [&](std::size_t k) {
            return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
        };
        const bool c0 = (byte < 0x20 && byte != '\n') || byte == 0x7F;
        const bool c1 = byte == 0xC2 && next(1) >= 0x80 && next(1) <= 0x9F;
        const bool bidi =
            byte == 0xE2 && ((next(1) == 0x80 && next(2) >= 0xAA && next(2) <= 0xAE) ||
                             (next(1) == 0x81 && next(2) >= 0xA6 && next(2) <= 0xA9));
        if (c0 || c1 || bidi) {
            return i;
        }
    }
    return std::string::npos;
}

void Check(logreader::RunSummary&& run) {
    const std::string text = logreader::FormatRunText(run);
    const std::size_t control = FirstControl(text);
    if (control != std::string::npos) {
        std::fprintf(stderr, "control character at %zu of the text report\n", control);
        std::abort();
    }
    const std::string json = logreader::FormatRunJson(run);
    if (!nlohmann::json::accept(json)) {
        std::fprintf(stderr, "the JSON report does not parse: %s\n", json.c_str());
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    logreader::SummarizeRuns(stream, logreader::kUtf8CodePage, Check);
    return 0;
}
