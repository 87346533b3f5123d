// prefix_setup_probe.exe: runs the Wine prefix registrations under Wine for the Wine tests.
//
//   register-server DLLPATH          CLSID_CNetCfg's in-process server becomes DLLPATH
//   register-service SERVICEPATH     "npf" runs SERVICEPATH
//   refuse DLLPATH SERVICEPATH       both registrations, told that the process is not under Wine
//
// Exit code 0 when the command did what it names (for refuse: both registrations refused), 1
// when it did not, 2 for a bad command line. Every error a registration reports is printed on
// its own line.
#include "wine_prefix.h"

#include <cstdio>
#include <string>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

bool NotUnderWine() {
    return false;
}

int Report(bool succeeded, const std::wstring& error) {
    if (!succeeded) {
        std::printf("%ls\n", error.c_str());
    }
    return succeeded ? kExitOk : kExitFailed;
}

int Refuse(const std::wstring& dllPath, const std::wstring& servicePath) {
    std::wstring serverError;
    std::wstring serviceError;
    const bool serverRegistered = simwin::RegisterNetCfgServer(dllPath, &serverError, NotUnderWine);
    const bool serviceRegistered =
        simwin::RegisterNpfService(servicePath, &serviceError, NotUnderWine);
    std::printf("%ls\n%ls\n", serverError.c_str(), serviceError.c_str());
    return serverRegistered || serviceRegistered ? kExitFailed : kExitOk;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    std::wstring error;
    if (command == L"register-server" && argc == 3) {
        return Report(simwin::RegisterNetCfgServer(argv[2], &error), error);
    }
    if (command == L"register-service" && argc == 3) {
        return Report(simwin::RegisterNpfService(argv[2], &error), error);
    }
    if (command == L"refuse" && argc == 4) {
        return Refuse(argv[2], argv[3]);
    }
    std::printf(
        "usage: register-server DLLPATH | register-service SERVICEPATH | refuse DLLPATH "
        "SERVICEPATH\n");
    return kExitUsage;
}
