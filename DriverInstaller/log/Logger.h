// The installation log: one text file that every run appends to, one line at a time.
#pragma once

#include <windows.h>

#include <string>

class Logger {
public:
    // Resolves the log file's path once: the folder named by AutInstLog, else by tmp, else the
    // system's temporary folder, joined with the log's file name. An empty variable counts as
    // not set. When the path cannot be formed within MAX_PATH characters, the log is skipped
    // for the whole run. No file is touched here.
    Logger();
    Logger(const Logger&) = delete;
    Logger& operator=(const Logger&) = delete;

    // Appends an ordinary line: the time prefix, the message, the line end. A file that cannot
    // be opened, or that is not the log file itself (a link at its name, a second name of another
    // file), loses the line silently and is left as it was; the next line tries again.
    void Log(const std::wstring& message);
    // Appends an error line: as Log, with "<ERROR> | " between the time prefix and the message.
    void LogError(const std::wstring& message);

    // The log file's full path; empty when the log is skipped for this run.
    std::wstring Path() const;

private:
    void WriteLine(const std::wstring& message, bool isError);

    wchar_t path_[MAX_PATH] = {};
    bool enabled_ = false;
    // The path the log file has once its folder's links are resolved; empty until the first
    // line that could resolve it.
    std::wstring finalPath_;
};
