#include "environment_checks.h"

#include <windows.h>

#include "log/Logger.h"
#include "log/final_path.h"
#include "text.h"

#include <cwchar>
#include <string>
#include <vector>

namespace selftest {

namespace {

constexpr wchar_t kSection[] = L"Environment";
// IMAGE_FILE_MACHINE_* values, as IsWow64Process2 answers them.
constexpr USHORT kMachineUnknown = 0;
constexpr USHORT kMachineAmd64 = 0x8664;
constexpr USHORT kMachineArm64 = 0xAA64;

// A function of a system DLL that older Windows versions lack, looked up rather than imported so
// that the self-test starts there too. Null when the DLL or the function is not there.
template <typename Function>
Function SystemFunction(const wchar_t* dll, const char* name) {
    const HMODULE module = GetModuleHandleW(dll);
    if (module == nullptr) {
        return nullptr;
    }
    // Through void (*)(), the one function pointer type that converts to any other without a
    // warning that the types differ.
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

// A string value under HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion, or "(none)".
std::wstring CurrentVersionValue(const wchar_t* name) {
    wchar_t value[256] = {};
    DWORD size = sizeof value;
    const LSTATUS status =
        RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", name,
                     RRF_RT_REG_SZ, nullptr, value, &size);
    return status == ERROR_SUCCESS ? std::wstring(value) : std::wstring(L"(none)");
}

DWORD CurrentVersionNumber(const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", name,
                 RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// The version as the kernel reports it (GetVersionEx answers what the manifest claims to
// support, RtlGetVersion the truth), with the update build revision.
std::wstring WindowsVersion() {
    using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
    const auto rtlGetVersion = SystemFunction<RtlGetVersionFunction>(L"ntdll.dll", "RtlGetVersion");
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (rtlGetVersion == nullptr || rtlGetVersion(&version) != 0) {
        return L"(not read)";
    }
    return std::to_wstring(version.dwMajorVersion) + L"." +
           std::to_wstring(version.dwMinorVersion) + L"." + std::to_wstring(version.dwBuildNumber) +
           L"." + std::to_wstring(CurrentVersionNumber(L"UBR"));
}

// The architectures IsWow64Process2 names, 0x014c being x86's.
const Named<USHORT> kMachineNames[] = {
    {kMachineAmd64, L"x64"}, {kMachineArm64, L"ARM64"}, {0x014c, L"x86"}};

const wchar_t* MachineName(USHORT machine) {
    return NameIn(kMachineNames, machine, L"another architecture");
}

void CheckArchitecture(Findings* findings) {
    using IsWow64Process2Function = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
    const auto isWow64Process2 =
        SystemFunction<IsWow64Process2Function>(L"kernel32.dll", "IsWow64Process2");
    USHORT processMachine = kMachineUnknown;
    USHORT nativeMachine = kMachineUnknown;
    std::wstring observed;
    if (isWow64Process2 != nullptr &&
        isWow64Process2(GetCurrentProcess(), &processMachine, &nativeMachine) != FALSE) {
        // An x64 process emulated on ARM64 is not a WOW64 process: it is told "unknown", and the
        // native machine is ARM64.
        observed = std::wstring(L"an x64 process on ") + MachineName(nativeMachine) + L" Windows";
    } else {
        // Windows before 10 version 1511 lacks the call; there only x64 runs an x64 process.
        SYSTEM_INFO system = {};
        GetNativeSystemInfo(&system);
        nativeMachine = system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64
                            ? kMachineAmd64
                            : kMachineUnknown;
        observed = std::wstring(L"an x64 process on ") + MachineName(nativeMachine) +
                   L" Windows (from GetNativeSystemInfo)";
    }
    findings->AddFact(kSection, L"Architecture", observed);
    findings->AddAssumption("architecture", L"The program and its drivers run on x64 Windows",
                            L"an x64 process on x64 Windows, drivers for x64", observed,
                            nativeMachine == kMachineAmd64);
}

// The token's user as DOMAIN\name.
std::wstring AccountName(HANDLE token) {
    std::vector<BYTE> buffer(1024);
    DWORD length = 0;
    if (GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()),
                            &length) == FALSE) {
        return L"(not read)";
    }
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer.data());
    wchar_t name[256] = {};
    wchar_t domain[256] = {};
    DWORD nameLength = 256;
    DWORD domainLength = 256;
    SID_NAME_USE use = SidTypeUnknown;
    if (LookupAccountSidW(nullptr, user->User.Sid, name, &nameLength, domain, &domainLength,
                          &use) == FALSE) {
        return L"(not looked up)";
    }
    return std::wstring(domain) + L"\\" + name;
}

// How the token holds the Administrators group: enabled, for deny only (a filtered token, as
// User Account Control gives an administrator before elevation), or not at all.
enum class AdministratorsMembership { Enabled, DenyOnly, None, NotRead };

