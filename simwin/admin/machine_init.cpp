// Creating a fresh simulated machine.
#include "base/atomic_file.h"
#include "machine/netcfg_store.h"
#include "machine/services.h"
#include "machine/write_lock.h"
#ifndef _WIN32
#include "machine/inf_store.h"
#endif

#include <simwin/machine.h>

#include <filesystem>
#include <vector>
#include <system_error>

namespace simwin {

namespace {

namespace fs = std::filesystem;

// Everything a machine keeps in its folder; "force" removes exactly these and nothing else.
const char* const kMachineEntries[] = {
    "netcfg.store", "netcfg.lock", "services", "services.lock",  "inf",
    "drive_c",      "journal.log", "faults",   "reboot-pending",
};

struct BaselineComponent {
    ComponentClass componentClass;
    const wchar_t* id;
    const wchar_t* displayName;
    const char* inf;
    BindingInterfaces interfaces;
};

// Two physical ethernet adapters, the two IP protocols and the packet scheduler, as a fresh
// Windows installation has them, with the binding interfaces their INF files declare: an
// ethernet adapter "ndis5" above and "ethernet" below, the IP protocols "ndis5" and "ndis5_ip"
// below, the scheduler a filter of ethernet, token ring, FDDI and WAN media. They were installed
// with the system, on behalf of no token.
BaselineComponent Adapter(const wchar_t* id, const wchar_t* displayName, const char* inf) {
    return {ComponentClass::Net, id, displayName, inf, {{L"ndis5"}, {L"ethernet"}, {}}};
}

BaselineComponent Protocol(const wchar_t* id, const wchar_t* displayName) {
    return {ComponentClass::NetTrans,
            id,
            displayName,
            "nettcpip.inf",
            {{}, {L"ndis5", L"ndis5_ip"}, {}}};
}

std::vector<BaselineComponent> Baseline() {
    return {
        Adapter(L"pci\\ven_8086&dev_100e", L"Intel(R) PRO/1000 MT Network Connection",
                "net1000.inf"),
        Adapter(L"pci\\ven_10ec&dev_8139", L"Realtek RTL8139C+ Fast Ethernet NIC", "net8139.inf"),
        Protocol(L"ms_tcpip", L"Internet Protocol Version 4 (TCP/IPv4)"),
        Protocol(L"ms_tcpip6", L"Internet Protocol Version 6 (TCP/IPv6)"),
        {ComponentClass::NetService,
         L"ms_pacer",
         L"QoS Packet Scheduler",
         "netpacer.inf",
         {{L"noupper"}, {L"nolower"}, {L"ethernet", L"tokenring", L"fddi", L"wan"}}},
    };
}

bool Fail(std::string* error, const std::string& message) {
    if (error != nullptr) {
        *error = message;
    }
    return false;
}

NetCfgStore BaselineStore() {
    NetCfgStore store;
    unsigned instance = 0;
    for (const BaselineComponent& entry : Baseline()) {
        ComponentRecord record;
        record.instance = ++instance;
        record.componentClass = entry.componentClass;
        record.id = entry.id;
        record.displayName = entry.displayName;
        record.inf = entry.inf;
        record.interfaces = entry.interfaces;
        store.components.emplace(record.instance, record);
    }
    for (const auto& [upper, upperRecord] : store.components) {
        for (const auto& [lower, lowerRecord] : store.components) {
            if (InterfacesMeet(upperRecord, lowerRecord)) {
                store.bindings.emplace(BindingKey{upper, lower}, true);
            }
        }
    }
    return store;
}

bool ClearMachine(const std::string& root, std::string* error) {
    for (const char* entry : kMachineEntries) {
        std::error_code failure;
        fs::remove_all(fs::path(root) / entry, failure);
        if (failure) {
            return Fail(error, root + "/" + entry + ": cannot remove: " + failure.message());
        }
    }
    return true;
}

#ifndef _WIN32
bool PlaceNetExe(const std::string& root, const std::string& netExePath, std::string* error) {
    const fs::path systemFolder = fs::path(root) / "drive_c" / "Windows" / "System32";
    std::error_code failure;
    fs::create_directories(systemFolder, failure);
    if (failure) {
        return Fail(error, systemFolder.string() + ": cannot create: " + failure.message());
    }
    const fs::path target = systemFolder / "net.exe";
    fs::copy_file(netExePath, target, fs::copy_options::overwrite_existing, failure);
    if (failure) {
        return Fail(error, netExePath + ": cannot copy net.exe: " + failure.message());
    }
    fs::permissions(target,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                        fs::perms::others_read | fs::perms::others_exec,
                    failure);
    if (failure) {
        return Fail(error, target.string() + ": cannot make executable: " + failure.message());
    }
    return true;
}
#endif

}  // namespace

bool InitMachine(const std::string& root, const MachineOptions& options, bool force,
                 const std::string& netExePath, std::string* error) {
    std::error_code failure;
    if (fs::exists(fs::path(root) / "netcfg.store", failure) && !force) {
        return Fail(error, root + " already holds a machine (--force replaces it)");
    }
#ifdef _WIN32
    (void)netExePath;
#else
    if (!fs::is_regular_file(netExePath, failure)) {
        return Fail(error, netExePath + ": net.exe not found");
    }
#endif
    fs::create_directories(root, failure);
    if (failure) {
        return Fail(error, root + ": cannot create: " + failure.message());
    }
    if (!ClearMachine(root, error)) {
        return false;
    }
    std::string writeError;
#ifdef _WIN32
    // On Windows the system's INF folder, net.exe and services are the machine's; the tool that
    // creates the machine registers what it needs with the system.
    (void)options;
#else
    if (!PlaceNetExe(root, netExePath, error)) {
        return false;
    }
    if (!CreateInfStore(root, &writeError)) {
        return Fail(error, writeError);
    }
    std::vector<ServiceInfo> services;
    if (options.withNpf) {
        services.push_back({"npf", false});
    }
    if (!WriteServices(root, services, &writeError)) {
        return Fail(error, writeError);
    }
#endif
    // The store last: its presence is what marks the folder as a machine.
    if (!WriteNetCfgStore(root + "/netcfg.store", BaselineStore(), &writeError)) {
        return Fail(error, writeError);
    }
    return true;
}

}  // namespace simwin
