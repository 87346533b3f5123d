// The final path of a folder, as the log reads it before its first line to know where its file
// must be once every link on the way is resolved.
#pragma once

#include <windows.h>

#include <string>

// Opens folder for no access (the handle is only asked for its final path) and returns the path
// GetFinalPathNameByHandleW gives with FILE_NAME_NORMALIZED | VOLUME_NAME_DOS. Empty when the
// folder cannot be opened or its final path read. When error is given, *error holds the last
// error of the open, or else of the final-path call.
std::wstring FolderFinalPath(const std::wstring& folder, DWORD* error = nullptr);
