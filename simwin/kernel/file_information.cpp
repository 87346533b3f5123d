// GetFileInformationByHandle: attributes, times, size, link count and identity of an open file.
#include <windows.h>

#include "kernel/handles.h"
#include "kernel/win32_error.h"
#include "instrumentation/fault_rules.h"
#include "instrumentation/journal.h"

#include <cerrno>
#include <cstdint>
#include <sys/stat.h>

namespace {

BOOL Recorded(BOOL result) {
    return simwin::detail::RecordResult("GetFileInformationByHandle", result);
}

// 100-nanosecond intervals since 1601-01-01, Windows' FILETIME, from a Unix time.
FILETIME FileTime(const timespec& time) {
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600ULL;
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ULL +
        static_cast<std::uint64_t>(time.tv_nsec) / 100;
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

DWORD Attributes(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) {
        return FILE_ATTRIBUTE_REPARSE_POINT;  // a link that CreateFileW opened itself
    }
    DWORD attributes = S_ISDIR(info.st_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes;
}

}  // namespace

BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information) {
    if (const auto answer = simwin::detail::FaultAnswer<BOOL>("GetFileInformationByHandle")) {
        return Recorded(*answer);
    }
    simwin::detail::HandleView view;
    if (!simwin::detail::LookUpHandle(file, simwin::detail::HandleKind::File, &view)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return Recorded(FALSE);
    }
    if (information == nullptr) {
        SetLastError(ERROR_NOACCESS);
        return Recorded(FALSE);
    }
    struct stat info {};
    if (::fstat(view.fd, &info) != 0) {
        SetLastError(simwin::detail::Win32ErrorFromErrno(errno));
        return Recorded(FALSE);
    }
    const auto size = static_cast<std::uint64_t>(info.st_size);
    const auto index = static_cast<std::uint64_t>(info.st_ino);
    information->dwFileAttributes = Attributes(info);
    // Linux keeps no creation time; the last status change is the nearest.
    information->ftCreationTime = FileTime(info.st_ctim);
    information->ftLastAccessTime = FileTime(info.st_atim);
    information->ftLastWriteTime = FileTime(info.st_mtim);
    information->dwVolumeSerialNumber = static_cast<DWORD>(info.st_dev);
    information->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    information->nFileSizeLow = static_cast<DWORD>(size);
    information->nNumberOfLinks = static_cast<DWORD>(info.st_nlink);
    information->nFileIndexHigh = static_cast<DWORD>(index >> 32);
    information->nFileIndexLow = static_cast<DWORD>(index);
    return Recorded(TRUE);
}