AdministratorsMembership Administrators(HANDLE token) {
    BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
    DWORD sidSize = sizeof administrators;
    if (CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &sidSize) ==
        FALSE) {
        return AdministratorsMembership::NotRead;
    }
    DWORD length = 0;
    GetTokenInformation(token, TokenGroups, nullptr, 0, &length);
    std::vector<BYTE> buffer(length);
    if (length == 0 ||
        GetTokenInformation(token, TokenGroups, buffer.data(), length, &length) == FALSE) {
        return AdministratorsMembership::NotRead;
    }
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(buffer.data());
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (EqualSid(groups->Groups[i].Sid, administrators) == FALSE) {
            continue;
        }
        if ((groups->Groups[i].Attributes & SE_GROUP_USE_FOR_DENY_ONLY) != 0) {
            return AdministratorsMembership::DenyOnly;
        }
        return (groups->Groups[i].Attributes & SE_GROUP_ENABLED) != 0
                   ? AdministratorsMembership::Enabled
                   : AdministratorsMembership::DenyOnly;
    }
    return AdministratorsMembership::None;
}

const wchar_t* MembershipText(AdministratorsMembership membership) {
    switch (membership) {
        case AdministratorsMembership::Enabled:
            return L"Administrators enabled";
        case AdministratorsMembership::DenyOnly:
            return L"Administrators for deny only";
        case AdministratorsMembership::None:
            return L"not a member of Administrators";
        default:
            return L"Administrators membership not read";
    }
}

void CheckAccount(Findings* findings) {
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    findings->AddFact(kSection, L"Session", std::to_wstring(session));
    HANDLE token = nullptr;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token) == FALSE) {
        findings->AddAssumption("elevation", L"An elevated token is one that may install drivers",
                                L"TokenElevation alone decides, as the program's check does",
                                L"the process token could not be opened", false);
        return;
    }
    TOKEN_ELEVATION elevation = {};
    DWORD length = 0;
    const bool read =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &length) != FALSE;
    const AdministratorsMembership membership = Administrators(token);
    findings->AddFact(kSection, L"Account", AccountName(token));
    CloseHandle(token);

    const bool elevated = read && elevation.TokenIsElevated != 0;
    const std::wstring observed =
        std::wstring(read ? (elevated ? L"TokenElevation 1" : L"TokenElevation 0")
                          : L"TokenElevation not read") +
        L", " + MembershipText(membership);
    findings->AddFact(kSection, L"Elevation", observed);
    // An elevated token without the Administrators group (a Backup Operators token is elevated)
    // passes the program's check and still cannot install drivers.
    const bool holds = read && elevated == (membership == AdministratorsMembership::Enabled);
    findings->AddAssumption("elevation", L"An elevated token is one that may install drivers",
                            L"TokenElevation 1 exactly when Administrators is enabled", observed,
                            holds);
}

std::wstring ErrorText(DWORD error) {
    wchar_t text[32];
    std::swprintf(text, sizeof text / sizeof text[0], L"last error %lu",
                  static_cast<unsigned long>(error));
    return text;
}

// The folder's final path, as an assumption: the log writes no line where it cannot be read.
void CheckFinalPath(Findings* findings, const char* id, const std::wstring& what,
                    const std::wstring& folder) {
    DWORD error = 0;
    const std::wstring finalPath = FolderFinalPath(folder, &error);
    const std::wstring observed = finalPath.empty()
                                      ? L"'" + folder + L"': not read, " + ErrorText(error)
                                      : L"'" + folder + L"' is '" + finalPath + L"'";
    findings->AddFact(kSection, what, observed);
    findings->AddAssumption(id, what + L": its final path can be read",
                            L"GetFinalPathNameByHandleW answers for the folder", observed,
                            !finalPath.empty());
}

void CheckLogFolders(Findings* findings) {
    // The program's own choice (AutInstLog, else tmp, else the temporary folder) is the log's.
    const std::wstring logPath = Logger().Path();
    if (logPath.empty()) {
        findings->AddAssumption("log-folder", L"The log folder: its final path can be read",
                                L"a log folder is chosen within MAX_PATH characters",
                                L"no log folder: the path does not fit in MAX_PATH", false);
    } else {
        CheckFinalPath(findings, "log-folder", L"The log folder",
                       logPath.substr(0, logPath.rfind(L'\\') + 1));
    }
    // The temporary folder by its 8.3 short name, the form a setup may hand on in tmp.
    wchar_t temp[MAX_PATH + 1] = {};
    wchar_t shortTemp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    const DWORD shortLength = GetShortPathNameW(temp, shortTemp, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH || shortLength == 0 || shortLength > MAX_PATH) {
        findings->AddFact(kSection, L"The temporary folder by its short name", L"(none)");
        return;
    }
    CheckFinalPath(findings, "short-temp-folder", L"The temporary folder by its short name",
                   shortTemp);
}

}  // namespace

void CheckEnvironment(Findings* findings) {
    findings->AddFact(kSection, L"Windows",
                      CurrentVersionValue(L"ProductName") + L", version " + WindowsVersion());
    findings->AddFact(kSection, L"Edition", CurrentVersionValue(L"EditionID"));
    // "Server Core" names an installation without the desktop; "Client" and "Server" have one.
    findings->AddFact(kSection, L"Installation type", CurrentVersionValue(L"InstallationType"));
    CheckArchitecture(findings);
    CheckAccount(findings);
    CheckLogFolders(findings);
}

}  // namespace selftest
