// On Windows the machine's services are the system's: the one a machine knows, "npf", is read
// from the service control manager.
#include "machine/services.h"

#include "base/unique_handle.h"

#include <windows.h>

namespace simwin {

// A service control manager or service handle, closed when it goes.
using ServiceHandle = UniqueHandle<SC_HANDLE, CloseServiceHandle>;

bool ReadServices(const std::string& root, std::vector<ServiceInfo>* services, std::string* error) {
    (void)root;
    services->clear();
    ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (manager.Get() == nullptr) {
        *error = "cannot open the service control manager";
        return false;
    }
    ServiceHandle npf(OpenServiceW(manager.Get(), L"npf", SERVICE_QUERY_STATUS));
    if (npf.Get() == nullptr) {
        return true;  // not registered
    }
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(npf.Get(), &status)) {
        *error = "cannot query the npf service";
        return false;
    }
    services->push_back({"npf", status.dwCurrentState == SERVICE_RUNNING});
    return true;
}

}  // namespace simwin
