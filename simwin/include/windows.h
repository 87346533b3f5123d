// Simulated Windows platform: the base types, constants and kernel, runtime and security
// functions of the Windows SDK's <windows.h> that the installer uses, with Windows' widths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cwchar>

// ---- Base types (Windows' widths: LONG, ULONG and DWORD are 32-bit, also where long is 64-bit)
typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef std::int32_t LONG;
typedef std::uint32_t ULONG;
typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef std::uint8_t BYTE;
typedef BYTE BOOLEAN;
typedef std::int32_t HRESULT;
typedef std::intptr_t INT_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef ULONG_PTR SIZE_T;
typedef char CHAR;
typedef wchar_t WCHAR;
typedef CHAR* LPSTR;
typedef const CHAR* LPCSTR;
typedef WCHAR* LPWSTR;
typedef WCHAR* PWSTR;
typedef const WCHAR* LPCWSTR;
typedef const WCHAR* PCWSTR;
typedef void* PVOID;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD* LPDWORD;
typedef DWORD* PDWORD;
typedef BOOL* LPBOOL;
typedef void* HANDLE;
typedef HANDLE* PHANDLE;
typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef INT_PTR (*FARPROC)();
typedef struct HKEY__* HKEY;
typedef int errno_t;

typedef struct _FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
} FILETIME, *LPFILETIME;

#define TRUE 1
#define FALSE 0
#define WINAPI
#define STDMETHODCALLTYPE
#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)))

#define MAX_PATH 260
#define _MAX_PATH 260
#define _MAX_DRIVE 3
#define _MAX_DIR 256
#define _MAX_FNAME 256
#define _MAX_EXT 256

// ---- HRESULT values
#define _HRESULT_TYPEDEF_(value) (static_cast<HRESULT>(value))
#define S_OK _HRESULT_TYPEDEF_(0x00000000L)
#define S_FALSE _HRESULT_TYPEDEF_(0x00000001L)
#define E_NOTIMPL _HRESULT_TYPEDEF_(0x80004001L)
#define E_NOINTERFACE _HRESULT_TYPEDEF_(0x80004002L)
#define E_POINTER _HRESULT_TYPEDEF_(0x80004003L)
#define E_FAIL _HRESULT_TYPEDEF_(0x80004005L)
#define E_UNEXPECTED _HRESULT_TYPEDEF_(0x8000FFFFL)
#define E_ACCESSDENIED _HRESULT_TYPEDEF_(0x80070005L)
#define E_OUTOFMEMORY _HRESULT_TYPEDEF_(0x8007000EL)
#define E_INVALIDARG _HRESULT_TYPEDEF_(0x80070057L)
#define CO_E_NOTINITIALIZED _HRESULT_TYPEDEF_(0x800401F0L)
#define RPC_E_CHANGED_MODE _HRESULT_TYPEDEF_(0x80010106L)
#define REGDB_E_CLASSNOTREG _HRESULT_TYPEDEF_(0x80040154L)
#define CLASS_E_NOAGGREGATION _HRESULT_TYPEDEF_(0x80040110L)

#define SUCCEEDED(hr) ((static_cast<HRESULT>(hr)) >= 0)
#define FAILED(hr) ((static_cast<HRESULT>(hr)) < 0)
#define FACILITY_WIN32 7

inline HRESULT HRESULT_FROM_WIN32(unsigned long x) {
    return static_cast<HRESULT>(x) <= 0
               ? static_cast<HRESULT>(x)
               : static_cast<HRESULT>((x & 0x0000FFFFu) | (FACILITY_WIN32 << 16) | 0x80000000u);
}

// ---- Win32 error codes
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_TOO_MANY_OPEN_FILES 4L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_FORMAT 11L
#define ERROR_INVALID_DATA 13L
#define ERROR_GEN_FAILURE 31L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_DISK_FULL 112L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_BAD_PATHNAME 161L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_ENVVAR_NOT_FOUND 203L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_NOACCESS 998L
#define ERROR_INVALID_FLAGS 1004L
#define ERROR_NO_UNICODE_TRANSLATION 1113L
#define ERROR_NO_ASSOCIATION 1155L
#define ERROR_CANCELLED 1223L
#define ERROR_NO_TOKEN 1008L

