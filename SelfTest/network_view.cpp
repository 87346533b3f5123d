#include "network_view.h"

#include <devguid.h>

#include "com_apartment.h"
#include "device_manager/components.h"
#include "netcfg/com_ptr.h"
#include "netcfg/cotaskmem_string.h"
#include "text.h"

namespace selftest {

namespace {

struct ClassToRead {
    const GUID* guid;
    const wchar_t* name;
};
// The classes DriverInstaller enumerates or installs into, in the order netcfg-sim show lists
// them.
const ClassToRead kClasses[] = {
    {&GUID_DEVCLASS_NET, L"net"},
    {&GUID_DEVCLASS_NETTRANS, L"nettrans"},
    {&GUID_DEVCLASS_NETSERVICE, L"netservice"},
};

// A string the platform hands out, or empty text when it hands out none.
std::wstring Text(const CoTaskMemString& text) {
    return text ? std::wstring(text.Get()) : std::wstring();
}

// Reads one component; a GetId or GetDisplayName that fails is returned.
HRESULT ReadComponent(INetCfgComponent* component, bool isAdapter, ComponentSeen* seen) {
    CoTaskMemString id;
    CoTaskMemString displayName;
    HRESULT hr = component->GetId(id.Put());
    if (hr != S_OK) {
        return hr;
    }
    hr = component->GetDisplayName(displayName.Put());
    if (hr != S_OK) {
        return hr;
    }
    seen->id = Text(id);
    seen->displayName = Text(displayName);
    if (isAdapter) {
        seen->statusResult = component->GetDeviceStatus(&seen->problem);
    }
    return S_OK;
}

ClassSeen ReadClass(INetCfg* netCfg, const ClassToRead& toRead) {
    ClassSeen seen;
    seen.name = toRead.name;
    ComPtr<INetCfgClass> netClass;
    ComPtr<IEnumNetCfgComponent> items;
    seen.result = netCfg->QueryNetCfgClass(toRead.guid, IID_INetCfgClass, netClass.PutVoid());
    if (seen.result != S_OK) {
        return seen;
    }
    seen.result = netClass->EnumComponents(items.Put());
    if (seen.result != S_OK) {
        return seen;
    }
    const bool isAdapter = toRead.guid == &GUID_DEVCLASS_NET;
    ComPtr<INetCfgComponent> component;
    ULONG fetched = 0;
    while (items->Next(1, component.Put(), &fetched) == S_OK && component) {
        ComponentSeen item;
        const HRESULT hr = ReadComponent(component.Get(), isAdapter, &item);
        if (hr != S_OK) {
            seen.result = hr;
            return seen;
        }
        seen.components.push_back(item);
    }
    return seen;
}

// Reads one path as DriverInstaller does: its first binding interface's lower component. The
// first call that does not answer S_OK ends the reading with its result.
HRESULT ReadPath(INetCfgBindingPath* path, PathSeen* seen) {
    ComPtr<IEnumNetCfgBindingInterface> interfaces;
    ComPtr<INetCfgBindingInterface> first;
    ComPtr<INetCfgComponent> lower;
    CoTaskMemString id;
    CoTaskMemString displayName;
    GUID lowerClass = {};
    ULONG fetched = 0;
    // The depth is shown, never relied on (the engine does not model it): 0 when not reported.
    if (path->GetDepth(&seen->depth) != S_OK) {
        seen->depth = 0;
    }
    HRESULT hr = S_OK;
    if ((hr = path->EnumBindingInterfaces(interfaces.Put())) != S_OK ||
        (hr = interfaces->Next(1, first.Put(), &fetched)) != S_OK ||
        (hr = first->GetLowerComponent(lower.Put())) != S_OK ||
        (hr = lower->GetId(id.Put())) != S_OK ||
        (hr = lower->GetDisplayName(displayName.Put())) != S_OK ||
        (hr = lower->GetClassGuid(&lowerClass)) != S_OK) {
        return hr;
    }
    seen->lowerId = Text(id);
    seen->lowerDisplayName = Text(displayName);
    seen->lowerIsAdapter = IsEqualGUID(lowerClass, GUID_DEVCLASS_NET) != FALSE;
    // IsEnabled answers S_OK for an enabled path and S_FALSE for a disabled one.
    seen->enabled = path->IsEnabled() == S_OK;
    return S_OK;
}

void AddPathLines(const wchar_t* owner, const PathsSeen& seen, std::vector<std::wstring>* lines) {
    if (seen.result != S_OK) {
        lines->push_back(std::wstring(L"  ") + owner + L": not read, " + ResultText(seen.result));
        return;
    }
    for (const PathSeen& path : seen.paths) {
        lines->push_back(std::wstring(path.enabled ? L"  enabled   " : L"  disabled  ") + owner +
                         L" -> " + path.lowerId + L"  \"" + path.lowerDisplayName + L"\"");
    }
}

}  // namespace

std::vector<ClassSeen> ReadClasses(INetCfg* netCfg) {
    std::vector<ClassSeen> classes;
    for (const ClassToRead& toRead : kClasses) {
        classes.push_back(ReadClass(netCfg, toRead));
    }
    return classes;
}

PathsSeen ReadPathsBelow(INetCfg* netCfg, const wchar_t* id) {
    PathsSeen seen;
    ComPtr<INetCfgComponent> component;
    ComPtr<INetCfgComponentBindings> bindings;
    ComPtr<IEnumNetCfgBindingPath> paths;
    seen.result = netCfg->FindComponent(id, component.Put());
    if (seen.result == S_OK && !component) {
        seen.result = E_POINTER;
    }
    if (seen.result == S_OK) {
        seen.result = component->QueryInterface(IID_INetCfgComponentBindings, bindings.PutVoid());
    }
    if (seen.result == S_OK) {
        seen.result = bindings->EnumBindingPaths(EBP_BELOW, paths.Put());
    }
    if (seen.result != S_OK) {
        return seen;
    }
    ComPtr<INetCfgBindingPath> path;
    ULONG fetched = 0;
    while (paths->Next(1, path.Put(), &fetched) == S_OK && path) {
        PathSeen item;
        const HRESULT hr = ReadPath(path.Get(), &item);
        if (hr != S_OK) {
            seen.result = hr;
            return seen;
        }
        seen.paths.push_back(item);
    }
    return seen;
}

std::vector<std::wstring> NetworkView::Lines() const {
    std::vector<std::wstring> lines;
    if (createResult != S_OK || initializeResult != S_OK) {
        lines.push_back(L"  not read: CoCreateInstance " + ResultText(createResult) +
                        L", Initialize " + ResultText(initializeResult));
        return lines;
    }
    for (const ClassSeen& seen : classes) {
        if (seen.result != S_OK) {
            lines.push_back(L"  " + std::wstring(seen.name) + L": not read, " +
                            ResultText(seen.result));
            continue;
        }
        for (const ComponentSeen& component : seen.components) {
            lines.push_back(L"  " + std::wstring(seen.name) + L"  " + component.id + L"  \"" +
                            component.displayName + L"\"");
        }
    }
    AddPathLines(components::kIpv6ComponentId, ipv6Paths, &lines);
    if (Has(components::kSwitchEnumeratedId)) {
        AddPathLines(components::kSwitchEnumeratedId, switchPaths, &lines);
    }
    return lines;
}

bool NetworkView::Has(const wchar_t* id) const {
    for (const ClassSeen& seen : classes) {
        for (const ComponentSeen& component : seen.components) {
            if (CompareStringOrdinal(component.id.c_str(), -1, id, -1, TRUE) == CSTR_EQUAL) {
                return true;
            }
        }
    }
    return false;
}

NetworkView ReadNetworkView() {
    NetworkView view;
    const ComApartment apartment;
    ComPtr<INetCfg> netCfg;
    view.createResult = CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                         netCfg.PutVoid());
    if (view.createResult != S_OK) {
        return view;
    }
    view.initializeResult = netCfg->Initialize(nullptr);
    if (view.initializeResult != S_OK) {
        return view;
    }
    view.classes = ReadClasses(netCfg.Get());
    view.ipv6Paths = ReadPathsBelow(netCfg.Get(), components::kIpv6ComponentId);
    view.switchPaths = ReadPathsBelow(netCfg.Get(), components::kSwitchEnumeratedId);
    netCfg->Uninitialize();
    return view;
}

}  // namespace selftest
