// The identifiers that the Windows SDK's libraries define.
#include <devguid.h>
#include <netcfgx.h>
#include <objbase.h>

namespace {
constexpr std::uint8_t kNetCfgTail[8] = {0xAA, 0xCF, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E};
constexpr std::uint8_t kDevClassTail[8] = {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18};

constexpr GUID NetCfgIid(std::uint32_t first) {
    return {first,
            0x306E,
            0x11D1,
            {kNetCfgTail[0], kNetCfgTail[1], kNetCfgTail[2], kNetCfgTail[3], kNetCfgTail[4],
             kNetCfgTail[5], kNetCfgTail[6], kNetCfgTail[7]}};
}

constexpr GUID DevClass(std::uint32_t first) {
    return {first,
            0xE325,
            0x11CE,
            {kDevClassTail[0], kDevClassTail[1], kDevClassTail[2], kDevClassTail[3],
             kDevClassTail[4], kDevClassTail[5], kDevClassTail[6], kDevClassTail[7]}};
}
}  // namespace

const IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

const CLSID CLSID_CNetCfg = {
    0x5B035261, 0x40F9, 0x11D1, {0xAA, 0xEC, 0x00, 0x80, 0x5F, 0xC1, 0x27, 0x0E}};
const IID IID_IEnumNetCfgBindingInterface = NetCfgIid(0xC0E8AE90);
const IID IID_IEnumNetCfgBindingPath = NetCfgIid(0xC0E8AE91);
const IID IID_IEnumNetCfgComponent = NetCfgIid(0xC0E8AE92);
const IID IID_INetCfg = NetCfgIid(0xC0E8AE93);
const IID IID_INetCfgBindingInterface = NetCfgIid(0xC0E8AE94);
const IID IID_INetCfgBindingPath = NetCfgIid(0xC0E8AE96);
const IID IID_INetCfgClass = NetCfgIid(0xC0E8AE97);
const IID IID_INetCfgComponent = NetCfgIid(0xC0E8AE99);
const IID IID_INetCfgClassSetup = NetCfgIid(0xC0E8AE9D);
const IID IID_INetCfgComponentBindings = NetCfgIid(0xC0E8AE9E);
const IID IID_INetCfgLock = NetCfgIid(0xC0E8AE9F);

const GUID GUID_DEVCLASS_NET = DevClass(0x4D36E972);
const GUID GUID_DEVCLASS_NETCLIENT = DevClass(0x4D36E973);
const GUID GUID_DEVCLASS_NETSERVICE = DevClass(0x4D36E974);
const GUID GUID_DEVCLASS_NETTRANS = DevClass(0x4D36E975);
