// The simulated machine's net.exe: "net.exe start NAME" starts a registered service.
#include "base/machine_root.h"
#include "machine/services.h"

#include <cstdio>
#include <strings.h>
#include <string>

namespace {

constexpr int kSucceeded = 0;
constexpr int kUsage = 1;
constexpr int kFailed = 2;  // net.exe's exit code for a command that ran and failed

int StartNamedService(const std::string& name) {
    std::string error;
    switch (simwin::StartService(simwin::MachineRoot(), name, &error)) {
        case simwin::ServiceStart::Started:
            std::printf("The %s service was started successfully.\n", name.c_str());
            return kSucceeded;
        case simwin::ServiceStart::AlreadyRunning:
            std::printf("The requested service has already been started.\n");
            return kFailed;
        case simwin::ServiceStart::UnknownService:
            std::printf("The service name is invalid.\n");
            return kFailed;
        case simwin::ServiceStart::Failed:
            break;
    }
    std::fprintf(stderr, "The %s service could not be started: %s\n", name.c_str(), error.c_str());
    return kFailed;
}

}  // namespace

int main(int argc, char* argv[]) {
    // Windows' net.exe takes its subcommand in any letter case.
    if (argc != 3 || ::strcasecmp(argv[1], "start") != 0 || argv[2][0] == '\0') {
        std::printf("usage: net.exe start SERVICE\n");
        return kUsage;
    }
    return StartNamedService(argv[2]);
}
