// Finding the published INF that installs a component, by the component's hardware id: on Linux
// in the machine's INF store (inf_store.cpp), on Windows among the INF files of the system's INF
// folder, where SetupCopyOEMInfW publishes them (inf_lookup_win32.cpp).
#pragma once

#include "machine/inf_file.h"

#include <optional>
#include <string>

namespace simwin {

// A published INF whose models name a hardware id.
struct InfDriver {
    std::string publishedName;  // the published file's name ("oem0.inf")
    InfFile inf;
    InfModel model;
};

// The first published INF whose models line names hardwareId, compared without regard to case:
// in index order in the machine in root; on Windows in name order in "%WINDIR%\inf" (root is not
// used there: the system's INF folder is the machine's).
std::optional<InfDriver> FindInfDriver(const std::string& root, const std::wstring& hardwareId);

}  // namespace simwin
