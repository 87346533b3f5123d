// driverinstaller-selftest [--install-cycle FOLDER] [--report FOLDER] | --version: checks on
// this Windows what DriverInstaller and the engine it is tested on assume of the platform, and
// writes a report to send back. Exit code 0 when every assumption holds, 1 when one differs, 2
// when it could not run.
#include "command_line.h"
#include "console_output.h"
#include "main/dll_search.h"
#include "selftest.h"

// The entry of a program linked for wide arguments (-municode).
int wmain(int argc, wchar_t* argv[]) {
    // It runs elevated from the vendor's folder, as DriverInstaller does.
    LoadLaterDllsFromTheSystemFolderOnly();
    selftest::Options options;
    if (!selftest::ParseCommandLine(argc, argv, &options)) {
        selftest::WriteStandard(STD_ERROR_HANDLE, std::wstring(selftest::kUsage) + L"\r\n");
        return selftest::kExitCouldNotRun;
    }
    return selftest::RunSelfTest(options);
}
