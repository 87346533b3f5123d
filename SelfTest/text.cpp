#include "text.h"

#include <netcfgx.h>

#include <cstdio>
#include <cwchar>

namespace selftest {

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) {
        return std::string();
    }
    const int length = static_cast<int>(text.size());
    const int required =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (required <= 0) {
        return std::string();
    }
    std::string converted(static_cast<std::size_t>(required), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, &converted[0], required, nullptr, nullptr);
    return converted;
}

namespace {

// The results the checks meet most; any other is shown by its number alone.
const wchar_t* ResultName(HRESULT hr) {
    switch (hr) {
        case S_OK:
            return L"S_OK";
        case S_FALSE:
            return L"S_FALSE";
        case E_NOTIMPL:
            return L"E_NOTIMPL";
        case E_FAIL:
            return L"E_FAIL";
        case E_ACCESSDENIED:
            return L"E_ACCESSDENIED";
        case E_INVALIDARG:
            return L"E_INVALIDARG";
        case E_POINTER:
            return L"E_POINTER";
        case E_NOINTERFACE:
            return L"E_NOINTERFACE";
        case REGDB_E_CLASSNOTREG:
            return L"REGDB_E_CLASSNOTREG";
        case NETCFG_S_REBOOT:
            return L"NETCFG_S_REBOOT";
        case NETCFG_S_STILL_REFERENCED:
            return L"NETCFG_S_STILL_REFERENCED";
        case NETCFG_E_NO_WRITE_LOCK:
            return L"NETCFG_E_NO_WRITE_LOCK";
        case NETCFG_E_NEED_REBOOT:
            return L"NETCFG_E_NEED_REBOOT";
        case NETCFG_E_NOT_INITIALIZED:
            return L"NETCFG_E_NOT_INITIALIZED";
        case NETCFG_E_ALREADY_INITIALIZED:
            return L"NETCFG_E_ALREADY_INITIALIZED";
        default:
            return nullptr;
    }
}

}  // namespace

std::wstring ResultText(HRESULT hr) {
    wchar_t number[16];
    std::swprintf(number, sizeof number / sizeof number[0], L"0x%08lx",
                  static_cast<unsigned long>(hr));
    const wchar_t* name = ResultName(hr);
    return name == nullptr ? std::wstring(number) : std::wstring(number) + L" (" + name + L")";
}

std::string JsonString(const std::wstring& text) {
    std::string json = "\"";
    for (const char ch : ToUtf8(text)) {
        const auto byte = static_cast<unsigned char>(ch);
        if (ch == '"' || ch == '\\') {
            json += '\\';
            json += ch;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(byte));
            json += escaped;
        } else {
            json += ch;
        }
    }
    return json + "\"";
}

}  // namespace selftest
