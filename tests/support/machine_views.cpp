#include "support/machine_views.h"

#include "base/utf8.h"

#include <algorithm>

namespace testsupport {

std::string Narrow(const std::wstring& text) {
    return simwin::ToUtf8(text);
}

std::vector<std::string> ComponentsOf(const simwin::MachineState& state) {
    std::vector<std::string> components;
    for (const auto& component : state.components) {
        components.push_back(Narrow(component.id) + " | " + Narrow(component.displayName));
    }
    std::sort(components.begin(), components.end());
    return components;
}

std::vector<std::string> BindingsOf(const simwin::MachineState& state) {
    std::vector<std::string> paths;
    for (const auto& path : state.bindings) {
        paths.push_back(Narrow(path.upperId) + " -> " + Narrow(path.lowerDisplayName) + ": " +
                        (path.enabled ? "enabled" : "disabled"));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

const std::vector<std::string> kComponentsInstalled = {
    "ms_pacer | QoS Packet Scheduler",
    "ms_tcpip | Internet Protocol Version 4 (TCP/IPv4)",
    "ms_tcpip6 | Internet Protocol Version 6 (TCP/IPv6)",
    "pci\\ven_10ec&dev_8139 | Realtek RTL8139C+ Fast Ethernet NIC",
    "pci\\ven_8086&dev_100e | Intel(R) PRO/1000 MT Network Connection",
    "quorix_ndislwf | Tandrel QUORIX Virtual Switch",
    "root\\quorixvmini60_a | Tandrel QUORIX Virtual Ethernet Adapter",
};
const std::vector<std::string> kBindingsInstalled = {
    "ms_pacer -> Intel(R) PRO/1000 MT Network Connection: enabled",
    "ms_pacer -> Realtek RTL8139C+ Fast Ethernet NIC: enabled",
    "ms_pacer -> Tandrel QUORIX Virtual Ethernet Adapter: enabled",
    "ms_tcpip -> Intel(R) PRO/1000 MT Network Connection: enabled",
    "ms_tcpip -> Realtek RTL8139C+ Fast Ethernet NIC: enabled",
    "ms_tcpip -> Tandrel QUORIX Virtual Ethernet Adapter: enabled",
    "ms_tcpip6 -> Intel(R) PRO/1000 MT Network Connection: enabled",
    "ms_tcpip6 -> Realtek RTL8139C+ Fast Ethernet NIC: enabled",
    "ms_tcpip6 -> Tandrel QUORIX Virtual Ethernet Adapter: disabled",
    "quorix_ndislwf -> Intel(R) PRO/1000 MT Network Connection: disabled",
    "quorix_ndislwf -> Realtek RTL8139C+ Fast Ethernet NIC: disabled",
    "quorix_ndislwf -> Tandrel QUORIX Virtual Ethernet Adapter: enabled",
};

bool ServiceRunning(const simwin::MachineState& state, const std::string& name) {
    return std::any_of(state.services.begin(), state.services.end(),
                       [&](const simwin::ServiceInfo& s) { return s.name == name && s.running; });
}

}  // namespace testsupport
