// The state one configuration object shares with the components, classes, paths and
// enumerators it hands out: the machine, the write lock, and the staged configuration.
#pragma once

#include "machine/netcfg_store.h"
#include "machine/write_lock.h"

#include <windows.h>

#include <cstddef>
#include <map>
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
    // Writes the staged configuration when it changed since the last write: a change of binding
    // states alone is appended to the store, anything else rewrites it whole.
    HRESULT Apply();
    // Goes back to what was last loaded or applied.
    void Cancel();

    const NetCfgStore& staged() const { return staged_; }
    // The staged configuration for a change of its components; marks it changed, so that the
    // next Apply rewrites the store whole.
    NetCfgStore& Change();
    // Sets the state of a binding path that the staged configuration holds.
    void ChangeBinding(BindingKey key, bool enabled);

    // Checks shared by the methods that read or change the configuration: S_OK, or
    // NETCFG_E_NOT_INITIALIZED, or (for a change) NETCFG_E_NO_WRITE_LOCK.
    HRESULT CheckReadable() const;
    HRESULT CheckWritable() const;

private:
    std::string root_;
    WriteLock lock_;
    // Replaces the store with the staged configuration.
    HRESULT WriteWhole();
    // Appends the binding states changed since the last write; false when the store must be
    // written whole instead.
    bool AppendBindingStates();

    bool initialized_ = false;
    bool changed_ = false;  // components changed: the next Apply writes the store whole
    std::map<BindingKey, bool> changedBindings_;  // since the last write
    NetCfgStore staged_;
    NetCfgStore applied_;
    // The store file as the last read or write left it: its length, how much of it is applied
    // lines, and whether it must be written whole before anything is appended to it.
    std::size_t storeBytes_ = 0;
    std::size_t appliedBytes_ = 0;
    bool wholeWriteNeeded_ = false;
};

// "ms_tcpip6->pci\ven_8086&dev_100e": a binding path as the journal names it.
std::string BindingPathName(const NetCfgSession& session, BindingKey key);

}  // namespace simwin
