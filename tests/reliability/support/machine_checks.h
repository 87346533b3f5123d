// Checks shared by the reliability suites: whether a simulated machine's configuration is
// consistent and whether its write lock is free.
#pragma once

#include <string>
#include <vector>

namespace reliability {

// The network configuration store of the machine in root, checked as a reader would: it
// parses, and every binding path leads from a component that binds to an installed adapter.
// Returns "" when it holds, otherwise one line saying what is wrong.
std::string StoreProblem(const std::string& root);

// The store's text as it is on disk ("" when it cannot be read).
std::string StoreText(const std::string& root);

// The configuration the store holds, written out afresh: two stores that a reader takes for the
// same configuration give the same text ("" when it cannot be read).
std::string StoreConfiguration(const std::string& root);

// Whether any process holds the machine's write lock.
bool WriteLockHeld(const std::string& root);

}  // namespace reliability
