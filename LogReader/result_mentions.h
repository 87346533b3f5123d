// The results written into a log message, found and decoded.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace logreader {

// What kind of value a message holds, by the way DriverInstaller writes it.
enum class ResultKind {
    Hresult,     // " hr='%ld' / hr='0x%08lx'": a platform result, decimal then hexadecimal
    Win32Error,  // "errorMessageID=%lu": a Win32 error code
    ExitCode,    // "result=%d": the install sequence's result, which became the exit code
    ReturnFlag,  // "ret=%d": the binding configuration's 1 (success) or 0 (failure)
};

struct DecodedResult {
    ResultKind kind = ResultKind::Hresult;
    std::string field;    // as in the message: "hr", "errorMessageID", "result", "ret"
    std::string written;  // the value as written: "0x8004a024", "2", "901"
    std::uint32_t value = 0;
    bool inRange = true;  // false: the value does not fit its field's type and is not decoded
    bool known = false;   // name and meaning were found
    std::string name;     // e.g. "NETCFG_E_NO_WRITE_LOCK"; empty for exit codes and flags
    std::string meaning;
    std::string systemText;  // the platform's own text, on Windows; otherwise empty
};

// Every result in message, in the order they appear, decoded. An hr pair is one result, read
// from its hexadecimal half. A value too large for its field ("result=4294968197" for a 32-bit
// "%d") comes back as written, with inRange false. The work grows with the message's length
// alone.
std::vector<DecodedResult> DecodeResults(const std::string& message);

}  // namespace logreader
