// What the program assumes of the Windows it runs on and of its process, checked without
// changing anything: the Windows version and edition, the architecture, the session, the
// account, the token's elevation beside Administrators membership, and the log folder the
// program would choose, with its final path.
#pragma once

#include "findings.h"

namespace selftest {

// Adds the environment's facts and assumptions to findings.
void CheckEnvironment(Findings* findings);

}  // namespace selftest
