// The COM objects of the network configuration, each made by its own file. Every New...
// returns an object holding one reference, which the caller owns.
#pragma once

#include "machine/netcfg_store.h"
#include "netcfg/netcfg_session.h"
#include "netcfg/platform_call.h"

#include <netcfgx.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace simwin {

// A method of the interfaces that the engine does not model: journalled under name with its key
// arguments like every other call, its out-parameters cleared, and E_NOTIMPL answered (or a fault
// rule's failure), as Wine's own network configuration answers the methods it lacks.
template <typename... Out>
HRESULT NotModelled(const char* name, std::string arguments, Out*... outs) {
    PlatformCall call(name, std::move(arguments));
    (ClearIfGiven(outs), ...);
    return call.Finish(call.Refusal(E_NOTIMPL));
}

// net_cfg.cpp: the configuration object (INetCfg and INetCfgLock) of the machine in root, as
// the interface riid (IUnknown, INetCfg or INetCfgLock; E_NOINTERFACE for another).
// REGDB_E_CLASSNOTREG when root holds no machine, as on a system without the class.
HRESULT NewNetCfg(const std::string& root, REFIID riid, void** object);

// net_cfg_component.cpp: a component (INetCfgComponent and INetCfgComponentBindings).
INetCfgComponent* NewNetCfgComponent(std::shared_ptr<NetCfgSession> session,
                                     const ComponentRecord& record);
// FindComponent of INetCfg (every class) and of INetCfgClass (its own class), journalled under
// callName: the staged component whose id is infId, letter case ignored, or S_FALSE and null.
HRESULT FindStagedComponent(const char* callName, const std::shared_ptr<NetCfgSession>& session,
                            LPCWSTR infId, std::optional<ComponentClass> componentClass,
                            INetCfgComponent** component);
// The staged component with this instance, as a new object into *component (which the caller has
// checked): E_UNEXPECTED when the configuration no longer holds it, removed since the binding path
// that names it was handed out.
HRESULT NewStagedComponent(const std::shared_ptr<NetCfgSession>& session, unsigned instance,
                           INetCfgComponent** component);
// The instance number of a component object this layer made; none for any other object.
std::optional<unsigned> ComponentInstance(INetCfgComponent* component);

// net_cfg_class.cpp: a device class (INetCfgClass and INetCfgClassSetup), as the interface
// riid (IUnknown, INetCfgClass or INetCfgClassSetup; E_NOINTERFACE for another).
HRESULT NewNetCfgClass(std::shared_ptr<NetCfgSession> session, ComponentClass componentClass,
                       REFIID riid, void** object);

// binding_path.cpp and binding_interface.cpp: a binding path and its one binding interface.
INetCfgBindingPath* NewBindingPath(std::shared_ptr<NetCfgSession> session, BindingKey key);
INetCfgBindingInterface* NewBindingInterface(std::shared_ptr<NetCfgSession> session,
                                             BindingKey key);

// enumerators.cpp: enumerators over items whose references they take over.
IEnumNetCfgComponent* NewComponentEnum(std::vector<INetCfgComponent*> items);
IEnumNetCfgBindingPath* NewBindingPathEnum(std::vector<INetCfgBindingPath*> items);
IEnumNetCfgBindingInterface* NewBindingInterfaceEnum(std::vector<INetCfgBindingInterface*> items);
// The staged components of a class (all when none is given), as an enumerator.
IEnumNetCfgComponent* EnumerateComponents(const std::shared_ptr<NetCfgSession>& session,
                                          std::optional<ComponentClass> componentClass);

}  // namespace simwin
