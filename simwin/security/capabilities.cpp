#include "security/capabilities.h"

#include "kernel/win32_error.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

namespace simwin::detail {

namespace {

constexpr int kCapNetAdmin = 12;

}  // namespace

bool HoldsNetAdmin(bool* holds, DWORD* error) {
    std::ifstream status("/proc/self/status");
    if (!status) {
        *error = Win32ErrorFromErrno(errno);
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
        *holds = ((mask >> kCapNetAdmin) & 1u) != 0;
        return true;
    }
    *error = ERROR_INVALID_DATA;
    return false;
}

}  // namespace simwin::detail
