#include "system_message.h"

#ifdef _WIN32
#include <windows.h>

#include <cwchar>
#include <memory>
#endif

namespace logreader {

#ifdef _WIN32

namespace {

// Frees a buffer that FormatMessageW allocated.
struct LocalFreeDeleter {
    void operator()(wchar_t* text) const { LocalFree(text); }
};
using LocalText = std::unique_ptr<wchar_t, LocalFreeDeleter>;

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return {};
    }
    std::string utf8(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), length,
                        nullptr, nullptr);
    return utf8;
}

}  // namespace

std::string SystemMessage(std::uint32_t code) {
    // With FORMAT_MESSAGE_ALLOCATE_BUFFER the buffer argument receives the allocated address.
    wchar_t* allocated = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<LPWSTR>(&allocated), 0, nullptr);
    const LocalText buffer(allocated);
    if (length == 0 || buffer == nullptr) {
        return {};
    }
    // System messages end in a line end and may span lines; the reader shows them on one.
    std::wstring text(buffer.get(), length);
    for (wchar_t& ch : text) {
        if (ch == L'\r' || ch == L'\n') {
            ch = L' ';
        }
    }
    const std::wstring::size_type end = text.find_last_not_of(L' ');
    text.erase(end == std::wstring::npos ? 0 : end + 1);
    return ToUtf8(text);
}

#else

std::string SystemMessage(std::uint32_t) {
    return {};
}

#endif

}  // namespace logreader
