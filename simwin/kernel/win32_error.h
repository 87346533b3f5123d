// Translating Linux errno values into the Win32 error codes that Windows would report.
#pragma once

#include <windows.h>

namespace simwin::detail {

// The Win32 error for an errno value; ERROR_GEN_FAILURE for one without a counterpart.
DWORD Win32ErrorFromErrno(int error);

}  // namespace simwin::detail
