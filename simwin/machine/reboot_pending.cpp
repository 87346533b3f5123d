#include "machine/reboot_pending.h"

#include "base/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace simwin {

namespace {

std::string MarkerPath(const std::string& root) {
    return root + "/reboot-pending";
}

}  // namespace

bool RebootPending(const std::string& root) {
    std::string text;
    return ReadWholeFile(MarkerPath(root), &text);
}

bool SetRebootPending(const std::string& root, bool pending, std::string* error) {
    const std::string path = MarkerPath(root);
    if (pending) {
        return WriteFileAtomically(path, "a reboot is pending\n", error);
    }
    if (std::remove(path.c_str()) != 0 && errno != ENOENT) {
        *error = path + ": cannot remove: " + std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace simwin
