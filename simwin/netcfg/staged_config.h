// Changes to a network configuration held in memory: adding and removing components with their
// binding paths, and looking components up.
#pragma once

#include "machine/netcfg_store.h"

#include <optional>
#include <vector>

namespace simwin {

// Adds the component under a new instance number and the binding paths it brings, enabled:
// wherever its interfaces meet an adapter's (from it down to the adapter), or, for an adapter,
// wherever a protocol's or a filter's meet its own (InterfacesMeet). Returns the instance number.
unsigned AddComponent(NetCfgStore* store, ComponentRecord record);
// Removes the component, every binding path that ends at it, and the references it held on
// other components (which stay installed, whatever references they have left).
void RemoveComponent(NetCfgStore* store, unsigned instance);
// Adds reference to the component unless it holds that token already; true when it was added.
bool AddReference(ComponentRecord* component, const ComponentReference& reference);
// Removes the token's reference from the component; true when it held one.
bool RemoveReference(ComponentRecord* component, const ComponentReference& reference);
// The first component (lowest instance) with this id, compared without regard to case, of the
// given class when one is given.
const ComponentRecord* FindComponentById(const NetCfgStore& store, const std::wstring& id,
                                         std::optional<ComponentClass> componentClass);
// The components of a class, or all when none is given, in instance order.
std::vector<const ComponentRecord*> ComponentsOf(const NetCfgStore& store,
                                                 std::optional<ComponentClass> componentClass);

}  // namespace simwin
