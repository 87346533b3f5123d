#include "kernel/wide_result.h"

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

}  // namespace simwin::detail
