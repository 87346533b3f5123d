#include "kernel/handles.h"

#include <mutex>
#include <set>
#include <unistd.h>
#include <vector>

namespace simwin::detail {

namespace {

struct HandleObject {
    HandleKind kind;
    int fd;
    DWORD access;
    bool deleteOnClose;  // CloseHandle removes the file's name
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
    auto* object = new HandleObject{kind, fd, access, false};
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

bool SetDeleteOnClose(HANDLE handle, bool deleteOnClose) {
    auto* object = static_cast<HandleObject*>(handle);
    HandleTable& table = Table();
    std::lock_guard<std::mutex> guard(table.mutex);
    if (table.live.count(object) == 0 || object->kind != HandleKind::File) {
        return false;
    }
    object->deleteOnClose = deleteOnClose;
    return true;
}

bool TakeHandle(HANDLE handle, int* fd, bool* deleteOnClose) {
    auto* object = static_cast<const HandleObject*>(handle);
    {
        HandleTable& table = Table();
        std::lock_guard<std::mutex> guard(table.mutex);
        if (table.live.erase(object) == 0) {
            return false;
        }
    }
    *fd = object->fd;
    *deleteOnClose = object->deleteOnClose;
    delete object;
    return true;
}

bool ReadFinalPath(int fd, std::string* path) {
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink(link.c_str(), buffer.data(), buffer.size());
        if (length < 0) {
            return false;
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            path->assign(buffer.data(), static_cast<std::size_t>(length));
            return true;
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace simwin::detail
