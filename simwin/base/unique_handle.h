// A Windows handle owned by a holder that closes it with its own function when the holder goes:
// UniqueHandle<SC_HANDLE, CloseServiceHandle>, UniqueHandle<HKEY, RegCloseKey>. For handles whose
// "none" is null.
#pragma once

namespace simwin {

template <typename Handle, auto Close>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() {
        if (handle_ != nullptr) {
            Close(handle_);
        }
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    // The handle, still owned by the holder.
    Handle Get() const { return handle_; }
    // The address to hand to the call that opens one; only while nothing is held.
    Handle* Put() { return &handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    Handle handle_ = nullptr;
};

}  // namespace simwin
