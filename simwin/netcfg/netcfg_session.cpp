#include "netcfg/netcfg_session.h"

#include "base/utf8.h"
#include "base/atomic_file.h"

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
    StoreFileInfo info;
    switch (ReadNetCfgStore(StorePath(root_), &store, &error, &info)) {
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
    changedBindings_.clear();
    storeBytes_ = info.bytes;
    appliedBytes_ = info.appliedBytes;
    // Appending after an unfinished line would join the two.
    wholeWriteNeeded_ = info.unfinishedApply;
    initialized_ = true;
    return S_OK;
}

void NetCfgSession::Unload() {
    staged_ = NetCfgStore();
    applied_ = NetCfgStore();
    changed_ = false;
    changedBindings_.clear();
    initialized_ = false;
}

HRESULT NetCfgSession::Apply() {
    if (!changed_ && changedBindings_.empty()) {
        return S_OK;
    }
    if (!changed_ && AppendBindingStates()) {
        return S_OK;
    }
    return WriteWhole();
}

HRESULT NetCfgSession::WriteWhole() {
    const std::string text = FormatNetCfgStore(staged_);
    std::string error;
    if (!WriteFileAtomically(StorePath(root_), text, &error)) {
        return E_FAIL;
    }
    applied_ = staged_;
    changed_ = false;
    changedBindings_.clear();
    storeBytes_ = text.size();
    appliedBytes_ = 0;
    wholeWriteNeeded_ = false;
    return S_OK;
}

bool NetCfgSession::AppendBindingStates() {
    const std::string record = FormatAppliedRecord(changedBindings_);
    // Once the applied lines would outgrow the rest of the store, it is written whole again, so
    // that the file stays at most about twice its compact size.
    const std::size_t compactBytes = storeBytes_ - appliedBytes_;
    if (wholeWriteNeeded_ || appliedBytes_ + record.size() > compactBytes) {
        return false;
    }
    std::string error;
    if (!AppendToFileOfLength(StorePath(root_), storeBytes_, record, &error)) {
        // A write cut short may have left part of the line: only a whole write mends that.
        wholeWriteNeeded_ = true;
        return false;
    }
    for (const auto& [key, enabled] : changedBindings_) {
        applied_.bindings[key] = enabled;
    }
    changedBindings_.clear();
    storeBytes_ += record.size();
    appliedBytes_ += record.size();
    return true;
}

void NetCfgSession::Cancel() {
    staged_ = applied_;
    changed_ = false;
    changedBindings_.clear();
}

NetCfgStore& NetCfgSession::Change() {
    changed_ = true;
    return staged_;
}

void NetCfgSession::ChangeBinding(BindingKey key, bool enabled) {
    staged_.bindings[key] = enabled;
    // A path set back to its applied state leaves nothing to write for it.
    const auto applied = applied_.bindings.find(key);
    if (applied != applied_.bindings.end() && applied->second == enabled) {
        changedBindings_.erase(key);
    } else {
        changedBindings_[key] = enabled;
    }
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
