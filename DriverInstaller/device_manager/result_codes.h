// The results of the install and uninstall runs, which become the process exit code.
#pragma once

namespace result_codes {

inline constexpr int kSuccess = 0;
inline constexpr int kAdapterInstallFailed = 901;
inline constexpr int kSwitchInstallFailed = 902;
inline constexpr int kAdapterRemovalFailed = 903;  // whatever became of the switch
inline constexpr int kSwitchRemovalFailed = 904;   // the adapter's removal succeeded
inline constexpr int kNoCommand = 905;
inline constexpr int kRefused = 906;  // not elevated, or an unknown command
inline constexpr int kInfFileMissing = 908;

}  // namespace result_codes
