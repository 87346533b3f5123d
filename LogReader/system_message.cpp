#include "system_message.h"

#ifdef _WIN32
#include <windows.h>

#include <cwchar>
#endif

namespace logreader {

#ifdef _WIN32

namespace {

// Frees a buffer that FormatMessageW allocated.
class LocalBuffer {
public:
    LocalBuffer() = default;
    ~LocalBuffer() { LocalFree(text_); }
    LocalBuffer(const LocalBuffer&) = delete;
    LocalBuffer& operator=(const LocalBuffer&) = delete;

    wchar_t* Get() const { return text_; }
    // The address FormatMessageW writes the allocated buffer's address to.
    LPWSTR Put() { return reinterpret_cast<LPWSTR>(&text_); }

private:
    wchar_t* text_ = nullptr;
};

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
    LocalBuffer buffer;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, buffer.Put(), 0, nullptr);
    if (length == 0 || buffer.Get() == nullptr) {
        return {};
    }
    // System messages end in a line end and may span lines; the reader shows them on one.
    std::wstring text(buffer.Get(), length);
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
