#include "main/command_dispatch.h"

#include "device_manager/DeviceManager.h"
#include "device_manager/result_codes.h"
#include "log/Logger.h"
#include "log/message_format.h"
#include "main/elevation.h"

#include <cwctype>
#include <memory>
#include <string>

namespace {

// Letter case ignored the way the C locale sees it, as for a command word.
bool EqualsIgnoringCase(const wchar_t* text, const wchar_t* word) {
    for (; *text != L'\0' && *word != L'\0'; ++text, ++word) {
        if (std::towlower(static_cast<std::wint_t>(*text)) !=
            std::towlower(static_cast<std::wint_t>(*word))) {
            return false;
        }
    }
    return *text == L'\0' && *word == L'\0';
}

void WriteStartBanner(Logger& logger) {
    const std::wstring rule(68, L'=');
    logger.Log(L"");
    logger.Log(L"");
    logger.Log(L"");
    logger.Log(rule);
    logger.Log(L"< START >");
    logger.Log(rule);
}

// Installs both components and, when that succeeded, starts the capture service and configures
// the bindings. Returns the Installer's result; the later steps only log their outcome.
int RunInstall(Logger& logger, DeviceManager& deviceManager) {
    logger.Log(L"Command found: install ethernet adapter and switch");
    const int result = deviceManager.Installer();
    if (result != result_codes::kSuccess) {
        logger.LogError(
            FormatText(L"Installation of virtual ethernet adapter failed. "
                       L"'Installer()' returned result=%d",
                       result));
        return result;
    }
    logger.Log(L"Installation of Virtual Ethernet Adapter and Virtual Switch is finished.");
    logger.Log(L"Configuration of NPF service begins.");
    deviceManager.StartNPFService();
    logger.Log(L"Configuration of NPF service has ended.");
    logger.Log(L"Configuration of IPv6 and Virtual Switch begins.");
    const BOOL configured = deviceManager.ConfigureIPv6AndVirtualSwitch();
    if (configured == 1) {
        logger.Log(L"Configuration of IPv6 and Virtual Switch succeeded.");
    } else {
        logger.LogError(
            FormatText(L"Configuration of IPv6 and Virtual Switch failed. "
                       L"'ConfigureIPv6AndVirtualSwitch()' returned ret=%d",
                       static_cast<int>(configured)));
    }
    return result_codes::kSuccess;
}

}  // namespace

int RunDriverInstaller(int argc, wchar_t* argv[]) {
    Logger logger;
    const auto deviceManager = std::make_unique<DeviceManager>(&logger);
    WriteStartBanner(logger);

    // Checked before the command is looked at, for every command.
    if (!IsProcessElevated()) {
        logger.LogError(L"Admin rights are required to install the driver!");
        return result_codes::kRefused;
    }
    if (argc < 2 || argv[1] == nullptr) {
        logger.Log(L"Too less command arguments, [install] or [uninstall] expected");
        return result_codes::kNoCommand;
    }
    if (EqualsIgnoringCase(argv[1], L"Install")) {
        return RunInstall(logger, *deviceManager);
    }
    if (EqualsIgnoringCase(argv[1], L"Uninstall")) {
        logger.Log(L"Command found: uninstall ethernet adapter and switch");
        return deviceManager->Uninstaller();
    }
    logger.Log(L"Command found: invalid command");
    return result_codes::kRefused;
}
