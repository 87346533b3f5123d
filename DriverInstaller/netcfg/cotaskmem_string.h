// A wide string that the platform allocated with the COM task allocator, freed with
// CoTaskMemFree when it goes out of scope.
#pragma once

#include <objbase.h>

class CoTaskMemString {
public:
    CoTaskMemString() = default;
    ~CoTaskMemString() { Reset(); }
    CoTaskMemString(const CoTaskMemString&) = delete;
    CoTaskMemString& operator=(const CoTaskMemString&) = delete;

    LPWSTR Get() const { return text_; }
    explicit operator bool() const { return text_ != nullptr; }

    // The address to hand to a call that returns a string; frees what was held first.
    LPWSTR* Put() {
        Reset();
        return &text_;
    }

    void Reset() {
        if (text_ != nullptr) {
            CoTaskMemFree(text_);
            text_ = nullptr;
        }
    }

private:
    LPWSTR text_ = nullptr;
};
