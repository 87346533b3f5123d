// wcscpy_s: a bounded copy of a wide string.
#include <windows.h>

#include "instrumentation/fault_rules.h"

#include <cerrno>
#include <cwchar>

errno_t wcscpy_s(wchar_t* dest, std::size_t destSize, const wchar_t* src) {
    if (auto fault = simwin::detail::TakeFault("wcscpy_s")) {
        if (fault->result != 0) {
            if (dest != nullptr && destSize > 0) {
                dest[0] = L'\0';
            }
            return static_cast<errno_t>(fault->result);
        }
    }
    if (dest == nullptr || destSize == 0) {
        errno = EINVAL;
        return EINVAL;
    }
    if (src == nullptr) {
        dest[0] = L'\0';
        errno = EINVAL;
        return EINVAL;
    }
    const std::size_t length = std::wcslen(src);
    if (length >= destSize) {
        dest[0] = L'\0';
        errno = ERANGE;
        return ERANGE;
    }
    std::wmemcpy(dest, src, length + 1);
    return 0;
}
