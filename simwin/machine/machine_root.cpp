#include "machine/machine_root.h"

#include <cstdlib>

namespace simwin {

namespace {

std::string NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

}  // namespace

std::string MachineRoot() {
    std::string root = NonEmptyEnv("SIMWIN_ROOT");
    if (!root.empty()) {
        return root;
    }
    std::string home = NonEmptyEnv("HOME");
    return home.empty() ? std::string("/tmp/simwin") : home + "/.simwin";
}

std::string MachinePath(const std::string& name) {
    return MachineRoot() + "/" + name;
}

}  // namespace simwin

namespace simwin {

std::string DriveFolder() {
    return MachinePath("drive_c");
}

std::string SystemFolder() {
    return DriveFolder() + "/Windows/System32";
}

}  // namespace simwin
