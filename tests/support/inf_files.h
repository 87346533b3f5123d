// The INF files a setup program puts beside DriverInstaller, copied into a test's setup folder.
#pragma once

#include <filesystem>
#include <string>

namespace testsupport {

// Copies the adapter's and the switch filter's INF files (from the repository's inf folder) into
// folder.
inline void CopyInfFiles(const std::string& folder) {
    for (const char* name : {"quorixvmini60.inf", "quorixlwf.inf"}) {
        std::filesystem::copy_file(std::filesystem::path(INF_FOLDER) / name,
                                   std::filesystem::path(folder) / name);
    }
}

}  // namespace testsupport
