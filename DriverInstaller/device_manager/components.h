// The identities of what this program installs and configures, and its fixed waits and bounds.
#pragma once

#include <windows.h>

namespace components {

// INF files, looked for in the current directory.
inline constexpr wchar_t kAdapterInfName[] = L"quorixvmini60.inf";
inline constexpr wchar_t kSwitchInfName[] = L"quorixlwf.inf";

// Component ids as installed and removed.
inline constexpr wchar_t kAdapterComponentId[] = L"root\\quorixvmini60_a";
inline constexpr wchar_t kSwitchComponentId[] = L"QUORIX_NdisLwf";
// Ids as the platform reports them when enumerating (it keeps ids in lower case).
inline constexpr wchar_t kSwitchEnumeratedId[] = L"quorix_ndislwf";
inline constexpr wchar_t kIpv6ComponentId[] = L"ms_tcpip6";

// Display-name prefix that recognises the virtual ethernet adapter at the end of a binding path,
// and the pattern that matches every path.
inline constexpr wchar_t kAdapterDisplayNamePattern[] = L"Tandrel QUORIX Virtual Ethernet Adapter";
inline constexpr wchar_t kAllPathsPattern[] = L"*";

// How this program names itself to other clients while it holds the write lock.
inline constexpr wchar_t kClientDescription[] = L"TANDREL QUORIX Hal";
inline constexpr DWORD kWriteLockTimeoutMs = 5000;

// The pause between finding the INF files and the first installation.
inline constexpr DWORD kInstallWaitMs = 2000;

// The most removal cycles the adapter's instances get in one Uninstall run (each Install adds an
// instance): a bound on a removal that keeps finding another one.
inline constexpr int kMaxAdapterRemovalCycles = 16;

}  // namespace components
