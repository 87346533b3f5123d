// The kernel objects behind HANDLE values: open files and access tokens share one handle type,
// told apart by a kind tag, so that CloseHandle serves both as on Windows.
#pragma once

#include <windows.h>

#include <string>

namespace simwin::detail {

enum class HandleKind { File, Token };

// A new live handle owning fd (a file) or nothing (a token, fd -1). The caller closes it with
// CloseHandle.
HANDLE NewHandle(HandleKind kind, int fd, DWORD access);

struct HandleView {
    int fd = -1;
    DWORD access = 0;
};

// The descriptor and granted access of a live handle of that kind; false for anything else (a
// closed handle, a handle of the other kind, a value that was never a handle).
bool LookUpHandle(HANDLE handle, HandleKind kind, HandleView* view);

// Marks a live file handle so that closing it removes the file's name, or takes the mark back;
// false when the value is no live file handle.
bool SetDeleteOnClose(HANDLE handle, bool deleteOnClose);

// Forgets a live handle of either kind and hands back its descriptor (-1 for a token) and
// whether it was marked for deletion; false when the value is no live handle.
bool TakeHandle(HANDLE handle, int* fd, bool* deleteOnClose);

// The path the kernel keeps for an open descriptor (/proc/self/fd): the file it opened, with
// every link resolved, not the name it was given. False when it cannot be read.
bool ReadFinalPath(int fd, std::string* path);

}  // namespace simwin::detail
