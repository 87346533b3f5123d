#include "result_names.h"

#include <cstddef>

namespace logreader {

const char kNoWriteLockHolderNamed[] =
    "another program holds the write lock of the network configuration";

namespace {

struct Entry {
    std::uint32_t value;
    const char* name;
    const char* meaning;
};

// Results with a name of their own: COM's and the network configuration interfaces'.
constexpr Entry kHresults[] = {
    {0x00000000, "S_OK", "success"},
    {0x00000001, "S_FALSE", "success with a negative answer (not found, or already done)"},
    {0x0004A020, "NETCFG_S_REBOOT", "done, but the change takes effect only after a restart"},
    {0x0004A022, "NETCFG_S_DISABLE_QUERY", "the component asked not to be disabled"},
    {0x0004A023, "NETCFG_S_STILL_REFERENCED", "removed, but still referenced by another component"},
    {0x0004A024, "NETCFG_S_CAUSED_SETUP_CHANGE", "the operation changed the setup of components"},
    {0x0004A025, "NETCFG_S_COMMIT_NOW", "the change must be applied at once"},
    {0x80004001, "E_NOTIMPL", "the platform does not implement this call"},
    {0x80004002, "E_NOINTERFACE", "the object does not offer the interface asked for"},
    {0x80004003, "E_POINTER", "an invalid pointer was passed"},
    {0x80004004, "E_ABORT", "the operation was aborted"},
    {0x80004005, "E_FAIL", "unspecified failure"},
    {0x8000FFFF, "E_UNEXPECTED", "unexpected failure"},
    {0x80010106, "RPC_E_CHANGED_MODE",
     "COM was already initialised on this thread in another apartment mode"},
    {0x8001010E, "RPC_E_WRONG_THREAD",
     "the interface was called from a thread it does not belong to"},
    {0x80040110, "CLASS_E_NOAGGREGATION", "the class cannot be created as part of an aggregate"},
    // The only class DriverInstaller creates is the network configuration's.
    {0x80040154, "REGDB_E_CLASSNOTREG",
     "the network configuration class is not registered; on the simulated platform, "
     "SIMWIN_ROOT holds no machine (netcfg-sim init makes one)"},
    {0x800401F0, "CO_E_NOTINITIALIZED", "COM is not initialised on this thread"},
    {0x80070005, "E_ACCESSDENIED", "access denied: administrator rights are needed"},
    {0x80070006, "E_HANDLE", "an invalid handle"},
    {0x8007000E, "E_OUTOFMEMORY", "out of memory"},
    {0x80070057, "E_INVALIDARG", "an argument is invalid"},
    {0x80080005, "CO_E_SERVER_EXEC_FAILURE", "the server process could not be started"},
    {0x8004A020, "NETCFG_E_ALREADY_INITIALIZED", "the configuration object is already initialised"},
    {0x8004A021, "NETCFG_E_NOT_INITIALIZED", "the configuration object is not initialised"},
    {0x8004A022, "NETCFG_E_IN_USE", "the component is in use by another component"},
    // Who kept the lock is known only from the run's own lines (see kNoWriteLockHolderNamed).
    {0x8004A024, "NETCFG_E_NO_WRITE_LOCK", "the write lock was not granted within 5000 ms"},
    {0x8004A025, "NETCFG_E_NEED_REBOOT", "the system must be restarted before this can be done"},
    {0x8004A026, "NETCFG_E_ACTIVE_RAS_CONNECTIONS", "dial-up connections are active"},
    {0x8004A027, "NETCFG_E_ADAPTER_NOT_FOUND", "the network adapter was not found"},
    {0x8004A028, "NETCFG_E_COMPONENT_REMOVED_PENDING_REBOOT",
     "the component is removed and waits for a restart"},
    {0x8004A029, "NETCFG_E_MAX_FILTER_LIMIT", "the maximum number of filters is installed"},
    {0x8004A02A, "NETCFG_E_VMSWITCH_ACTIVE_OVER_ADAPTER",
     "a virtual switch is active over the adapter"},
    {0x8004A02B, "NETCFG_E_DUPLICATE_INSTANCEID", "a component with this instance id exists"},
};

// Win32 errors that an installer's platform calls are likely to give.
constexpr Entry kWin32Errors[] = {
    {0, "ERROR_SUCCESS", "no error"},
    {1, "ERROR_INVALID_FUNCTION", "incorrect function"},
    {2, "ERROR_FILE_NOT_FOUND", "the file was not found"},
    {3, "ERROR_PATH_NOT_FOUND", "the path was not found"},
    {5, "ERROR_ACCESS_DENIED", "access denied"},
    {6, "ERROR_INVALID_HANDLE", "an invalid handle"},
    {8, "ERROR_NOT_ENOUGH_MEMORY", "not enough memory"},
    {14, "ERROR_OUTOFMEMORY", "not enough storage"},
    {32, "ERROR_SHARING_VIOLATION", "the file is in use by another process"},
    {50, "ERROR_NOT_SUPPORTED", "the request is not supported"},
    {87, "ERROR_INVALID_PARAMETER", "a parameter is incorrect"},
    {122, "ERROR_INSUFFICIENT_BUFFER", "the buffer is too small"},
    {183, "ERROR_ALREADY_EXISTS", "it already exists"},
    {259, "ERROR_NO_MORE_ITEMS", "no more items"},
    {740, "ERROR_ELEVATION_REQUIRED", "the operation requires elevation"},
    {1056, "ERROR_SERVICE_ALREADY_RUNNING", "the service is already running"},
    {1058, "ERROR_SERVICE_DISABLED", "the service is disabled"},
    {1060, "ERROR_SERVICE_DOES_NOT_EXIST", "the service is not installed"},
    {1155, "ERROR_NO_ASSOCIATION", "no application is associated with the file"},
    {1168, "ERROR_NOT_FOUND", "element not found"},
    {1223, "ERROR_CANCELLED", "the operation was cancelled by the user"},
    {1460, "ERROR_TIMEOUT", "the operation timed out"},
    {3010, "ERROR_SUCCESS_REBOOT_REQUIRED", "done; a restart is required to complete it"},
};

// SetupAPI's own errors (0xE0000000 and up), by their low bits, as the INF copy and the
// installation of a network component give them.
constexpr Entry kSetupApiErrors[] = {
    {0x000, "ERROR_EXPECTED_SECTION_NAME", "the INF file lacks a section name where one is due"},
    {0x001, "ERROR_BAD_SECTION_NAME_LINE", "a section name line of the INF file is malformed"},
    {0x003, "ERROR_GENERAL_SYNTAX", "the INF file has a syntax error"},
    {0x100, "ERROR_WRONG_INF_STYLE", "the INF file is of the wrong style"},
    {0x101, "ERROR_SECTION_NOT_FOUND", "a section the INF file needs is missing"},
    {0x102, "ERROR_LINE_NOT_FOUND", "a line the INF file needs is missing"},
    {0x203, "ERROR_NO_DRIVER_SELECTED", "no driver was selected"},
    {0x206, "ERROR_INVALID_CLASS", "the device class is invalid"},
    {0x20A, "ERROR_NO_INF", "the INF file was not found"},
    {0x20B, "ERROR_NO_SUCH_DEVINST", "the device instance does not exist"},
    {0x217, "ERROR_BAD_SERVICE_INSTALLSECT", "the INF file's service install section is invalid"},
    {0x22F, "ERROR_NO_CATALOG_FOR_OEM_INF",
     "the INF file names no catalog (unsigned driver package)"},
    {0x235, "ERROR_IN_WOW64", "a 32-bit installer cannot install on 64-bit Windows"},
    {0x237, "ERROR_INCORRECTLY_COPIED_INF", "the INF file was copied into the INF folder wrongly"},
    {0x23C, "ERROR_NOT_AN_INSTALLED_OEM_INF", "the INF file is not an installed OEM INF file"},
    {0x23D, "ERROR_INF_IN_USE_BY_DEVICES", "the INF file is in use by devices"},
    {0x240, "ERROR_AUTHENTICODE_DISALLOWED", "the publisher of the driver is not allowed"},
    {0x241, "ERROR_AUTHENTICODE_TRUSTED_PUBLISHER", "the publisher of the driver is trusted"},
    {0x242, "ERROR_AUTHENTICODE_TRUST_NOT_ESTABLISHED", "the driver's signer is not trusted yet"},
    {0x243, "ERROR_AUTHENTICODE_PUBLISHER_NOT_TRUSTED", "the driver's publisher is not trusted"},
};

struct ExitCode {
    int value;
    const char* meaning;
};

// DriverInstaller's exit codes.
constexpr ExitCode kExitCodes[] = {
    {0, "the command succeeded"},
    {901, "installing the virtual ethernet adapter failed"},
    {902, "installing the virtual switch failed (the adapter stays installed)"},
    {903, "removing the virtual ethernet adapter failed, whatever became of the switch"},
    {904, "removing the virtual switch failed and removing the adapter succeeded"},
    {905, "no command argument"},
    {906, "the process token is not elevated, or the command is not recognised"},
    {908, "an INF file is missing from the current folder"},
};

constexpr std::uint32_t kWin32FacilityMask = 0xFFFF0000;
constexpr std::uint32_t kWin32Facility = 0x80070000;
constexpr std::uint32_t kSetupApiFacility = 0x800F0000;
constexpr std::uint32_t kSetupApiErrorBase = 0xE0000000;
constexpr std::uint32_t kSetupApiErrorMask = 0xFFFFF000;

// The table's row for value, or nullptr.
template <typename Row, std::size_t N, typename Value>
const Row* Find(const Row (&table)[N], Value value) {
    for (const Row& entry : table) {
        if (entry.value == value) {
            return &entry;
        }
    }
    return nullptr;
}

ResultName Known(const Entry& entry) {
    return ResultName{true, entry.name, entry.meaning};
}

ResultName Wrapped(const char* wrapper, const Entry& entry) {
    return ResultName{true, std::string(wrapper) + "(" + entry.name + ")", entry.meaning};
}

}  // namespace

ResultName NameHresult(std::uint32_t value) {
    if (const Entry* entry = Find(kHresults, value)) {
        return Known(*entry);
    }
    const std::uint32_t code = value & 0xFFFF;
    if ((value & kWin32FacilityMask) == kWin32Facility) {
        if (const Entry* entry = Find(kWin32Errors, code)) {
            return Wrapped("HRESULT_FROM_WIN32", *entry);
        }
    }
    if ((value & kWin32FacilityMask) == kSetupApiFacility) {
        if (const Entry* entry = Find(kSetupApiErrors, code)) {
            return Wrapped("HRESULT_FROM_SETUPAPI", *entry);
        }
    }
    return {};
}

ResultName NameWin32Error(std::uint32_t value) {
    if ((value & kSetupApiErrorMask) == kSetupApiErrorBase) {
        if (const Entry* entry = Find(kSetupApiErrors, value & ~kSetupApiErrorMask)) {
            return Known(*entry);
        }
        return {};
    }
    if (const Entry* entry = Find(kWin32Errors, value)) {
        return Known(*entry);
    }
    return {};
}

std::string ExitCodeMeaning(int exitCode) {
    const ExitCode* known = Find(kExitCodes, exitCode);
    return known != nullptr ? known->meaning : std::string();
}

}  // namespace logreader
