// Reading the durable state of a simulated machine.
#include "machine/netcfg_store.h"
#include "machine/services.h"
#include "machine/write_lock.h"

#ifndef _WIN32
#include "machine/inf_store.h"
#endif

#include <simwin/machine.h>

namespace simwin {

bool ReadMachineState(const std::string& root, MachineState* state, std::string* error) {
    NetCfgStore store;
    if (ReadNetCfgStore(root + "/netcfg.store", &store, error) != StoreReadResult::Ok) {
        return false;
    }
    MachineState result;
    for (const auto& [instance, component] : store.components) {
        ComponentInfo info{component.id,
                           component.displayName,
                           ClassGuid(component.componentClass),
                           component.inf,
                           {}};
        for (const ComponentReference& reference : component.references) {
            info.references.push_back(DescribeReference(store, reference));
        }
        result.components.push_back(std::move(info));
    }
    for (const auto& [key, enabled] : store.bindings) {
        const ComponentRecord& upper = store.components.at(key.first);
        const ComponentRecord& lower = store.components.at(key.second);
        BindingInfo binding;
        binding.upperId = upper.id;
        binding.lowerId = lower.id;
        binding.lowerDisplayName = lower.displayName;
        binding.enabled = enabled;
        result.bindings.push_back(binding);
    }
#ifndef _WIN32
    // On Windows the INF store is the system's INF folder, which is not the machine's to list.
    if (!ReadInfIndex(root, &result.infs, error)) {
        return false;
    }
#endif
    if (!ReadServices(root, &result.services, error)) {
        return false;
    }
    // A holder that has not yet written its description is still a holder.
    if (IsWriteLockHeld(WriteLockPath(root), &result.lockHolder) && result.lockHolder.empty()) {
        result.lockHolder = L"(no description)";
    }
    *state = std::move(result);
    return true;
}

}  // namespace simwin
