// The process's Linux capabilities, which stand in for Windows' token elevation.
#pragma once

#include <windows.h>

namespace simwin::detail {

// Whether CAP_NET_ADMIN is in the effective set of the calling process, read from
// /proc/self/status. False with a Win32 error when the set cannot be read.
bool HoldsNetAdmin(bool* holds, DWORD* error);

}  // namespace simwin::detail