// ---- Code pages
#define CP_ACP 0
#define CP_THREAD_ACP 3
#define CP_UTF8 65001
#define MB_ERR_INVALID_CHARS 0x00000008
#define WC_ERR_INVALID_CHARS 0x00000080
#define WC_NO_BEST_FIT_CHARS 0x00000400

// ---- Files
#define GENERIC_READ 0x80000000L
#define GENERIC_WRITE 0x40000000L
#define FILE_READ_DATA 0x0001
#define FILE_WRITE_DATA 0x0002
#define FILE_APPEND_DATA 0x0004
#define DELETE 0x00010000L
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define FILE_ATTRIBUTE_REPARSE_POINT 0x00000400
#define FILE_FLAG_OPEN_REPARSE_POINT 0x00200000
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000
#define FILE_TYPE_UNKNOWN 0x0000
#define FILE_TYPE_DISK 0x0001
#define FILE_TYPE_CHAR 0x0002
#define FILE_TYPE_PIPE 0x0003
#define FILE_NAME_NORMALIZED 0x0
#define VOLUME_NAME_DOS 0x0
typedef struct _BY_HANDLE_FILE_INFORMATION {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD dwVolumeSerialNumber;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD nNumberOfLinks;
    DWORD nFileIndexHigh;
    DWORD nFileIndexLow;
} BY_HANDLE_FILE_INFORMATION, *LPBY_HANDLE_FILE_INFORMATION;
typedef struct _FILE_DISPOSITION_INFO {
    BOOLEAN DeleteFile;
} FILE_DISPOSITION_INFO, *PFILE_DISPOSITION_INFO;
// Two of the classes of SetFileInformationByHandle, with Windows' values; only
// FileDispositionInfo is known to the call here.
typedef enum _FILE_INFO_BY_HANDLE_CLASS {
    FileBasicInfo = 0,
    FileDispositionInfo = 4,
} FILE_INFO_BY_HANDLE_CLASS;

// ---- DLL search
#define LOAD_LIBRARY_SEARCH_APPLICATION_DIR 0x00000200
#define LOAD_LIBRARY_SEARCH_USER_DIRS 0x00000400
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#define LOAD_LIBRARY_SEARCH_DEFAULT_DIRS 0x00001000

// ---- Time
typedef struct _SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
} SYSTEMTIME, *PSYSTEMTIME, *LPSYSTEMTIME;

// ---- Security
#define TOKEN_QUERY 0x0008
typedef enum _TOKEN_INFORMATION_CLASS {
    TokenUser = 1,
    TokenElevationType = 18,
    TokenElevation = 20,
} TOKEN_INFORMATION_CLASS;
typedef struct _TOKEN_ELEVATION {
    DWORD TokenIsElevated;
} TOKEN_ELEVATION, *PTOKEN_ELEVATION;

// ---- Show commands
#define SW_HIDE 0
#define SW_SHOWNORMAL 1

// ---- GUIDs
typedef struct _GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
typedef const GUID& REFGUID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) {
        return false;
    }
    for (int i = 0; i < 8; ++i) {
        if (a.Data4[i] != b.Data4[i]) {
            return false;
        }
    }
    return true;
}
inline bool operator==(REFGUID a, REFGUID b) {
    return IsEqualGUID(a, b);
}
inline bool operator!=(REFGUID a, REFGUID b) {
    return !IsEqualGUID(a, b);
}

