// The state one configuration object shares with the components, classes, paths and
// enumerators it hands out: the machine, the write lock, and the staged configuration.
#pragma once

#include "machine/netcfg_store.h"
#include "netcfg/write_lock.h"

#include <windows.h>

#include <string>

namespace simwin {

class NetCfgSession {
public:
    explicit NetCfgSession(std::string root);

    const std::string& root() const { return root_; }
    WriteLock& lock() { return lock_; }
    bool initialized() const { return initialized_; }

    // Loads the store into the staged configuration. A failing HRESULT for a missing
    // (ERROR_FILE_NOT_FOUND), unreadable (ERROR_ACCESS_DENIED) or corrupt (ERROR_INVALID_DATA)
    // store, which stays untouched.
    HRESULT Load();
    // Forgets the staged configuration.
    void Unload();
    // Writes the staged configuration when it changed since the last write.
    HRESULT Apply();
    // Goes back to what was last loaded or applied.
    void Cancel();

    const NetCfgStore& staged() const { return staged_; }
    // The staged configuration for a change; marks it changed.
    NetCfgStore& Change();

    // Checks shared by the methods that read or change the configuration: S_OK, or
    // NETCFG_E_NOT_INITIALIZED, or (for a change) NETCFG_E_NO_WRITE_LOCK.
    HRESULT CheckReadable() const;
    HRESULT CheckWritable() const;

private:
    std::string root_;
    WriteLock lock_;
    bool initialized_ = false;
    bool changed_ = false;
    NetCfgStore staged_;
    NetCfgStore applied_;
};

// "ms_tcpip6->pci\ven_8086&dev_100e": a binding path as the journal names it.
std::string BindingPathName(const NetCfgSession& session, BindingKey key);

}  // namespace simwin
