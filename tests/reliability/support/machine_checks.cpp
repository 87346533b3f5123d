#include "support/machine_checks.h"

#include "machine/netcfg_store.h"
#include "machine/write_lock.h"

#include "support/temp_machine.h"

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

}  // namespace reliability
