// What the two objects of one binding path share, the path itself (INetCfgBindingPath) and its
// binding interface (INetCfgBindingInterface): the configuration that handed them out and the
// path's two ends, which also name every call of theirs in the journal.
#pragma once

#include "netcfg/com_object.h"
#include "netcfg/netcfg_session.h"

#include <memory>
#include <string>

namespace simwin {

template <typename Interface>
class BindingObject : public ComObject<Interface> {
public:
    BindingObject(std::shared_ptr<NetCfgSession> session, BindingKey key)
        : session_(std::move(session)), key_(key) {}

protected:
    // The path as the journal names it ("ms_tcpip6->pci\ven_8086&dev_100e").
    std::string PathName() const { return BindingPathName(*session_, key_); }

    std::shared_ptr<NetCfgSession> session_;
    BindingKey key_;
};

}  // namespace simwin
