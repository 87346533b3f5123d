#include "support/machine_checks.h"

#include "machine/netcfg_store.h"
#include "machine/write_lock.h"

#include "support/temp_machine.h"

#include <cctype>
#include <sstream>

namespace reliability {

std::string StoreProblem(const std::string& root) {
    simwin::NetCfgStore store;
    std::string error;
    if (simwin::ReadNetCfgStore(root + "/netcfg.store", &store, &error) !=
        simwin::StoreReadResult::Ok) {
        return error;
    }
    for (const auto& [key, enabled] : store.bindings) {
        (void)enabled;
        const auto upper = store.components.find(key.first);
        const auto lower = store.components.find(key.second);
        if (upper == store.components.end() || lower == store.components.end()) {
            return "binding " + std::to_string(key.first) + " -> " + std::to_string(key.second) +
                   " names a component that is not installed";
        }
        if (!simwin::InterfacesMeet(upper->second, lower->second)) {
            return "binding " + std::to_string(key.first) + " -> " + std::to_string(key.second) +
                   " does not lead from a protocol or filter to an adapter";
        }
    }
    return "";
}

std::string StoreText(const std::string& root) {
    return testsupport::ReadFile(root + "/netcfg.store");
}

std::string StoreConfiguration(const std::string& root) {
    simwin::NetCfgStore store;
    std::string error;
    if (simwin::ReadNetCfgStore(root + "/netcfg.store", &store, &error) !=
        simwin::StoreReadResult::Ok) {
        return "";
    }
    return simwin::FormatNetCfgStore(store);
}

bool WriteLockHeld(const std::string& root) {
    std::wstring holder;
    return simwin::IsWriteLockHeld(simwin::WriteLockPath(root), &holder);
}

bool HasTimePrefix(const std::string& line) {
    // "YYYY-MM-DD___HH:MM:SS | ": digits where the pattern has '9', the rest literally.
    static const std::string pattern = "9999-99-99___99:99:99 | ";
    if (line.size() < pattern.size()) {
        return false;
    }
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool digitWanted = pattern[i] == '9';
        const bool isDigit = std::isdigit(static_cast<unsigned char>(line[i])) != 0;
        if (digitWanted ? !isDigit : line[i] != pattern[i]) {
            return false;
        }
    }
    return true;
}

std::vector<std::string> FileLines(const std::string& path) {
    std::istringstream text(testsupport::ReadFile(path));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(text, line)) {
        lines.push_back(line);
    }
    return lines;
}

std::string LogFileIn(const std::string& folder) {
    return folder + "/Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log";
}

}  // namespace reliability
