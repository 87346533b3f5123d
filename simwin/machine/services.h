// The machine's services: a "services" file, one "NAME stopped|running" a line, rewritten
// atomically under a file lock.
#pragma once

#include <simwin/machine.h>

#include <string>
#include <vector>

namespace simwin {

bool ReadServices(const std::string& root, std::vector<ServiceInfo>* services, std::string* error);
bool WriteServices(const std::string& root, const std::vector<ServiceInfo>& services,
                   std::string* error);

enum class ServiceStart { Started, AlreadyRunning, UnknownService, Failed };
// Marks a registered, stopped service as running.
ServiceStart StartService(const std::string& root, const std::string& name, std::string* error);

}  // namespace simwin
