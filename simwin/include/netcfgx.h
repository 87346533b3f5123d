// Simulated Windows platform: the network configuration interfaces of <netcfgx.h>, with the
// methods the installer calls and the few that a tool needs to look around.
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

typedef enum tagENUM_BINDING_PATHS_FLAGS {
    EBP_ABOVE = 0x1,
    EBP_BELOW = 0x2,
} ENUM_BINDING_PATHS_FLAGS;

// ---- Enumerators: Next answers S_OK while an item comes, S_FALSE at the end.
struct IEnumNetCfgComponent : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, INetCfgComponent** rgelt,
                                           ULONG* celtFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
};

struct INetCfgBindingInterface;
struct IEnumNetCfgBindingInterface : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, INetCfgBindingInterface** rgelt,
                                           ULONG* celtFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
};

struct INetCfgBindingPath;
struct IEnumNetCfgBindingPath : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Next(ULONG celt, INetCfgBindingPath** rgelt,
                                           ULONG* celtFetched) = 0;
    virtual HRESULT STDMETHODCALLTYPE Skip(ULONG celt) = 0;
    virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
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

// ---- Components, classes and bindings
struct INetCfgComponent : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* displayName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetId(LPWSTR* id) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClassGuid(GUID* classGuid) = 0;
};

struct INetCfgClass : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR infId,
                                                    INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE EnumComponents(IEnumNetCfgComponent** components) = 0;
};

struct INetCfgClassSetup : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Install(LPCWSTR infId, OBO_TOKEN* oboToken, DWORD setupFlags,
                                              DWORD upgradeFromBuildNo, LPCWSTR answerFile,
                                              LPCWSTR answerSections,
                                              INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE DeInstall(INetCfgComponent* component, OBO_TOKEN* oboToken,
                                                LPWSTR* references) = 0;
};

struct INetCfgComponentBindings : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE EnumBindingPaths(DWORD flags,
                                                       IEnumNetCfgBindingPath** paths) = 0;
};

struct INetCfgBindingPath : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE IsEnabled() = 0;
    virtual HRESULT STDMETHODCALLTYPE Enable(BOOL enable) = 0;
    virtual HRESULT STDMETHODCALLTYPE
    EnumBindingInterfaces(IEnumNetCfgBindingInterface** interfaces) = 0;
};

struct INetCfgBindingInterface : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetUpperComponent(INetCfgComponent** component) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetLowerComponent(INetCfgComponent** component) = 0;
};
