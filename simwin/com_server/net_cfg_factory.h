// The class factory of the network configuration engine's configuration object (CLSID_CNetCfg),
// for a COM server DLL to hand out or a test process to register with CoRegisterClassObject.
#pragma once

#include <objbase.h>

namespace simwin {

// A new class factory holding one reference, which the caller owns. Its CreateInstance makes a
// configuration object of the machine that MachineRoot() names.
IClassFactory* NewNetCfgFactory();

// Whether the engine has live objects or the factory is locked (IClassFactory::LockServer).
bool NetCfgServerInUse();

}  // namespace simwin