// ---- Kernel
// Every function below consults the fault rules under its own name first; a rule's result is
// returned as it is, with the rule's last error (CreateFileW returns INVALID_HANDLE_VALUE for
// any rule). GetLastError is journalled too, as "GetLastError -> N"; a rule on it changes the
// value read, not the value kept.
DWORD GetLastError();
void SetLastError(DWORD errorCode);
// Any fault rule on "Sleep" makes it return at once without waiting, so that tests of code that
// pauses need not pause.
void Sleep(DWORD milliseconds);
// Sets the folders that DLLs loaded later are searched in. Linux loads no DLL, so nothing is
// searched; the call checks its flags as Windows does (a combination of the
// LOAD_LIBRARY_SEARCH_* folder flags above, else FALSE and ERROR_INVALID_PARAMETER) and is
// journalled as "SetDefaultDllDirectories 0x00000800 -> 1".
BOOL SetDefaultDllDirectories(DWORD directoryFlags);
// The run-time lookup of a function that older Windows lacks: "kernel32.dll" (without regard to
// letter case) is the one module loaded, and SetDefaultDllDirectories its one export. Anything
// else gives a null handle and ERROR_MOD_NOT_FOUND, or a null address and ERROR_PROC_NOT_FOUND;
// any fault rule gives null (a rule on GetProcAddress stands for a Windows without the export).
// Journalled as "GetModuleHandleW kernel32.dll -> 1" and "GetProcAddress SetDefaultDllDirectories
// -> 1" (1: a handle or an address, 0: null).
HMODULE GetModuleHandleW(LPCWSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
// The host's local time, through localtime_r, which reads the time zone once per process. As on
// Windows it cannot fail, and it consults no fault rule; journalled as
// "GetLocalTime -> 2026-12-08 15:10:22.123".
void GetLocalTime(LPSYSTEMTIME systemTime);
// Windows' return rules: the length without the terminator on success; the size needed,
// terminator included, when the buffer is too small (nothing written); 0 with the last error set
// on failure.
DWORD GetCurrentDirectoryW(DWORD bufferLength, LPWSTR buffer);
// The folder for temporary files: TMPDIR, else /tmp, ending in '/'. Return rules as above.
DWORD GetTempPathW(DWORD bufferLength, LPWSTR buffer);
// The machine's system folder as Windows names it, "C:\Windows\System32" (the machine's
// drive_c/Windows/System32, as the simulated ShellExecuteW reads such a path). Return rules as
// above.
UINT GetSystemDirectoryW(LPWSTR buffer, UINT size);
// Looks the name up without regard to letter case, as Windows does (an exact match wins when
// Linux holds two names that differ in case only). Return rules as above; a missing variable
// gives 0 and ERROR_ENVVAR_NOT_FOUND, an empty one 0 and ERROR_SUCCESS.
DWORD GetEnvironmentVariableW(LPCWSTR name, LPWSTR buffer, DWORD size);
// CP_ACP, CP_THREAD_ACP and CP_UTF8 are UTF-8; wide text is UTF-32. A wide value that is no valid
// code point becomes the default character ('?', or defaultChar) in the ANSI code pages and
// U+FFFD in CP_UTF8, which takes no defaultChar or usedDefaultChar, as on Windows. Input bytes
// that are not UTF-8 become U+FFFD. A length of -1 includes the terminator; an output size of 0
// asks for the size needed; a buffer too small gives 0 and ERROR_INSUFFICIENT_BUFFER.
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wideText, int wideLength,
                        LPSTR multiByteText, int multiByteSize, LPCSTR defaultChar,
                        LPBOOL usedDefaultChar);
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR multiByteText, int multiByteLength,
                        LPWSTR wideText, int wideSize);
