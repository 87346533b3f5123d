#include "kernel/wide_result.h"

#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <algorithm>

namespace simwin::detail {

DWORD CopyWideResult(const std::wstring& value, LPWSTR buffer, DWORD bufferLength) {
    const auto length = static_cast<DWORD>(value.size());
    if (buffer == nullptr || bufferLength <= length) {
        return length + 1;
    }
    std::copy(value.begin(), value.end(), buffer);
    buffer[length] = L'\0';
    return length;
}

DWORD FolderCall(const char* call, LPWSTR buffer, DWORD bufferLength,
                 const std::function<std::optional<std::wstring>()>& readFolder) {
    DWORD result = 0;
    if (auto fault = TakeFault(call)) {
        fault->ApplyLastError();
        result = static_cast<DWORD>(fault->result);
    } else if (const auto folder = readFolder()) {
        result = CopyWideResult(*folder, buffer, bufferLength);
    }
    Record(std::string(call) + " " + std::to_string(bufferLength) + " -> " +
           std::to_string(result));
    return result;
}

}  // namespace simwin::detail
