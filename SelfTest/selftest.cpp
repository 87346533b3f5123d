#include "selftest.h"

#include <windows.h>

#include "console_output.h"
#include "environment_checks.h"
#include "install_cycle.h"
#include "netcfg_checks.h"
#include "report_files.h"

#include <cwchar>
#include <string>

namespace selftest {

namespace {

constexpr wchar_t kProgramName[] = L"driverinstaller-selftest: ";

int CouldNotRun(const std::wstring& reason) {
    WriteStandard(STD_ERROR_HANDLE, kProgramName + reason + L"\r\n");
    return kExitCouldNotRun;
}

// A new folder in the current one, named after the local time, so that runs never meet.
std::wstring DefaultReportFolder() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t name[64];
    std::swprintf(name, sizeof name / sizeof name[0],
                  L"driverinstaller-selftest-%04u%02u%02u-%02u%02u%02u", unsigned{now.wYear},
                  unsigned{now.wMonth}, unsigned{now.wDay}, unsigned{now.wHour},
                  unsigned{now.wMinute}, unsigned{now.wSecond});
    std::wstring folder(32768, L'\0');
    const DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), &folder[0]);
    folder.resize(length);
    if (!folder.empty() && folder.back() != L'\\') {
        folder += L'\\';
    }
    return folder + name;
}

}  // namespace

int RunSelfTest(const Options& options) {
    if (options.version) {
        WriteStandard(STD_OUTPUT_HANDLE,
                      L"driverinstaller-selftest " DRIVERINSTALLER_VERSION_WIDE L"\r\n");
        return kExitAllHold;
    }
    const bool installCycle = !options.installCycle.empty();
    if (installCycle) {
        const std::wstring refusal = InstallCycleRefusal(options.installCycle);
        if (!refusal.empty()) {
            return CouldNotRun(refusal);
        }
    }
    const std::wstring reportFolder =
        options.reportFolder.empty() ? DefaultReportFolder() : options.reportFolder;
    const std::wstring folderProblem = MakeReportFolder(reportFolder);
    if (!folderProblem.empty()) {
        return CouldNotRun(folderProblem);
    }

    Findings findings;
    CheckEnvironment(&findings);
    const NetworkView baseline = CheckNetworkConfiguration(&findings);
    if (installCycle) {
        RunInstallCycle(options.installCycle, reportFolder, baseline, &findings);
    }

    std::wstring header = L"driverinstaller-selftest " DRIVERINSTALLER_VERSION_WIDE L": ";
    header += installCycle ? L"the read-only checks and the install cycle from '" +
                                 options.installCycle + L"'"
                           : std::wstring(L"the read-only checks (nothing was changed)");
    header += L"\r\nReport folder: " + reportFolder;
    if (!WriteReportFiles(reportFolder, findings, header, installCycle)) {
        return CouldNotRun(L"the report could not be written to '" + reportFolder + L"'");
    }
    WriteStandard(STD_OUTPUT_HANDLE, ReportText(findings, header));
    return findings.Held() == findings.assumptions.size() ? kExitAllHold : kExitSomeDiffer;
}

}  // namespace selftest
