#include "kernel/handles.h"

#include <mutex>
#include <set>

namespace simwin::detail {

namespace {

struct HandleObject {
    HandleKind kind;
    int fd;
    DWORD access;
};

// The live handles. A HANDLE is the address of its object; the set lets a stale or made-up
// value be refused instead of being dereferenced.
struct HandleTable {
    std::mutex mutex;
    std::set<const HandleObject*> live;
};

HandleTable& Table() {
    static HandleTable table;
    return table;
}

}  // namespace

HANDLE NewHandle(HandleKind kind, int fd, DWORD access) {
    auto* object = new HandleObject{kind, fd, access};
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    table.live.insert(object);
    return object;
}

bool LookUpHandle(HANDLE handle, HandleKind kind, HandleView* view) {
    auto* object = static_cast<const HandleObject*>(handle);
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    if (table.live.count(object) == 0 || object->kind != kind) {
        return false;
    }
    view->fd = object->fd;
    view->access = object->access;
    return true;
}

bool TakeHandle(HANDLE handle, int* fd) {
    auto* object = static_cast<const HandleObject*>(handle);
    {
        HandleTable& table = Table();
        std::lock_guard<std::mutex> guard(table.mutex);
        if (table.live.erase(object) == 0) {
            return false;
        }
    }
    *fd = object->fd;
    delete object;
    return true;
}

}  // namespace simwin::detail
