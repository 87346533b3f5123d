// CreateFileW: opens or creates a file as a kernel handle.
#include <windows.h>

#include "kernel/handles.h"
#include "base/utf8.h"
#include "kernel/win32_error.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr DWORD kWriteAccess = GENERIC_WRITE | FILE_WRITE_DATA | FILE_APPEND_DATA;
constexpr DWORD kReadAccess = GENERIC_READ | FILE_READ_DATA;

HANDLE Recorded(const std::string& call, HANDLE result) {
    simwin::detail::Record(call + " -> " +
                           (result == INVALID_HANDLE_VALUE ? "INVALID_HANDLE_VALUE" : "handle"));
    return result;
}

HANDLE Fail(const std::string& call, DWORD error) {
    SetLastError(error);
    return Recorded(call, INVALID_HANDLE_VALUE);
}

// open(2) flags for the access asked for. Append data without write data is Windows' way of
// saying "every write goes to the end", which is O_APPEND.
int AccessFlags(DWORD desiredAccess) {
    const bool reads = (desiredAccess & kReadAccess) != 0;
    const bool writes = (desiredAccess & kWriteAccess) != 0;
    int flags = reads && writes ? O_RDWR : writes ? O_WRONLY : O_RDONLY;
    if ((desiredAccess & FILE_APPEND_DATA) != 0 &&
        (desiredAccess & (GENERIC_WRITE | FILE_WRITE_DATA)) == 0) {
        flags |= O_APPEND;
    }
    // Windows handles are not inherited unless the caller asks; nothing here asks. The open never
    // waits: a FIFO without a writer or reader would otherwise hold the caller for ever.
    return flags | O_CLOEXEC | O_NONBLOCK;
}

// ENOENT means the file or a folder on the way is missing; Windows names the two differently.
DWORD MissingError(const std::string& path) {
    const std::string::size_type slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string(".")
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    struct stat info {};
    const bool folderExists = ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    return folderExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
}

// FILE_FLAG_OPEN_REPARSE_POINT found a symbolic link at the last name: Windows then opens the
// reparse point itself. Here that is an O_PATH descriptor of the link, granted no access, so that
// the handle can be asked about but never written through.
HANDLE OpenLinkItself(const std::string& call, const std::string& path, DWORD creationDisposition) {
    const int fd = ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return Fail(call, simwin::detail::Win32ErrorFromErrno(errno));
    }
    if (creationDisposition == OPEN_ALWAYS || creationDisposition == CREATE_ALWAYS) {
        SetLastError(ERROR_ALREADY_EXISTS);
    }
    return Recorded(call, simwin::detail::NewHandle(simwin::detail::HandleKind::File, fd, 0));
}

}  // namespace

HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile) {
    // Linux has no share modes (nothing denies another opener) and no attributes worth mapping.
    (void)shareMode;
    (void)securityAttributes;
    (void)templateFile;
    char access[16];
    std::snprintf(access, sizeof access, "0x%x", static_cast<unsigned>(desiredAccess));
    char flagsText[16];
    std::snprintf(flagsText, sizeof flagsText, "0x%x", static_cast<unsigned>(flagsAndAttributes));
    const std::string call = "CreateFileW " + simwin::detail::JournalText(fileName) + " " + access +
                             " " + std::to_string(creationDisposition) + " " + flagsText;
    if (auto fault = simwin::detail::TakeFault("CreateFileW")) {
        fault->ApplyLastError();
        return Recorded(call, INVALID_HANDLE_VALUE);
    }
    if (fileName == nullptr || fileName[0] == L'\0') {
        return Fail(call, ERROR_PATH_NOT_FOUND);
    }
    const std::string path = simwin::ToUtf8(fileName);
    const bool linkItself = (flagsAndAttributes & FILE_FLAG_OPEN_REPARSE_POINT) != 0;
    const int flags = AccessFlags(desiredAccess) | (linkItself ? O_NOFOLLOW : 0);
    const mode_t mode = 0666;
    int fd = -1;
    bool existed = false;
    switch (creationDisposition) {
        case CREATE_NEW:
            fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
            break;
        case CREATE_ALWAYS:
        case OPEN_ALWAYS: {
            // The file is usually there (a log appended to line by line): open it first, and
            // create it only when it is missing. O_EXCL tells exactly whether this call created
            // it; a file that appeared in between is opened as an existing one.
            const int truncate = creationDisposition == CREATE_ALWAYS ? O_TRUNC : 0;
            fd = ::open(path.c_str(), flags | truncate);
            existed = fd >= 0;
            if (fd < 0 && errno == ENOENT) {
                fd = ::open(path.c_str(), flags | O_CREAT | O_EXCL, mode);
                if (fd < 0 && errno == EEXIST) {
                    existed = true;
                    fd = ::open(path.c_str(), flags | truncate);
                }
            }
            break;
        }
        case OPEN_EXISTING:
            fd = ::open(path.c_str(), flags);
            break;
        case TRUNCATE_EXISTING:
            fd = ::open(path.c_str(), flags | O_TRUNC);
            break;
        default:
            return Fail(call, ERROR_INVALID_PARAMETER);
    }
    if (fd < 0 && errno == ELOOP && linkItself) {
        return OpenLinkItself(call, path, creationDisposition);
    }
    if (fd < 0) {
        const int error = errno;
        // ENXIO: a FIFO that nobody reads, which Windows has no counterpart of.
        return Fail(call, error == ENOENT  ? MissingError(path)
                          : error == ENXIO ? ERROR_ACCESS_DENIED
                                           : simwin::detail::Win32ErrorFromErrno(error));
    }
    // A Windows path names a file, a folder or a device, never a FIFO or a socket: such a file
    // is refused as one that cannot be opened. Any other file reads and writes blocking again.
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
        ::close(fd);
        return Fail(call, ERROR_ACCESS_DENIED);
    }
    // Windows opens a folder only for a caller that says it means one.
    if (S_ISDIR(info.st_mode) && (flagsAndAttributes & FILE_FLAG_BACKUP_SEMANTICS) == 0) {
        ::close(fd);
        return Fail(call, ERROR_ACCESS_DENIED);
    }
    if (!S_ISREG(info.st_mode)) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);  // no effect on a regular file
    }
    // Windows reports through the last error whether OPEN_ALWAYS or CREATE_ALWAYS found the file.
    if (creationDisposition == OPEN_ALWAYS || creationDisposition == CREATE_ALWAYS) {
        SetLastError(existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    }
    return Recorded(call,
                    simwin::detail::NewHandle(simwin::detail::HandleKind::File, fd, desiredAccess));
}
