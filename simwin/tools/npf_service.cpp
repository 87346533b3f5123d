// npf-service.exe: the stand-in "npf" service of a Wine test prefix. It does nothing but run: it
// reports itself running when started and stopped when asked to stop, so that a test sees
// "net.exe start npf" start a real service through Wine's service control manager. For tests
// only: nothing here is shipped.
#include <windows.h>

namespace {

// Writable because the service table takes a writable string.
wchar_t serviceName[] = L"npf";

// The status handle is valid for the life of the process; the handler needs it to report.
SERVICE_STATUS_HANDLE statusHandle = nullptr;

void ReportState(DWORD state) {
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = NO_ERROR;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI ControlHandler(DWORD control, DWORD /*eventType*/, void* /*eventData*/,
                            void* /*context*/) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            // Nothing to wind down: the last service of the process stopped ends the dispatcher.
            ReportState(SERVICE_STOPPED);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// A service without work of its own returns from its ServiceMain once it reports running; its
// control handler goes on answering on the dispatcher's thread.
void WINAPI ServiceMain(DWORD /*argc*/, wchar_t** /*argv*/) {
    statusHandle = RegisterServiceCtrlHandlerExW(serviceName, ControlHandler, nullptr);
    if (statusHandle == nullptr) {
        return;
    }
    ReportState(SERVICE_RUNNING);
}

}  // namespace

int wmain() {
    const SERVICE_TABLE_ENTRYW services[] = {{serviceName, ServiceMain}, {nullptr, nullptr}};
    // Returns when the service has stopped, or at once when the process was not started by the
    // service control manager.
    return StartServiceCtrlDispatcherW(services) ? 0 : 1;
}
