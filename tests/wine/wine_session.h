// Running the Windows build of DriverInstaller under Wine, and reading the log it writes there.
#pragma once

#include <string>
#include <vector>

namespace winetest {

// The Wine prefix the tests share, inside the build folder; created by the first run that needs
// it. Returns false when Wine could not create it.
bool EnsurePrefix();

// The prefix's drive C: as a Unix folder.
std::string DriveC();

// A Unix path as a Windows program under Wine sees it: drive Z: maps the root.
std::string WindowsPath(const std::string& unixPath);

// Runs DriverInstaller.exe under Wine in workingFolder. logFolder, when not empty, is handed to
// the program as AutInstLog (already in the form the program should read); otherwise AutInstLog
// is left unset. Returns the exit status as a Linux parent sees it (the code modulo 256), or -1.
int RunInstaller(const std::vector<std::string>& arguments, const std::string& workingFolder,
                 const std::string* logFolder);

// A log file as read back: each line's message with its time prefix removed, and what was wrong
// with the file's shape (lines not ending in CR LF, lines without a well-formed time prefix).
struct LogFile {
    bool exists = false;
    std::vector<std::string> messages;
    std::vector<std::string> malformedLines;
};
LogFile ReadLog(const std::string& path);

// A fresh folder for one case, removed with its contents when the object goes.
class CaseFolder {
public:
    CaseFolder();
    ~CaseFolder();
    CaseFolder(const CaseFolder&) = delete;
    CaseFolder& operator=(const CaseFolder&) = delete;

    // Creates a sub-folder and returns its path.
    std::string Make(const std::string& name) const;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace winetest
