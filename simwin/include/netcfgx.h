// Simulated Windows platform: the network configuration interfaces of <netcfgx.h>, each with every
// method the SDK declares, in the SDK's order and with the SDK's parameter types.
#pragma once

#include <objbase.h>

// ---- Results
#define NETCFG_E_ALREADY_INITIALIZED _HRESULT_TYPEDEF_(0x8004A020L)
#define NETCFG_E_NOT_INITIALIZED _HRESULT_TYPEDEF_(0x8004A021L)
#define NETCFG_E_IN_USE _HRESULT_TYPEDEF_(0x8004A022L)
#define NETCFG_E_NO_WRITE_LOCK _HRESULT_TYPEDEF_(0x8004A024L)
#define NETCFG_E_NEED_REBOOT _HRESULT_TYPEDEF_(0x8004A025L)
#define NETCFG_S_REBOOT _HRESULT_TYPEDEF_(0x0004A020L)
#define NETCFG_S_DISABLE_QUERY _HRESULT_TYPEDEF_(0x0004A022L)
#define NETCFG_S_STILL_REFERENCED _HRESULT_TYPEDEF_(0x0004A023L)

// ---- Identifiers
extern const CLSID CLSID_CNetCfg;                  // {5B035261-40F9-11D1-AAEC-00805FC1270E}
extern const IID IID_INetCfg;                      // {C0E8AE93-306E-11D1-AACF-00805FC1270E}
extern const IID IID_INetCfgLock;                  // {C0E8AE9F-306E-11D1-AACF-00805FC1270E}
extern const IID IID_INetCfgClass;                 // {C0E8AE97-...}
extern const IID IID_INetCfgClassSetup;            // {C0E8AE9D-...}
extern const IID IID_INetCfgComponent;             // {C0E8AE99-...}
extern const IID IID_INetCfgComponentBindings;     // {C0E8AE9E-...}
extern const IID IID_INetCfgBindingPath;           // {C0E8AE96-...}
extern const IID IID_INetCfgBindingInterface;      // {C0E8AE94-...}
extern const IID IID_IEnumNetCfgComponent;         // {C0E8AE92-...}
extern const IID IID_IEnumNetCfgBindingPath;       // {C0E8AE91-...}
extern const IID IID_IEnumNetCfgBindingInterface;  // {C0E8AE90-...}

struct INetCfgComponent;
struct INetCfgBindingPath;
struct INetCfgBindingInterface;

typedef enum tagOBO_TOKEN_TYPE {
    OBO_USER = 1,
    OBO_COMPONENT = 2,
    OBO_SOFTWARE = 3,
} OBO_TOKEN_TYPE;

typedef struct tagOBO_TOKEN {
    OBO_TOKEN_TYPE Type;
    INetCfgComponent* pncc;
    LPCWSTR pszwManufacturer;
    LPCWSTR pszwProduct;
    LPCWSTR pszwDisplayName;
    BOOL fRegistered;
} OBO_TOKEN;

// What INetCfgComponent::GetCharacteristics reports, and what an INF's Characteristics holds.
typedef enum tagCOMPONENT_CHARACTERISTICS {
    NCF_VIRTUAL = 0x1,
    NCF_SOFTWARE_ENUMERATED = 0x2,
    NCF_PHYSICAL = 0x4,
    NCF_HIDDEN = 0x8,
    NCF_NO_SERVICE = 0x10,
    NCF_NOT_USER_REMOVABLE = 0x20,
    NCF_MULTIPORT_INSTANCED_ADAPTER = 0x40,
    NCF_HAS_UI = 0x80,
    NCF_SINGLE_INSTANCE = 0x100,
    NCF_FILTER = 0x400,
    NCF_DONTEXPOSELOWER = 0x1000,
    NCF_HIDE_BINDING = 0x2000,
    NCF_NDIS_PROTOCOL = 0x4000,
    NCF_FIXED_BINDING = 0x20000,
    NCF_LW_FILTER = 0x40000,
} COMPONENT_CHARACTERISTICS;

// INetCfgComponent::RaisePropertyUi: ask whether a component has property pages, or show them.
typedef enum tagNCRP_FLAGS {
    NCRP_QUERY_PROPERTY_UI = 0x1,
    NCRP_SHOW_PROPERTY_UI = 0x2,
} NCRP_FLAGS;

// INetCfgComponentBindings::SupportsBindingInterface: which edge of the component.
typedef enum tagSUPPORTS_BINDING_INTERFACE_FLAGS {
    NCF_LOWER = 0x1,
    NCF_UPPER = 0x2,
} SUPPORTS_BINDING_INTERFACE_FLAGS;

