#include "log/Logger.h"

#include "log/final_path.h"

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
constexpr wchar_t kPathSeparator = L'\\';
#else
constexpr char kLineEnd[] = "\n";
constexpr wchar_t kPathSeparator = L'/';
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

// Whether two final paths name the same file: on Windows without regard to letter case, as its
// file systems compare names; elsewhere exactly.
bool SamePath(const std::wstring& a, const std::wstring& b) {
#ifdef _WIN32
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
#else
    return a == b;
#endif
}

// The path the log file must have once every link on the way is resolved: the final path of
// the log's folder, joined with the file name. Links in the folder's path are allowed, so that
// a folder named through a link still gets the lines. Empty when the folder cannot be opened or
// its final path read.
std::wstring FinalLogPath(const std::wstring& logPath) {
    std::wstring finalPath =
        FolderFinalPath(logPath.substr(0, logPath.size() - std::wcslen(kLogFileName)));
    if (finalPath.empty()) {
        return finalPath;
    }
    if (finalPath.back() != kPathSeparator) {
        finalPath += kPathSeparator;  // a drive's root folder ends in one already
    }
    return finalPath + kLogFileName;
}

// Whether an open handle is the log file itself and nothing that a link put in its place: a disk
// file, not a reparse point, with no other name (a hard link would make the lines land in the
// file it shares), whose final path is finalLogPath. A check that cannot be made counts as
// failed.
bool IsLogFileItself(HANDLE file, const std::wstring& finalLogPath) {
    if (GetFileType(file) != FILE_TYPE_DISK) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (GetFileInformationByHandle(file, &information) == FALSE ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return false;
    }
    // Wine opens the file a Unix symbolic link points to, and reports no reparse point: there the
    // link count (a hard link) and the final path (a symbolic link, which names its target) are
    // the checks that hold.
    if (information.nNumberOfLinks != 1) {
        return false;
    }
    // A buffer just long enough for the expected path: a longer final path cannot match, and the
    // call then answers the size it needs instead.
    const auto expectedLength = static_cast<DWORD>(finalLogPath.size());
    std::wstring finalPath(finalLogPath.size() + 1, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(file, &finalPath[0], expectedLength + 1,
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    finalPath.resize(length == expectedLength ? length : 0);
    return length == expectedLength && SamePath(finalPath, finalLogPath);
}

// Opens the log file for appending; *created tells whether this open made it. Appending without
// write access to the rest of the file makes every write land at the end, so that runs sharing
// the file never overwrite each other's lines. A link at the log's own name is opened itself,
// never followed. The file is usually there and is opened as it is; one that is not is created
// anew, never taken over, with the right to delete it, so that a file made where the log must not
// go can be taken back. Only that open asks for the right: a reader that shares the file for
// reading and writing alone would refuse every later open that asked for it. A file that another
// run creates between the two opens costs this line, as a file that cannot be opened does.
HANDLE OpenLogFile(const wchar_t* path, bool* created) {
    constexpr DWORD kShare = FILE_SHARE_READ | FILE_SHARE_WRITE;
    constexpr DWORD kFlags = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
    const HANDLE file =
        CreateFileW(path, FILE_APPEND_DATA, kShare, nullptr, OPEN_EXISTING, kFlags, nullptr);
    *created = file == INVALID_HANDLE_VALUE;
    if (!*created) {
        return file;
    }
    const HANDLE newFile =
        CreateFileW(path, FILE_APPEND_DATA | DELETE, kShare, nullptr, CREATE_NEW, kFlags, nullptr);
    *created = newFile != INVALID_HANDLE_VALUE;
    return newFile;
}

// Takes back a file that this run's open created where the log must not go: the folder was
// replaced after it was resolved, so the path led elsewhere. The file is deleted through its
// handle, so that no other file that the path may name by now is touched; Windows removes it
// when the handle is closed.
void DeleteCreatedFile(HANDLE file) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition);
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
    // The folder is resolved once, at the first line that can be written, before anything is
    // created in it.
    if (finalPath_.empty()) {
        finalPath_ = FinalLogPath(path_);
        if (finalPath_.empty()) {
            return;
        }
    }
    bool created = false;
    const HANDLE file = OpenLogFile(path_, &created);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    if (IsLogFileItself(file, finalPath_)) {
        std::string line = TimePrefix();
        if (isError) {
            line += kErrorMarker;
        }
        line += ToCodePage(message);
        line += kLineEnd;
        // One write per line: a line is never split by another process's line.
        DWORD written = 0;
        WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    } else if (created) {
        DeleteCreatedFile(file);
    }
    CloseHandle(file);
}
