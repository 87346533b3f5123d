#include "base/elevation.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>

namespace simwin {

namespace {

constexpr int kCapNetAdmin = 12;

}  // namespace

bool ReadProcessElevation(bool* elevated, int* error) {
    std::ifstream status("/proc/self/status");
    if (!status) {
        *error = errno;
        return false;
    }
    const std::string prefix = "CapEff:";
    std::string line;
    while (std::getline(status, line)) {
        if (line.compare(0, prefix.size(), prefix) != 0) {
            continue;
        }
        const std::string digits = line.substr(prefix.size());
        char* end = nullptr;
        errno = 0;
        const unsigned long long mask = std::strtoull(digits.c_str(), &end, 16);
        if (errno != 0 || end == digits.c_str() || *end != '\0') {
            break;
        }
        *elevated = ((mask >> kCapNetAdmin) & 1u) != 0;
        return true;
    }
    *error = 0;
    return false;
}

}  // namespace simwin
