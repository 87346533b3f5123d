// A COM interface pointer that releases its reference when it goes out of scope.
#pragma once

#include <objbase.h>

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // The address to hand to a call that returns an interface; releases what was held first.
    Interface** Put() {
        Reset();
        return &pointer_;
    }
    // Put() in the untyped form of QueryInterface, CoCreateInstance and QueryNetCfgClass.
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    // Hands out a reference of its own: *copy receives the pointer, one reference added for it.
    void CopyTo(Interface** copy) const {
        *copy = pointer_;
        if (pointer_ != nullptr) {
            pointer_->AddRef();
        }
    }

    // Releases the reference held, if any, and holds nothing.
    void Reset() {
        if (pointer_ != nullptr) {
            pointer_->Release();
            pointer_ = nullptr;
        }
    }

private:
    Interface* pointer_ = nullptr;
};
