// Whether this process runs with an elevated token.
#pragma once

// True when the process token says it is elevated. False when it is not, and also when the
// token cannot be opened or read, so that the check fails closed.
bool IsProcessElevated();
