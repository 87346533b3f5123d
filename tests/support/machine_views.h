// The simulated machine's state as the tests compare it: sorted tables of written-out lines, so
// that an expected machine is a literal list and a difference prints readably.
#pragma once

#include <simwin/machine.h>

#include <string>
#include <vector>

namespace testsupport {

// A wide text of the machine's state as UTF-8, as the machine's own files hold it (the simulated
// platform's conversion, which no fault rule or journal sees).
std::string Narrow(const std::wstring& text);

// "id | display name" for each component, sorted.
std::vector<std::string> ComponentsOf(const simwin::MachineState& state);

// "upper id -> lower display name: enabled|disabled" for each binding path, sorted.
std::vector<std::string> BindingsOf(const simwin::MachineState& state);

// A fresh machine (two physical adapters, IPv4, IPv6, a packet scheduler) once Install has run:
// both components installed; the switch bound to the virtual adapter alone, IPv6 to every
// adapter but it.
extern const std::vector<std::string> kComponentsInstalled;
extern const std::vector<std::string> kBindingsInstalled;

// Whether the named service is running.
bool ServiceRunning(const simwin::MachineState& state, const std::string& name);

}  // namespace testsupport
