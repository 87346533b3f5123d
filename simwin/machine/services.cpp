#include "machine/services.h"

#include "machine/text_lines.h"

#include "base/atomic_file.h"
#include "base/file_lock.h"

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <sstream>

namespace simwin {

namespace {

std::string ServicesPath(const std::string& root) {
    return root + "/services";
}

bool SameName(const std::string& a, const std::string& b) {
    // Service names are looked up without regard to case, as the service manager does.
    return ::strcasecmp(a.c_str(), b.c_str()) == 0;
}

bool ParseServices(const std::string& path, const std::string& text,
                   std::vector<ServiceInfo>* services, std::string* error) {
    std::vector<ServiceInfo> parsed;
    const auto parseLine = [&parsed](const std::string& line, std::string* message) {
        if (line.empty()) {
            return true;
        }
        std::istringstream words(line);
        ServiceInfo service;
        std::string state;
        std::string extra;
        if (!(words >> service.name >> state) || (words >> extra) ||
            (state != "stopped" && state != "running")) {
            *message = "expected 'NAME stopped' or 'NAME running'";
            return false;
        }
        service.running = state == "running";
        parsed.push_back(service);
        return true;
    };
    if (!ParseLines(path, text, parseLine, error)) {
        return false;
    }
    *services = std::move(parsed);
    return true;
}

std::string FormatServices(const std::vector<ServiceInfo>& services) {
    std::string text;
    for (const ServiceInfo& service : services) {
        text += service.name + (service.running ? " running\n" : " stopped\n");
    }
    return text;
}

}  // namespace

bool ReadServices(const std::string& root, std::vector<ServiceInfo>* services, std::string* error) {
    const std::string path = ServicesPath(root);
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        *error = path + ": cannot read the services: " + std::strerror(errno);
        return false;
    }
    return ParseServices(path, text, services, error);
}

bool WriteServices(const std::string& root, const std::vector<ServiceInfo>& services,
                   std::string* error) {
    FileLock lock(root + "/services.lock");
    if (!lock.held()) {
        *error = root + "/services.lock: cannot lock the services: " + std::strerror(errno);
        return false;
    }
    return WriteFileAtomically(ServicesPath(root), FormatServices(services), error);
}

ServiceStart StartService(const std::string& root, const std::string& name, std::string* error) {
    // The lock covers the read and the write, so two starts cannot both see "stopped".
    FileLock lock(root + "/services.lock");
    if (!lock.held()) {
        *error = root + "/services.lock: cannot lock the services: " + std::strerror(errno);
        return ServiceStart::Failed;
    }
    std::vector<ServiceInfo> services;
    if (!ReadServices(root, &services, error)) {
        return ServiceStart::Failed;
    }
    for (ServiceInfo& service : services) {
        if (!SameName(service.name, name)) {
            continue;
        }
        if (service.running) {
            return ServiceStart::AlreadyRunning;
        }
        service.running = true;
        return WriteFileAtomically(ServicesPath(root), FormatServices(services), error)
                   ? ServiceStart::Started
                   : ServiceStart::Failed;
    }
    return ServiceStart::UnknownService;
}

}  // namespace simwin