typedef enum tagENUM_BINDING_PATHS_FLAGS {
    EBP_ABOVE = 0x1,
    EBP_BELOW = 0x2,
} ENUM_BINDING_PATHS_FLAGS;

// ---- Enumerators: Next answers S_OK while an item comes, S_FALSE at the end.
struct IEnumNetCfgBindingInterface : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, INetCfgBindingInterface** rgelt,
                                           ULONG* celtFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumNetCfgBindingInterface** enumerator) = 0;
};

struct IEnumNetCfgBindingPath : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, INetCfgBindingPath** rgelt,
                                           ULONG* celtFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumNetCfgBindingPath** enumerator) = 0;
};

struct IEnumNetCfgComponent : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, INetCfgComponent** rgelt,
                                           ULONG* celtFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
    virtual HRESULT STDMETHODCALLTYPE Clone(IEnumNetCfgComponent** enumerator) = 0;
};

// ---- The configuration object and its lock
struct INetCfg : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(PVOID reserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE Uninitialize() = 0;
    virtual HRESULT STDMETHODCALLTYPE Apply() = 0;
    virtual HRESULT STDMETHODCALLTYPE Cancel() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumComponents(const GUID* classGuid,
                                                     IEnumNetCfgComponent** components) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR infId,
                                                    INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE QueryNetCfgClass(const GUID* classGuid, REFIID riid,
                                                       void** object) = 0;
};

struct INetCfgLock : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE AcquireWriteLock(DWORD timeoutMs, LPCWSTR clientDescription,
                                                       LPWSTR* holderDescription) = 0;
    virtual HRESULT STDMETHODCALLTYPE ReleaseWriteLock() = 0;
    virtual HRESULT STDMETHODCALLTYPE IsWriteLocked(LPWSTR* holderDescription) = 0;
};

// ---- Binding paths and their interfaces
struct INetCfgBindingInterface : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetName(LPWSTR* interfaceName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetUpperComponent(INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLowerComponent(INetCfgComponent** component) = 0;
};

struct INetCfgBindingPath : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE IsSamePathAs(INetCfgBindingPath* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsSubPathOf(INetCfgBindingPath* path) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsEnabled() = 0;
    virtual HRESULT STDMETHODCALLTYPE Enable(BOOL enable) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPathToken(LPWSTR* pathToken) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOwner(INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDepth(ULONG* interfaceCount) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    EnumBindingInterfaces(IEnumNetCfgBindingInterface** interfaces) = 0;
};

// ---- Classes and components
struct INetCfgClass : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR infId,
                                                    INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumComponents(IEnumNetCfgComponent** components) = 0;
};

struct INetCfgClassSetup : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE SelectAndInstall(HWND parent, OBO_TOKEN* oboToken,
                                                       INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE Install(LPCWSTR infId, OBO_TOKEN* oboToken, DWORD setupFlags,
                                              DWORD upgradeFromBuildNo, LPCWSTR answerFile,
                                              LPCWSTR answerSections,
                                              INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeInstall(INetCfgComponent* component, OBO_TOKEN* oboToken,
                                                LPWSTR* references) = 0;
};

struct INetCfgComponent : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* displayName) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR displayName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHelpText(LPWSTR* helpText) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCharacteristics(LPDWORD characteristics) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetInstanceGuid(GUID* instanceGuid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetPnpDevNodeId(LPWSTR* devNodeId) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClassGuid(GUID* classGuid) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetBindName(LPWSTR* bindName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDeviceStatus(ULONG* status) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenParamKey(HKEY* key) = 0;
    virtual HRESULT STDMETHODCALLTYPE RaisePropertyUi(HWND parent, DWORD flags,
                                                      IUnknown* context) = 0;
};

struct INetCfgComponentBindings : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE BindTo(INetCfgComponent* component) = 0;
    virtual HRESULT STDMETHODCALLTYPE UnbindFrom(INetCfgComponent* component) = 0;
    virtual HRESULT STDMETHODCALLTYPE SupportsBindingInterface(DWORD flags,
                                                               LPCWSTR interfaceName) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsBoundTo(INetCfgComponent* component) = 0;
    virtual HRESULT STDMETHODCALLTYPE IsBindableTo(INetCfgComponent* component) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumBindingPaths(DWORD flags,
                                                       IEnumNetCfgBindingPath** paths) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveBefore(INetCfgBindingPath* path,
                                                 INetCfgBindingPath* destination) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveAfter(INetCfgBindingPath* path,
                                                INetCfgBindingPath* destination) = 0;
};
