// Changes to a network configuration held in memory: adding and removing components with their
// binding paths, and looking components up.
#pragma once

#include "machine/netcfg_store.h"

#include <optional>
#include <vector>

namespace simwin {

// Adds the component under a new instance number and the binding paths it brings, enabled: from
// it to every adapter when it binds to adapters, to it from every component that binds when it
// is an adapter. Returns the instance number.
unsigned AddComponent(NetCfgStore* store, ComponentRecord record);
// Removes the component and every binding path that ends at it.
void RemoveComponent(NetCfgStore* store, unsigned instance);
// The first component (lowest instance) with this id, compared without regard to case, of the
// given class when one is given.
const ComponentRecord* FindComponentById(const NetCfgStore& store, const std::wstring& id,
                                         std::optional<ComponentClass> componentClass);
// The components of a class, or all when none is given, in instance order.
std::vector<const ComponentRecord*> ComponentsOf(const NetCfgStore& store,
                                                 std::optional<ComponentClass> componentClass);

}  // namespace simwin
