#include "log_location.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cctype>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#ifndef _WIN32
extern char** environ;
#endif

namespace logreader {

const char kLogFileName[] = "Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log";

namespace {

// Windows' path limit, terminator included, within which DriverInstaller joins the path.
constexpr std::size_t kMaxPath = 260;

#ifdef _WIN32
using NativeString = std::wstring;
constexpr wchar_t kSeparator = L'\\';

NativeString Native(const char* text) {
    return NativeString(text, text + std::strlen(text));
}

// The variable's value, or nothing when it is not set or empty. Windows ignores the letter case
// of variable names.
std::optional<NativeString> ReadVariable(const char* asciiName) {
    const NativeString name = Native(asciiName);
    const DWORD needed = GetEnvironmentVariableW(name.c_str(), nullptr, 0);
    if (needed == 0) {
        return std::nullopt;
    }
    NativeString value(needed, L'\0');
    const DWORD length = GetEnvironmentVariableW(name.c_str(), value.data(), needed);
    if (length == 0 || length >= needed) {
        return std::nullopt;
    }
    value.resize(length);
    return value;
}

std::optional<NativeString> ReadTempFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        return std::nullopt;
    }
    return NativeString(folder, length);
}
#else
using NativeString = std::string;
constexpr char kSeparator = '/';

bool SameNameIgnoringCase(const char* a, std::size_t aLength, const char* b) {
    if (aLength != std::strlen(b)) {
        return false;
    }
    for (std::size_t i = 0; i < aLength; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The variable's value, or nothing when it is not set or empty. Names are matched as Windows
// matches them, without regard to letter case; as Linux can hold "TMP" and "tmp" side by side, an
// exact match wins over one that differs in case only.
std::optional<NativeString> ReadVariable(const char* name) {
    if (const char* exact = std::getenv(name)) {
        return exact[0] != '\0' ? std::optional<NativeString>(exact) : std::nullopt;
    }
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals == nullptr) {
            continue;
        }
        if (SameNameIgnoringCase(*entry, static_cast<std::size_t>(equals - *entry), name)) {
            return equals[1] != '\0' ? std::optional<NativeString>(equals + 1) : std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<NativeString> ReadTempFolder() {
    const char* folder = std::getenv("TMPDIR");
    return NativeString(folder != nullptr && folder[0] != '\0' ? folder : "/tmp");
}

NativeString Native(const char* text) {
    return text;
}
#endif

// folder and name joined by exactly one separator.
NativeString Join(NativeString folder, const NativeString& name) {
    while (!folder.empty() && folder.back() == kSeparator) {
        folder.pop_back();
    }
    return folder + kSeparator + name;
}

}  // namespace

LogLocation FindDefaultLogFile() {
    LogLocation location;
    std::optional<NativeString> folder = ReadVariable("AutInstLog");
    if (!folder) {
        folder = ReadVariable("tmp");
    }
    if (!folder) {
        folder = ReadTempFolder();
    }
    if (!folder) {
        location.reason = "no log folder: AutInstLog, tmp and the temporary folder are all unset";
        return location;
    }
    const NativeString path = Join(*folder, Native(kLogFileName));
    if (folder->size() >= kMaxPath || path.size() >= kMaxPath) {
        location.reason = "no log: the log folder and file name exceed 259 characters";
        return location;
    }
    location.found = true;
    location.path = std::filesystem::path(path);
    return location;
}

}  // namespace logreader
