#include "log/Logger.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr wchar_t kLogFileName[] = L"Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log";
constexpr char kErrorMarker[] = "<ERROR> | ";
#ifdef _WIN32
constexpr char kLineEnd[] = "\r\n";
#else
constexpr char kLineEnd[] = "\n";
#endif

// The time prefix is formatted into 80 characters and at most 29 of them are kept.
constexpr std::size_t kTimeBufferChars = 80;
constexpr std::size_t kTimePrefixMaxChars = 29;
// Converted text is given four bytes per wide character; short lines fit on the stack.
constexpr std::size_t kBytesPerWideChar = 4;
constexpr std::size_t kInlineConversionBytes = 128;

enum class FolderLookup { Found, NotSet, TooLong };

// Reads a folder from the environment into folder (MAX_PATH characters).
FolderLookup ReadFolderVariable(const wchar_t* name, wchar_t* folder) {
    const DWORD length = GetEnvironmentVariableW(name, folder, MAX_PATH);
    if (length == 0) {
        return FolderLookup::NotSet;  // missing, or set but empty
    }
    // A value that does not fit is reported as the size it needs, terminator included.
    return length >= MAX_PATH ? FolderLookup::TooLong : FolderLookup::Found;
}

FolderLookup ReadTempFolder(wchar_t* folder) {
    const DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0) {
        return FolderLookup::NotSet;
    }
    return length >= MAX_PATH ? FolderLookup::TooLong : FolderLookup::Found;
}

// The local time as "YYYY-MM-DD___HH:MM:SS | ", from the platform's clock and time zone: the C
// runtime's localtime would read the zone from TZ in its own form, which on Windows takes a
// name such as "Europe/Berlin" for UTC.
std::string TimePrefix() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char formatted[kTimeBufferChars] = {};
    std::snprintf(formatted, sizeof formatted, "%04u-%02u-%02u___%02u:%02u:%02u | ",
                  unsigned{now.wYear}, unsigned{now.wMonth}, unsigned{now.wDay},
                  unsigned{now.wHour}, unsigned{now.wMinute}, unsigned{now.wSecond});
    return std::string(formatted, std::min(std::strlen(formatted), kTimePrefixMaxChars));
}

bool IsHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Converts one character at a time, writing '?' for each one the code page conversion refuses,
// so that a message that cannot be converted whole still reaches the log.
std::string ConvertEachCharacter(const std::wstring& message) {
    std::string text;
    for (std::size_t i = 0; i < message.size();) {
        std::size_t units = 1;
        if (IsHighSurrogate(message[i]) && i + 1 < message.size() &&
            IsLowSurrogate(message[i + 1])) {
            units = 2;
        }
        char piece[16];
        const int converted =
            WideCharToMultiByte(CP_THREAD_ACP, 0, message.data() + i, static_cast<int>(units),
                                piece, static_cast<int>(sizeof piece), nullptr, nullptr);
        if (converted > 0) {
            text.append(piece, static_cast<std::size_t>(converted));
        } else {
            text += '?';
        }
        i += units;
    }
    return text;
}

// The message in the thread's ANSI code page, without flags, so that characters outside it
// become the code page's substitutes.
std::string ToCodePage(const std::wstring& message) {
    const std::size_t capacity = (message.size() + 1) * kBytesPerWideChar;
    if (capacity > static_cast<std::size_t>(INT32_MAX)) {
        return ConvertEachCharacter(message);
    }
    char inlineBuffer[kInlineConversionBytes];
    std::vector<char> heapBuffer;
    char* buffer = inlineBuffer;
    int bufferSize = static_cast<int>(sizeof inlineBuffer);
    if (capacity > sizeof inlineBuffer) {
        heapBuffer.resize(capacity);
        buffer = heapBuffer.data();
        bufferSize = static_cast<int>(capacity);
    }
    int converted = WideCharToMultiByte(CP_THREAD_ACP, 0, message.c_str(), -1, buffer, bufferSize,
                                        nullptr, nullptr);
    if (converted == 0 && GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
        const int required = WideCharToMultiByte(CP_THREAD_ACP, 0, message.c_str(), -1, nullptr, 0,
                                                 nullptr, nullptr);
        if (required > 0) {
            heapBuffer.assign(static_cast<std::size_t>(required), '\0');
            buffer = heapBuffer.data();
            converted = WideCharToMultiByte(CP_THREAD_ACP, 0, message.c_str(), -1, buffer, required,
                                            nullptr, nullptr);
        }
    }
    if (converted <= 0) {
        return ConvertEachCharacter(message);
    }
    // The count includes the terminator of the -1 length input.
    return std::string(buffer, static_cast<std::size_t>(converted - 1));
}

}  // namespace

Logger::Logger() {
    FolderLookup lookup = ReadFolderVariable(L"AutInstLog", path_);
    if (lookup == FolderLookup::NotSet) {
        lookup = ReadFolderVariable(L"tmp", path_);
    }
    if (lookup == FolderLookup::NotSet) {
        lookup = ReadTempFolder(path_);
    }
    enabled_ = lookup == FolderLookup::Found && PathAppendW(path_, kLogFileName) != FALSE;
    if (!enabled_) {
        // Never a half-formed path: a folder alone would put the lines somewhere unexpected.
        path_[0] = L'\0';
    }
}

void Logger::Log(const std::wstring& message) {
    WriteLine(message, false);
}

void Logger::LogError(const std::wstring& message) {
    WriteLine(message, true);
}

std::wstring Logger::Path() const {
    return path_;
}

void Logger::WriteLine(const std::wstring& message, bool isError) {
    if (!enabled_) {
        return;
    }
    // Appending without write access to the rest of the file makes every write land at the
    // end, so that runs sharing the file never overwrite each other's lines.
    const HANDLE file = CreateFileW(path_, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    std::string line = TimePrefix();
    if (isError) {
        line += kErrorMarker;
    }
    line += ToCodePage(message);
    line += kLineEnd;
    // One write per line: a line is never split by another process's line.
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
}
