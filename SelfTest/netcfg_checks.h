// What the program and the engine assume of the network configuration interfaces, checked
// through a configuration object that takes no write lock, so that nothing can change:
// CoCreateInstance and Initialize, FindComponent of an id that is not installed, the ids and
// display names of the installed components as GetId and GetDisplayName return them, the binding
// paths of IPv6, and IsWriteLocked with its holder.
#pragma once

#include "findings.h"
#include "network_view.h"

namespace selftest {

// Adds the network configuration's facts and assumptions to findings; returns what was read of
// the machine, for the install cycle to start from.
NetworkView CheckNetworkConfiguration(Findings* findings);

}  // namespace selftest
