// Names and short meanings of the results DriverInstaller writes: HRESULTs (COM, network
// configuration, SetupAPI and Win32 errors carried as HRESULTs), Win32 error codes and its own
// exit codes.
#pragma once

#include <cstdint>
#include <string>

namespace logreader {

struct ResultName {
    bool known = false;
    std::string name;     // e.g. "NETCFG_E_NO_WRITE_LOCK", "HRESULT_FROM_WIN32(ERROR_CANCELLED)"
    std::string meaning;  // one short phrase for a person
};

// NETCFG_E_NO_WRITE_LOCK's meaning in a run whose lines name the client holding the lock.
// Without such a line the result says only that DriverInstaller's wait for the lock ran out.
extern const char kNoWriteLockHolderNamed[];

// An HRESULT by its 32 bits. Values of the Win32 facility (0x8007xxxx) and of SetupAPI's
// (0x800Fxxxx) are named after the error they carry.
ResultName NameHresult(std::uint32_t value);

// A Win32 error code as GetLastError returns it, SetupAPI's own (0xE000xxxx) included.
ResultName NameWin32Error(std::uint32_t value);

// The meaning of one of DriverInstaller's exit codes, as its README's table gives it; empty for
// a value that is none of them.
std::string ExitCodeMeaning(int exitCode);

}  // namespace logreader