// FILE_APPEND_DATA (without write data) maps to an O_APPEND open, so that each WriteFile lands
// whole at the end. Share modes are not enforced. OPEN_ALWAYS and CREATE_ALWAYS leave the last
// error at ERROR_ALREADY_EXISTS when the file was there and at 0 when it was created. A missing
// folder gives ERROR_PATH_NOT_FOUND, a missing file ERROR_FILE_NOT_FOUND. A folder opens only
// with FILE_FLAG_BACKUP_SEMANTICS (else ERROR_ACCESS_DENIED). FILE_FLAG_OPEN_REPARSE_POINT is
// O_NOFOLLOW: a symbolic link at the last name is opened itself, as Windows opens a reparse
// point, as a handle that reports FILE_ATTRIBUTE_REPARSE_POINT and that nothing can be written
// through. A FIFO or a socket is refused with ERROR_ACCESS_DENIED.
HANDLE CreateFileW(LPCWSTR fileName, DWORD desiredAccess, DWORD shareMode, void* securityAttributes,
                   DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE templateFile);
// FILE_TYPE_DISK for a file, a folder or a link; FILE_TYPE_CHAR for a device; FILE_TYPE_UNKNOWN
// with ERROR_INVALID_HANDLE for anything that is no open file. Success leaves the last error.
DWORD GetFileType(HANDLE file);
// What stat(2) knows of the open file: attributes (FILE_ATTRIBUTE_DIRECTORY, _REPARSE_POINT for a
// link opened itself, _READONLY without write permission, else _ARCHIVE), times, the device as
// the volume serial number, size, link count and the inode number as the file index.
BOOL GetFileInformationByHandle(HANDLE file, LPBY_HANDLE_FILE_INFORMATION information);
// The path of the open file with every link resolved, as the kernel names it (/proc/self/fd),
// with Linux's separators and no "\\?\" prefix. Only FILE_NAME_NORMALIZED | VOLUME_NAME_DOS (0)
// is known; other flags give ERROR_INVALID_PARAMETER. Return rules as GetCurrentDirectoryW's.
DWORD GetFinalPathNameByHandleW(HANDLE file, LPWSTR filePath, DWORD filePathLength, DWORD flags);
// FileDispositionInfo alone (any other class gives ERROR_INVALID_PARAMETER, as does a buffer
// shorter than FILE_DISPOSITION_INFO): DeleteFile set marks the open file for deletion, cleared
// takes the mark back; the handle must have been opened with DELETE access (else
// ERROR_ACCESS_DENIED). As on Windows the name goes when the handle is closed: CloseHandle then
// removes the name the file has at that moment, if it is still that file's.
BOOL SetFileInformationByHandle(HANDLE file, FILE_INFO_BY_HANDLE_CLASS informationClass,
                                LPVOID information, DWORD bufferSize);
// One write(2); a short write fails with ERROR_DISK_FULL, bytesWritten telling how much landed.
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, LPDWORD bytesWritten,
               void* overlapped);
// Closes a file or token handle; ERROR_INVALID_HANDLE for anything else.
BOOL CloseHandle(HANDLE handle);

// ---- Security: a token is elevated when the process holds CAP_NET_ADMIN in its effective
// capability set. GetTokenInformation fails (FALSE and the last error) when that cannot be read,
// so that an elevation check fails closed. A fault rule on "GetTokenInformation" with a nonzero
// result and the text "not-elevated" makes the call succeed with TokenIsElevated = 0.
HANDLE GetCurrentProcess();
BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, PHANDLE token);
BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                         DWORD informationLength, LPDWORD returnLength);

// ---- C runtime functions that Windows' CRT has and glibc lacks. The path separator is '/',
// and the drive is always empty. _wsplitpath_s returns EINVAL (a null path, a buffer without a
// size or a size without a buffer) or ERANGE (a part that does not fit) and then empties every
// output; wcscpy_s returns EINVAL or ERANGE and then empties dest when it can. A fault rule on
// either (by its name) with a nonzero result empties the outputs and returns that result.
void _wsplitpath(const wchar_t* path, wchar_t* drive, wchar_t* dir, wchar_t* fname, wchar_t* ext);
errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, std::size_t driveSize, wchar_t* dir,
                      std::size_t dirSize, wchar_t* fname, std::size_t fnameSize, wchar_t* ext,
                      std::size_t extSize);
errno_t wcscpy_s(wchar_t* dest, std::size_t destSize, const wchar_t* src);
