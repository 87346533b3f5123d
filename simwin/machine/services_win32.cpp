// On Windows the machine's services are the system's: the one a machine knows, "npf", is read
// from the service control manager.
#include "machine/services.h"

#include <windows.h>

namespace simwin {

namespace {

// Closes a service control manager handle when it goes.
class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle) : handle_(handle) {}
    ~ServiceHandle() {
        if (handle_ != nullptr) {
            CloseServiceHandle(handle_);
        }
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;

    SC_HANDLE get() const { return handle_; }

private:
    SC_HANDLE handle_;
};

}  // namespace

bool ReadServices(const std::string& root, std::vector<ServiceInfo>* services, std::string* error) {
    (void)root;
    services->clear();
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.get() == nullptr) {
        *error = "cannot open the service control manager";
        return false;
    }
    ServiceHandle npf(OpenServiceW(manager.get(), L"npf", SERVICE_QUERY_STATUS));
    if (npf.get() == nullptr) {
        return true;  // not registered
    }
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(npf.get(), &status)) {
        *error = "cannot query the npf service";
        return false;
    }
    services->push_back({"npf", status.dwCurrentState == SERVICE_RUNNING});
    return true;
}

}  // namespace simwin
