// DriverInstaller's exit codes, written out once for every test that checks one.
#pragma once

namespace testsupport {

// The codes as the program returns them (from RunDriverInstaller, or as Windows reports them).
namespace exit_code {
constexpr int kOk = 0;
constexpr int kAdapterInstallFailed = 901;
constexpr int kSwitchInstallFailed = 902;
constexpr int kAdapterRemovalFailed = 903;
constexpr int kSwitchRemovalFailed = 904;
constexpr int kNoArgument = 905;
constexpr int kRefused = 906;  // not elevated, or the command is not recognised
constexpr int kInfMissing = 908;
}  // namespace exit_code

// Every code the program documents.
constexpr int kDocumentedExitCodes[] = {exit_code::kOk,
                                        exit_code::kAdapterInstallFailed,
                                        exit_code::kSwitchInstallFailed,
                                        exit_code::kAdapterRemovalFailed,
                                        exit_code::kSwitchRemovalFailed,
                                        exit_code::kNoArgument,
                                        exit_code::kRefused,
                                        exit_code::kInfMissing};

// A code as a Linux parent (of the program, or of Wine) sees it: a process exit status is the
// code modulo 256.
constexpr int SeenOnLinux(int code) {
    return code % 256;
}

// The exit statuses a Linux parent sees (testsupport::kExitOk, or kExitOk after
// `using namespace testsupport::exit_status;`).
inline namespace exit_status {
constexpr int kExitOk = SeenOnLinux(exit_code::kOk);
constexpr int kExitAdapterInstallFailed = SeenOnLinux(exit_code::kAdapterInstallFailed);
constexpr int kExitSwitchInstallFailed = SeenOnLinux(exit_code::kSwitchInstallFailed);
constexpr int kExitAdapterRemovalFailed = SeenOnLinux(exit_code::kAdapterRemovalFailed);
constexpr int kExitSwitchRemovalFailed = SeenOnLinux(exit_code::kSwitchRemovalFailed);
constexpr int kExitNoArgument = SeenOnLinux(exit_code::kNoArgument);
constexpr int kExitRefused = SeenOnLinux(exit_code::kRefused);
constexpr int kExitInfMissing = SeenOnLinux(exit_code::kInfMissing);
}  // namespace exit_status

}  // namespace testsupport
