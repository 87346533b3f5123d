// COM initialised as a single-threaded apartment for the length of a scope, as DriverInstaller
// initialises it for each configuration cycle.
#pragma once

#include <objbase.h>

namespace selftest {

class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    // Every successful initialisation (S_FALSE included) is taken back once; declare the
    // apartment before the references used in it, so that they are released first.
    ~ComApartment() {
        if (SUCCEEDED(result_)) {
            CoUninitialize();
        }
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

    HRESULT Result() const { return result_; }

private:
    HRESULT result_;
};

}  // namespace selftest
