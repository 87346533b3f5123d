#include "netcfg/netcfg_session.h"

#include "kernel/utf8.h"

#include <netcfgx.h>

namespace simwin {

namespace {

std::string StorePath(const std::string& root) {
    return root + "/netcfg.store";
}

}  // namespace

NetCfgSession::NetCfgSession(std::string root)
    : root_(std::move(root)), lock_(WriteLockPath(root_)) {}

HRESULT NetCfgSession::Load() {
    NetCfgStore store;
    std::string error;
    switch (ReadNetCfgStore(StorePath(root_), &store, &error)) {
        case StoreReadResult::Ok:
            break;
        case StoreReadResult::Missing:
            return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
        case StoreReadResult::Unreadable:
            return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
        case StoreReadResult::Corrupt:
            return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    }
    staged_ = store;
    applied_ = std::move(store);
    changed_ = false;
    initialized_ = true;
    return S_OK;
}

void NetCfgSession::Unload() {
    staged_ = NetCfgStore();
    applied_ = NetCfgStore();
    changed_ = false;
    initialized_ = false;
}

HRESULT NetCfgSession::Apply() {
    if (!changed_) {
        return S_OK;
    }
    std::string error;
    if (!WriteNetCfgStore(StorePath(root_), staged_, &error)) {
        return E_FAIL;
    }
    applied_ = staged_;
    changed_ = false;
    return S_OK;
}

void NetCfgSession::Cancel() {
    staged_ = applied_;
    changed_ = false;
}

NetCfgStore& NetCfgSession::Change() {
    changed_ = true;
    return staged_;
}

HRESULT NetCfgSession::CheckReadable() const {
    return initialized_ ? S_OK : NETCFG_E_NOT_INITIALIZED;
}

HRESULT NetCfgSession::CheckWritable() const {
    if (!initialized_) {
        return NETCFG_E_NOT_INITIALIZED;
    }
    return lock_.held() ? S_OK : NETCFG_E_NO_WRITE_LOCK;
}

std::string BindingPathName(const NetCfgSession& session, BindingKey key) {
    const auto& components = session.staged().components;
    const auto upper = components.find(key.first);
    const auto lower = components.find(key.second);
    const std::string upperId = upper != components.end() ? ToUtf8(upper->second.id) : "?";
    const std::string lowerId = lower != components.end() ? ToUtf8(lower->second.id) : "?";
    return upperId + "->" + lowerId;
}

}  // namespace simwin
