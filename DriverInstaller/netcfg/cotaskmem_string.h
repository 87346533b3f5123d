// A wide string that the platform allocated with the COM task allocator, freed with
// CoTaskMemFree when it goes out of scope.
#pragma once

#include <objbase.h>

class CoTaskMemString {
public:
    CoTaskMemString() = default;
    CoTaskMemString(const CoTaskMemString&) = delete;
    CoTaskMemString& operator=(const CoTaskMemString&) = delete;
    // CoTaskMemFree does nothing for null, so an empty holder needs no check.
    ~CoTaskMemString() { CoTaskMemFree(text_); }

    LPWSTR Get() const { return text_; }
    explicit operator bool() const { return text_ != nullptr; }

    // The address to hand to a call that returns a string; frees what was held first.
    LPWSTR* Put() {
        Reset();
        return &text_;
    }

    // Frees the string held, if any, and holds nothing.
    void Reset() {
        CoTaskMemFree(text_);
        text_ = nullptr;
    }

private:
    LPWSTR text_ = nullptr;
};
