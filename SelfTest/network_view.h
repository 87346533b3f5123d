// The machine's network configuration as the platform reports it to a configuration object that
// holds no write lock (reading is allowed without it): the components of the three classes that
// DriverInstaller enumerates, and the binding paths below a component. Nothing is changed.
#pragma once

#include <windows.h>
#include <netcfgx.h>

#include <string>
#include <vector>

namespace selftest {

struct ComponentSeen {
    std::wstring id;           // as GetId returned it
    std::wstring displayName;  // as GetDisplayName returned it
    // GetDeviceStatus, asked of adapters only: its result and the problem code it reported.
    HRESULT statusResult = E_NOTIMPL;
    ULONG problem = 0;
};

struct ClassSeen {
    const wchar_t* name = L"";  // net, nettrans or netservice, as netcfg-sim show names them
    HRESULT result = S_OK;      // of QueryNetCfgClass, EnumComponents, or a component's GetId
    std::vector<ComponentSeen> components;
};

// A binding path below a component, as DriverInstaller reads it: the lower component of its
// first binding interface.
struct PathSeen {
    std::wstring lowerId;
    std::wstring lowerDisplayName;
    bool lowerIsAdapter = false;  // of GUID_DEVCLASS_NET
    ULONG depth = 0;              // binding interfaces on the path; 0 when GetDepth did not say
    bool enabled = false;
};

struct PathsSeen {
    HRESULT result = S_OK;  // the first call that failed on the way, else S_OK
    std::vector<PathSeen> paths;
};

struct NetworkView {
    HRESULT createResult = S_OK;      // CoCreateInstance(CLSID_CNetCfg)
    HRESULT initializeResult = S_OK;  // INetCfg::Initialize without the write lock
    std::vector<ClassSeen> classes;
    PathsSeen ipv6Paths;    // below ms_tcpip6
    PathsSeen switchPaths;  // below the virtual switch, when it is installed

    // Components and paths, one line each, in the form the report and netcfg-sim show use; two
    // views of one machine give the same lines.
    std::vector<std::wstring> Lines() const;
    // Whether a component with this id (letter case ignored) is installed.
    bool Has(const wchar_t* id) const;
};

// Reads the view through a configuration object of its own, in a COM apartment of its own.
NetworkView ReadNetworkView();

// The components of the three classes of an initialised configuration object.
std::vector<ClassSeen> ReadClasses(INetCfg* netCfg);
// The binding paths below the component id of an initialised configuration object.
PathsSeen ReadPathsBelow(INetCfg* netCfg, const wchar_t* id);

}  // namespace selftest
