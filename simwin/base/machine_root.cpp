#include "base/machine_root.h"

#include "base/utf8.h"

#include <cstdlib>

namespace simwin {

namespace {

std::string NonEmptyEnv(const char* name) {
#ifdef _WIN32
    // The wide environment, so that a folder name outside the ANSI code page survives.
    const wchar_t* value = _wgetenv(FromUtf8(name).c_str());
    return value != nullptr ? ToUtf8(value) : std::string();
#else
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
#endif
}

// Where a machine lives when SIMWIN_ROOT does not say: in the user's home on Linux; on Windows
// (a Wine prefix) in the system's program data folder, inside the prefix.
std::string DefaultRoot() {
#ifdef _WIN32
    const std::string programData = NonEmptyEnv("ProgramData");
    return (programData.empty() ? std::string("C:\\ProgramData") : programData) + "\\simwin";
#else
    const std::string home = NonEmptyEnv("HOME");
    return home.empty() ? std::string("/tmp/simwin") : home + "/.simwin";
#endif
}

}  // namespace

std::string MachineRoot() {
    const std::string root = NonEmptyEnv("SIMWIN_ROOT");
    return root.empty() ? DefaultRoot() : root;
}

std::string MachinePath(const std::string& name) {
    return MachineRoot() + "/" + name;
}

std::string DriveFolder() {
    return MachinePath("drive_c");
}

std::string SystemFolder() {
    return DriveFolder() + "/Windows/System32";
}

}  // namespace simwin
