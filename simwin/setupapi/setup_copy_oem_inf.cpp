// SetupCopyOEMInfW: publishing an INF file into the machine's INF store.
#include <setupapi.h>

#include "base/utf8.h"
#include "base/atomic_file.h"
#include "base/machine_root.h"
#include "machine/inf_file.h"
#include "machine/inf_store.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <sys/stat.h>

#include <cerrno>
#include <cwchar>
#include <optional>

namespace {

BOOL Recorded(const std::string& call, BOOL result, DWORD error) {
    simwin::detail::Record(call + " -> " + std::to_string(result) +
                           (result ? std::string() : " error " + std::to_string(error)));
    return result;
}

BOOL Failed(const std::string& call, DWORD error) {
    SetLastError(error);
    return Recorded(call, FALSE, error);
}

// Reads the INF's bytes; the Windows error for a file that cannot be read.
DWORD ReadInf(const std::string& path, std::string* bytes) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
    }
    if (S_ISDIR(info.st_mode) || !simwin::ReadWholeFile(path, bytes)) {
        return ERROR_ACCESS_DENIED;
    }
    return ERROR_SUCCESS;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A catalog that [Version] names travels with the INF, so it must lie where the INF's folder
// says. Returns the Windows error when it does not: a missing folder, a missing file, or a name
// that is a folder (an empty name is the INF's own folder).
DWORD CheckCatalog(const simwin::InfFile& inf, const std::string& infFolder) {
    const std::optional<std::wstring> name = inf.Value(L"Version", L"CatalogFile");
    if (!name) {
        return ERROR_SUCCESS;
    }
    std::string catalogPath = infFolder + simwin::ToUtf8(*name);
    for (char& ch : catalogPath) {
        if (ch == '\\') {
            ch = '/';
        }
    }
    struct stat info {};
    if (::stat(catalogPath.c_str(), &info) != 0) {
        const std::string folder = FolderOf(catalogPath);
        struct stat folderInfo {};
        return ::stat(folder.c_str(), &folderInfo) == 0 ? ERROR_FILE_NOT_FOUND
                                                        : ERROR_PATH_NOT_FOUND;
    }
    return S_ISDIR(info.st_mode) ? ERROR_ACCESS_DENIED : ERROR_SUCCESS;
}

}  // namespace

BOOL SetupCopyOEMInfW(PCWSTR sourceInfFileName, PCWSTR oemSourceMediaLocation,
                      DWORD oemSourceMediaType, DWORD copyStyle, PWSTR destinationInfFileName,
                      DWORD destinationInfFileNameSize, PDWORD requiredSize,
                      PWSTR* destinationInfFileNameComponent) {
    const std::string call = "SetupCopyOEMInfW \"" +
                             simwin::detail::JournalText(sourceInfFileName) + "\" \"" +
                             simwin::detail::JournalText(oemSourceMediaLocation) + "\" " +
                             std::to_string(oemSourceMediaType) + " " + std::to_string(copyStyle);
    if (destinationInfFileNameComponent != nullptr) {
        *destinationInfFileNameComponent = nullptr;
    }
    if (auto fault = simwin::detail::TakeFault("SetupCopyOEMInfW"); fault && fault->result == 0) {
        fault->ApplyLastError();
        // The journal shows the rule's own error: reading it back with GetLastError would
        // journal, and count, a GetLastError call that the program never made.
        return Recorded(call, FALSE, fault->lastError.value_or(ERROR_SUCCESS));
    }
    if (sourceInfFileName == nullptr) {
        return Failed(call, ERROR_INVALID_PARAMETER);
    }
    const std::string sourcePath = simwin::ToUtf8(sourceInfFileName);
    // Only a full path names the INF: a relative one is not looked up in the current folder.
    if (sourcePath.empty() || sourcePath.front() != '/') {
        return Failed(call, ERROR_FILE_NOT_FOUND);
    }
    std::string bytes;
    if (const DWORD error = ReadInf(sourcePath, &bytes); error != ERROR_SUCCESS) {
        return Failed(call, error);
    }
    simwin::InfFile inf;
    std::string parseError;
    switch (simwin::InfFile::Parse(bytes, &inf, &parseError)) {
        case simwin::InfParseResult::Ok:
            break;
        case simwin::InfParseResult::SyntaxError:
            return Failed(call, ERROR_GENERAL_SYNTAX);
        case simwin::InfParseResult::WrongStyle:
            return Failed(call, ERROR_WRONG_INF_STYLE);
    }
    if (const DWORD error = CheckCatalog(inf, FolderOf(sourcePath)); error != ERROR_SUCCESS) {
        return Failed(call, error);
    }
    const std::string root = simwin::MachineRoot();
    // SPOST_NONE keeps no source location, whatever location is given; otherwise a missing
    // location means the INF's own folder.
    std::string location;
    if (oemSourceMediaType != SPOST_NONE) {
        location = oemSourceMediaLocation != nullptr ? simwin::ToUtf8(oemSourceMediaLocation)
                                                     : FolderOf(sourcePath);
    }
    const std::size_t slash = sourcePath.find_last_of('/');
    const std::string originalName =
        slash == std::string::npos ? sourcePath : sourcePath.substr(slash + 1);
    std::string publishedName;
    std::string storeError;
    if (!simwin::PublishInf(root, originalName, bytes, location, &publishedName, &storeError)) {
        return Failed(call, ERROR_ACCESS_DENIED);
    }
    const std::wstring destination =
        simwin::FromUtf8(simwin::InfStoreFolder(root) + "/" + publishedName);
    const auto needed = static_cast<DWORD>(destination.size() + 1);
    if (requiredSize != nullptr) {
        *requiredSize = needed;
    }
    if (destinationInfFileName != nullptr) {
        if (destinationInfFileNameSize < needed) {
            return Failed(call, ERROR_INSUFFICIENT_BUFFER);
        }
        std::wmemcpy(destinationInfFileName, destination.c_str(), needed);
        if (destinationInfFileNameComponent != nullptr) {
            *destinationInfFileNameComponent = destinationInfFileName + destination.size() -
                                               simwin::FromUtf8(publishedName).size();
        }
    }
    SetLastError(ERROR_SUCCESS);
    return Recorded(call, TRUE, ERROR_SUCCESS);
}
