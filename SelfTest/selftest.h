// The self-test as a whole: its checks, in order, and its report.
#pragma once

#include "command_line.h"

namespace selftest {

// Exit codes: every assumption holds; one or more differ; the self-test could not run (wrong
// arguments, no report folder, or an install cycle it refused, changing nothing).
constexpr int kExitAllHold = 0;
constexpr int kExitSomeDiffer = 1;
constexpr int kExitCouldNotRun = 2;

// Runs the read-only checks, and the install cycle when options name its folder, writes the
// report folder and prints report.txt's text; returns the exit code.
int RunSelfTest(const Options& options);

}  // namespace selftest
