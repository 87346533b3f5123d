// A reboot that the machine waits for before its network configuration may change again: the
// file "<root>/reboot-pending", which netcfg-sim creates and removes to rehearse the case (the
// simulated machine loads no drivers, so nothing of its own ever needs a reboot).
#pragma once

#include <string>

namespace simwin {

bool RebootPending(const std::string& root);
// Marks the reboot as pending, or as done. False with a one-line error.
bool SetRebootPending(const std::string& root, bool pending, std::string* error);

}  // namespace simwin
