// Whether the calling process runs with administrator rights, as the system decides it: on
// Linux when CAP_NET_ADMIN is in its effective capability set (root's is), on Windows when its
// token is elevated.
#pragma once

namespace simwin {

// False when the answer cannot be read, with the reason in error: errno on Linux (0 for a
// process status without a readable CapEff line), GetLastError() on Windows.
bool ReadProcessElevation(bool* elevated, int* error);

}  // namespace simwin
