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
const Named<HRESULT> kResultNames[] = {
    {S_OK, L"S_OK"},
    {S_FALSE, L"S_FALSE"},
    {E_NOTIMPL, L"E_NOTIMPL"},
    {E_FAIL, L"E_FAIL"},
    {E_ACCESSDENIED, L"E_ACCESSDENIED"},
    {E_INVALIDARG, L"E_INVALIDARG"},
    {E_POINTER, L"E_POINTER"},
    {E_NOINTERFACE, L"E_NOINTERFACE"},
    {REGDB_E_CLASSNOTREG, L"REGDB_E_CLASSNOTREG"},
    {NETCFG_S_REBOOT, L"NETCFG_S_REBOOT"},
    {NETCFG_S_STILL_REFERENCED, L"NETCFG_S_STILL_REFERENCED"},
    {NETCFG_E_NO_WRITE_LOCK, L"NETCFG_E_NO_WRITE_LOCK"},
    {NETCFG_E_NEED_REBOOT, L"NETCFG_E_NEED_REBOOT"},
    {NETCFG_E_NOT_INITIALIZED, L"NETCFG_E_NOT_INITIALIZED"},
    {NETCFG_E_ALREADY_INITIALIZED, L"NETCFG_E_ALREADY_INITIALIZED"},
};

}  // namespace

std::wstring ResultText(HRESULT hr) {
    wchar_t number[16];
    std::swprintf(number, sizeof number / sizeof number[0], L"0x%08lx",
                  static_cast<unsigned long>(hr));
    const wchar_t* name = NameIn(kResultNames, hr, nullptr);
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
