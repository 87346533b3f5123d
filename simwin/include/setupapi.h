// Simulated Windows platform: SetupCopyOEMInfW of <setupapi.h>.
#pragma once

#include <windows.h>

#define SPOST_NONE 0
#define SPOST_PATH 1
#define SPOST_URL 2

// SetupAPI's own errors, as GetLastError reports them.
#define APPLICATION_ERROR_MASK 0x20000000
#define ERROR_SEVERITY_ERROR 0xC0000000
#define ERROR_GENERAL_SYNTAX (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x003)
#define ERROR_WRONG_INF_STYLE (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x100)
#define ERROR_SECTION_NOT_FOUND (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x101)
#define ERROR_CLASS_MISMATCH (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x201)
#define ERROR_NO_DRIVER_SELECTED (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x203)
#define ERROR_NO_SUCH_DEVINST (APPLICATION_ERROR_MASK | ERROR_SEVERITY_ERROR | 0x20B)
// HRESULTs for SetupAPI errors, as the network configuration returns them.
#define SPAPI_E_CLASS_MISMATCH _HRESULT_TYPEDEF_(0x800F0201L)
#define SPAPI_E_NO_DRIVER_SELECTED _HRESULT_TYPEDEF_(0x800F0203L)

// Copies the INF file into the machine's INF store as oemN.inf (the same INF again gives the
// same oemN.inf) and records the source location. FALSE with the last error set for a missing
// or unreadable file or a malformed INF.
BOOL SetupCopyOEMInfW(PCWSTR sourceInfFileName, PCWSTR oemSourceMediaLocation,
                      DWORD oemSourceMediaType, DWORD copyStyle, PWSTR destinationInfFileName,
                      DWORD destinationInfFileNameSize, PDWORD requiredSize,
                      PWSTR* destinationInfFileNameComponent);
