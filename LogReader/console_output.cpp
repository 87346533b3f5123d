#include "console_output.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>

namespace logreader {

namespace {

#ifdef _WIN32

// True when the text went to a console through WriteConsoleW.
bool WriteToConsole(DWORD handleId, const std::string& text) {
    const HANDLE handle = GetStdHandle(handleId);
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || handle == nullptr || !GetConsoleMode(handle, &mode)) {
        return false;
    }
    const int length =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) {
        return false;
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                        length);
    DWORD written = 0;
    return WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) !=
           FALSE;
}

#endif

// To the console when the stream is one (so that any character shows), else as UTF-8 bytes.
void Write(std::FILE* stream, const std::string& text) {
#ifdef _WIN32
    if (WriteToConsole(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE, text)) {
        return;
    }
#endif
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

}  // namespace

void WriteOutput(const std::string& text) {
    Write(stdout, text);
}

void WriteError(const std::string& text) {
    Write(stderr, text);
}

}  // namespace logreader
