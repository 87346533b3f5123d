// The simulated machine as tests and tools see it: creating one, and reading its state.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace simwin {

struct MachineOptions {
    bool withNpf = false;  // register the "npf" service, stopped
};

// Creates a fresh machine in root: the baseline network configuration (two physical adapters,
// ms_tcpip, ms_tcpip6, ms_pacer), an empty INF store, the services, drive_c with its system
// folder and the net.exe stand-in (netExePath, copied or linked there). Refuses a folder that
// already holds a machine unless force is set. False with a one-line error otherwise.
bool InitMachine(const std::string& root, const MachineOptions& options, bool force,
                 const std::string& netExePath, std::string* error);

struct ComponentInfo {
    std::wstring id;  // lower case, as Windows keeps it
    std::wstring displayName;
    GUID classGuid;
    std::string inf;  // the INF it came from ("oem0.inf"), or the system's own INF
    // On whose behalf it is installed: "user", "component ID" or
    // "software \"MANUFACTURER\" \"PRODUCT\" \"DISPLAY NAME\"", in the order they were added.
    std::vector<std::string> references;
};

struct BindingInfo {
    std::wstring upperId;
    std::wstring lowerId;
    std::wstring lowerDisplayName;
    bool enabled = true;
};

struct InfInfo {
    std::string publishedName;   // "oem0.inf"
    std::string originalName;    // "quorixlwf.inf"
    std::string sourceLocation;  // the folder SetupCopyOEMInfW was given
};

struct ServiceInfo {
    std::string name;
    bool running = false;
};

struct MachineState {
    std::vector<ComponentInfo> components;
    std::vector<BindingInfo> bindings;
    std::vector<InfInfo> infs;
    std::vector<ServiceInfo> services;
    std::wstring lockHolder;  // empty when the write lock is free
};

// Reads the durable state of the machine in root. False with an error naming the file and line
// when the store is missing, unreadable or corrupt.
bool ReadMachineState(const std::string& root, MachineState* state, std::string* error);

}  // namespace simwin
