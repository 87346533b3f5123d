// The classes that CoCreateInstance can create on the simulated machine.
#pragma once

#include <objbase.h>

namespace simwin {

// A new network configuration object (CLSID_CNetCfg), queried for riid.
HRESULT CreateNetCfgObject(REFIID riid, void** object);

}  // namespace simwin
