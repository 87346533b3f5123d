#include "netcfg_checks.h"

#include "com_apartment.h"
#include "device_manager/components.h"
#include "netcfg/com_ptr.h"
#include "netcfg/cotaskmem_string.h"
#include "text.h"

#include <cwctype>
#include <initializer_list>
#include <map>
#include <string>

namespace selftest {

namespace {

constexpr wchar_t kComponentsSection[] = L"Components (GetId, GetDisplayName)";
constexpr wchar_t kPathsSection[] = L"Binding paths below ms_tcpip6";
constexpr wchar_t kLockSection[] = L"Write lock";
// An id no product installs, so that FindComponent has nothing to find.
constexpr wchar_t kAbsentId[] = L"driverinstaller_selftest_absent";

constexpr AssumptionText kCreate = {"netcfg-class",
                                    L"The network configuration object can be created",
                                    L"CoCreateInstance(CLSID_CNetCfg) answers 0x00000000 (S_OK)"};
constexpr AssumptionText kWriteLock = {
    "write-lock-holder", L"IsWriteLocked names the client that holds the lock",
    L"S_FALSE when no other client holds it; S_OK and the holder's description when one does"};
constexpr AssumptionText kInitialize = {
    "initialize-without-lock", L"Initialize without the write lock (reading needs no lock)",
    L"0x00000000 (S_OK)"};
constexpr AssumptionText kFindAbsent = {"find-component-absent",
                                        L"FindComponent of an id that is not installed",
                                        L"0x00000001 (S_FALSE) and no component"};
constexpr AssumptionText kIdCase = {"id-letter-case", L"The letter case GetId returns",
                                    L"every id in lower case"};
constexpr AssumptionText kIpv6Paths = {
    "ipv6-binding-paths", L"The binding paths below ms_tcpip6",
    L"each path's first binding interface leads to an adapter, whose display name is read"};

void CheckWriteLock(INetCfg* netCfg, Findings* findings) {
    ComPtr<INetCfgLock> lock;
    CoTaskMemString holder;
    HRESULT hr = netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid());
    if (hr == S_OK) {
        hr = lock->IsWriteLocked(holder.Put());
    }
    std::wstring observed = ResultText(hr);
    if (hr == S_OK) {
        observed += holder ? L", held by '" + std::wstring(holder.Get()) + L"'"
                           : std::wstring(L", no holder description");
    }
    findings->AddFact(kLockSection, L"IsWriteLocked", observed);
    // S_OK means another client holds the lock; the program logs the holder that a refused lock
    // names, so a holder without a description leaves its log without the name.
    const bool holds = hr == S_FALSE || (hr == S_OK && holder);
    findings->AddAssumption(kWriteLock, observed, holds);
}

void CheckFindAbsent(INetCfg* netCfg, Findings* findings) {
    ComPtr<INetCfgComponent> component;
    const HRESULT hr = netCfg->FindComponent(kAbsentId, component.Put());
    const std::wstring observed =
        ResultText(hr) + (component ? L" and a component" : L" and no component");
    findings->AddAssumption(kFindAbsent, observed, hr == S_FALSE && !component);
}

bool HasCapitals(const std::wstring& id) {
    for (const wchar_t ch : id) {
        if (std::iswupper(ch) != 0) {
            return true;
        }
    }
    return false;
}

// The components as facts, and the letter case of their ids: the program compares the ids it
// enumerates with lower-case ids, letter case significant.
void CheckComponents(const NetworkView& view, Findings* findings) {
    std::wstring capitals;
    HRESULT failed = S_OK;
    std::size_t count = 0;
    for (const ClassSeen& seen : view.classes) {
        if (seen.result != S_OK) {
            findings->AddFact(kComponentsSection, seen.name,
                              L"not read: " + ResultText(seen.result));
            failed = failed == S_OK ? seen.result : failed;
            continue;
        }
        for (const ComponentSeen& component : seen.components) {
            findings->AddFact(kComponentsSection, seen.name,
                              component.id + L"  \"" + component.displayName + L"\"");
            ++count;
            if (HasCapitals(component.id)) {
                capitals += (capitals.empty() ? L"" : L", ") + component.id;
            }
        }
    }
    std::wstring observed;
    if (failed != S_OK) {
        observed = L"the components could not be enumerated: " + ResultText(failed);
    } else if (capitals.empty()) {
        observed = L"all " + std::to_wstring(count) + L" ids in lower case";
    } else {
        observed = L"ids with capitals: " + capitals;
    }
    findings->AddAssumption(kIdCase, observed, failed == S_OK && capitals.empty() && count > 0);
}

// The display names of the instances of every adapter id that has more than one, each id an
// assumption: the first as its INF names it, then " #2", " #3".
void CheckInstanceNames(const NetworkView& view, Findings* findings) {
    std::map<std::wstring, std::vector<std::wstring>> namesById;
    for (const ClassSeen& seen : view.classes) {
        if (std::wstring(seen.name) != L"net") {
            continue;
        }
        for (const ComponentSeen& component : seen.components) {
            namesById[component.id].push_back(component.displayName);
        }
    }
    for (const auto& [id, names] : namesById) {
        if (names.size() < 2) {
            continue;
        }
        std::wstring observed;
        bool holds = true;
        for (std::size_t i = 0; i < names.size(); ++i) {
            observed += (i == 0 ? L"'" : L", '") + names[i] + L"'";
            const std::wstring expected =
                i == 0 ? names[0] : names[0] + L" #" + std::to_wstring(i + 1);
            holds = holds && names[i] == expected;
        }
        findings->AddAssumption(
            "instance-names", L"The display names of the instances of adapter " + id,
            L"the first as its INF names it, then ' #2', ' #3', ... after it", observed, holds);
    }
}

// The IPv6 pass of the program reads each path's first binding interface and compares the
// display name of its lower component, which it takes to be the adapter.
void CheckIpv6Paths(const PathsSeen& seen, Findings* findings) {
    std::wstring notAdapters;
    for (const PathSeen& path : seen.paths) {
        findings->AddFact(kPathsSection, path.enabled ? L"enabled" : L"disabled",
                          path.lowerId + L"  \"" + path.lowerDisplayName + L"\", depth " +
                              (path.depth == 0 ? L"not reported" : std::to_wstring(path.depth)));
        if (!path.lowerIsAdapter) {
            notAdapters += (notAdapters.empty() ? L"" : L", ") + path.lowerId;
        }
    }
    std::wstring observed;
    if (seen.result != S_OK) {
        observed = L"the paths could not be read: " + ResultText(seen.result);
    } else if (notAdapters.empty()) {
        observed =
            std::to_wstring(seen.paths.size()) + L" paths, each first interface to an adapter";
    } else {
        observed = L"first interfaces to components that are not adapters: " + notAdapters;
    }
    findings->AddAssumption(kIpv6Paths, observed,
                            seen.result == S_OK && notAdapters.empty() && !seen.paths.empty());
}

// The assumptions that a failed step before them kept from being checked: they count as
// differing, so that every run counts the same assumptions.
void AddNotChecked(std::initializer_list<const AssumptionText*> texts, const wchar_t* step,
                   HRESULT hr, Findings* findings) {
    for (const AssumptionText* text : texts) {
        findings->AddAssumption(
            *text, std::wstring(L"not checked: ") + step + L" answered " + ResultText(hr), false);
    }
}

}  // namespace

