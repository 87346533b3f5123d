// Where DriverInstaller writes its log, found the way it finds it.
#pragma once

#include <filesystem>
#include <string>

namespace logreader {

struct LogLocation {
    bool found = false;  // false: DriverInstaller would log nothing with this environment
    std::filesystem::path path;
    std::string reason;  // why there is no path, when found is false
};

// The folder named by AutInstLog, else by tmp (its name matched without regard to letter case),
// else the system's temporary folder (on Linux TMPDIR, else /tmp), joined with the log's file
// name by one separator. A variable that is set but empty counts as not set. A folder of
// MAX_PATH characters or more, or a joined path longer than MAX_PATH - 1 characters, gives no
// path, as DriverInstaller then logs nothing.
LogLocation FindDefaultLogFile();

// The log's file name.
extern const char kLogFileName[];

}  // namespace logreader
