// Feeds arbitrary bytes to the INF reader and, when it accepts them, asks of the result every
// question the platform asks of an INF file. A refusal must say why in one line.
#include "machine/inf_file.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    simwin::InfFile inf;
    std::string error;
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    if (simwin::InfFile::Parse(bytes, &inf, &error) != simwin::InfParseResult::Ok) {
        if (error.empty() || error.find('\n') != std::string::npos) {
            std::abort();
        }
        return 0;
    }
    (void)inf.ClassGuid();
    (void)inf.Value(L"Version", L"Signature");
    for (const wchar_t* id : {L"root\\quorixvmini60_a", L"QUORIX_NdisLwf", L""}) {
        if (const auto model = inf.FindModel(id)) {
            (void)inf.Section(model->installSection);
            (void)inf.Substitute(model->description);
        }
    }
    if (const simwin::InfSection* strings = inf.Section(L"Strings")) {
        for (const simwin::InfLine& line : strings->lines) {
            for (const std::wstring& value : line.values) {
                (void)inf.Substitute(value);
                (void)simwin::ParseGuid(value);
            }
        }
    }
    return 0;
}
