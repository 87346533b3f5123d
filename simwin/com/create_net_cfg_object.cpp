// What CoCreateInstance(CLSID_CNetCfg) makes: a configuration object of the process's machine.
#include "com/class_factory.h"
#include "base/machine_root.h"
#include "netcfg/netcfg_objects.h"

namespace simwin {

HRESULT CreateNetCfgObject(REFIID riid, void** object) {
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    return NewNetCfg(MachineRoot(), riid, object);
}

}  // namespace simwin