NetworkView CheckNetworkConfiguration(Findings* findings) {
    NetworkView view;
    const ComApartment apartment;
    ComPtr<INetCfg> netCfg;
    view.createResult = CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                         netCfg.PutVoid());
    findings->AddAssumption(kCreate, ResultText(view.createResult), view.createResult == S_OK);
    if (view.createResult != S_OK) {
        AddNotChecked({&kWriteLock, &kInitialize, &kFindAbsent, &kIdCase, &kIpv6Paths},
                      L"CoCreateInstance", view.createResult, findings);
        return view;
    }
    // Before Initialize: the lock is the machine's, whatever this object does.
    CheckWriteLock(netCfg.Get(), findings);
    view.initializeResult = netCfg->Initialize(nullptr);
    findings->AddAssumption(kInitialize, ResultText(view.initializeResult),
                            view.initializeResult == S_OK);
    if (view.initializeResult != S_OK) {
        AddNotChecked({&kFindAbsent, &kIdCase, &kIpv6Paths}, L"Initialize", view.initializeResult,
                      findings);
        return view;
    }
    CheckFindAbsent(netCfg.Get(), findings);
    view.classes = ReadClasses(netCfg.Get());
    view.ipv6Paths = ReadPathsBelow(netCfg.Get(), components::kIpv6ComponentId);
    view.switchPaths = ReadPathsBelow(netCfg.Get(), components::kSwitchEnumeratedId);
    netCfg->Uninitialize();
    CheckComponents(view, findings);
    // Checked where the machine has adapters that share an id (the install cycle makes some).
    CheckInstanceNames(view, findings);
    CheckIpv6Paths(view.ipv6Paths, findings);
    return view;
}

}  // namespace selftest
