// driverinstaller-log.exe run under Wine on the log DriverInstaller.exe wrote there: Wine's own
// network configuration answers E_NOTIMPL, so an Install ends in 901, and the reader's summary
// of that run, found where the installer wrote it, is compared whole, the platform's message
// text included. Output to a file is UTF-8 text with CR LF line ends, as the Windows runtime
// writes text.
#include "LogReader/reader_output.h"
#include "support/exit_codes.h"
#include "support/inf_files.h"
#include "support/process.h"
#include "support/temp_machine.h"
#include "wine/wine_session.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

namespace {

using logreadertest::JsonErrorLines;
using logreadertest::ReaderRun;
using winetest::CaseFolder;
using winetest::WindowsPath;

using testsupport::kExitAdapterInstallFailed;
constexpr int kReaderNoLog = 2;

// Runs driverinstaller-log.exe under Wine with AutInstLog set to logFolder (a Windows path).
// Wine takes its ANSI code page from the locale: C.UTF-8 gives code page 1252.
ReaderRun RunReader(const std::vector<std::string>& arguments, const std::string& logFolder,
                    const std::string& caseFolder) {
    std::vector<std::string> words = {DRIVERINSTALLER_LOG_WINDOWS_EXE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const std::string outputPath = caseFolder + "/reader-output.txt";
    ReaderRun run;
    run.status = winetest::PlainPrefix().Run(
        words, caseFolder, {{"LC_ALL", "C.UTF-8"}, {"AutInstLog", logFolder}}, {}, outputPath);
    run.output = logreadertest::WithoutTimes(testsupport::ReadFile(outputPath));
    return run;
}

using LogReaderUnderWineTest = winetest::PlainPrefixTest;

TEST_F(LogReaderUnderWineTest, SummarisesTheInstallThatWineRefused) {
    testsupport::CopyInfFiles(setupFolder_);
    const std::string logFolder = WindowsPath(logFolder_);
    ASSERT_EQ(winetest::RunInstaller({"Install"}, setupFolder_, &logFolder),
              kExitAdapterInstallFailed);

    // No file named: the reader finds the log where AutInstLog put it.
    const ReaderRun text = RunReader({}, logFolder, folder_.path());
    EXPECT_EQ(text.status, 0);
    const std::string notImplemented =
        "      hr 0x80004001 = E_NOTIMPL: the platform does not implement this call\r\n"
        "        system text: Not implemented.\r\n";
    EXPECT_EQ(text.output,
              "Run 1, started YYYY-MM-DD hh:mm:ss\r\n"
              "  Command: Install\r\n"
              "  Outcome: exit code 901: installing the virtual ethernet adapter failed\r\n"
              "  Errors:\r\n"
              "    hh:mm:ss  hr='-2147467263' / hr='0x80004001'\r\n" +
                  notImplemented +
                  "    hh:mm:ss DeviceManager::HrInstallNetComponent() failed! "
                  "hr='-2147467263' / hr='0x80004001'\r\n" +
                  notImplemented +
                  "    hh:mm:ss DeviceManager::InstallSpecifiedComponent() Couldn't install the "
                  "network component. HrInstallNetComponent returned hr='-2147467263' / "
                  "hr='0x80004001'\r\n" +
                  notImplemented +
                  "    hh:mm:ss DeviceManager::InstallDriver() InstallSpecifiedComponent "
                  "returned hr='-2147467263' / hr='0x80004001'\r\n" +
                  notImplemented +
                  "    hh:mm:ss DeviceManager::InstallDriver() InstallSpecifiedComponent "
                  "szFileFullPath='" +
                  WindowsPath(setupFolder_) +
                  "\\quorixvmini60.inf'\r\n"
                  "    hh:mm:ss DeviceManager::Installer() Installing Virtual Ethernet adapter "
                  "failed. 'InstallDriver()' returned hr='-2147467263' / hr='0x80004001'\r\n" +
                  notImplemented +
                  "    hh:mm:ss Installation of virtual ethernet adapter failed. 'Installer()' "
                  "returned result=901\r\n"
                  "      result 901: installing the virtual ethernet adapter failed\r\n"
                  "\r\n");

    // The JSON form through the library as the MinGW build compiled it; the path's
    // backslashes are escaped.
    const std::string windowsSetup =
        std::regex_replace(WindowsPath(setupFolder_), std::regex(R"(\\)"), R"(\\)");
    const ReaderRun json =
        RunReader({"--json", "--last",
                   logFolder + "\\" + "Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log"},
                  "Z:\\nonexistent", folder_.path());
    EXPECT_EQ(json.status, 0);
    const std::string result =
        R"({"field":"hr","written":"0x80004001","value":2147500033,"known":true,)"
        R"("name":"E_NOTIMPL","meaning":"the platform does not implement this call",)"
        R"("systemText":"Not implemented."})";
    EXPECT_EQ(json.output,
              R"({"run":1,"started":"YYYY-MM-DD hh:mm:ss","startMissing":false,)"
              R"("command":"Install","complete":true,"exitCode":901,)"
              R"("outcome":"installing the virtual ethernet adapter failed","lockHolders":[],)"
              R"("lines":)" +
                  JsonErrorLines({
                      {" hr='-2147467263' / hr='0x80004001'", result},
                      {"DeviceManager::HrInstallNetComponent() failed! hr='-2147467263' / "
                       "hr='0x80004001'",
                       result},
                      {"DeviceManager::InstallSpecifiedComponent() Couldn't install the network "
                       "component. HrInstallNetComponent returned hr='-2147467263' / "
                       "hr='0x80004001'",
                       result},
                      {"DeviceManager::InstallDriver() InstallSpecifiedComponent returned "
                       "hr='-2147467263' / hr='0x80004001'",
                       result},
                      {"DeviceManager::InstallDriver() InstallSpecifiedComponent szFileFullPath='" +
                           windowsSetup + R"(\\quorixvmini60.inf')",
                       ""},
                      {"DeviceManager::Installer() Installing Virtual Ethernet adapter failed. "
                       "'InstallDriver()' returned hr='-2147467263' / hr='0x80004001'",
                       result},
                      {"Installation of virtual ethernet adapter failed. 'Installer()' returned "
                       "result=901",
                       R"({"field":"result","written":"901","value":901,"known":true,)"
                       R"("name":"","meaning":"installing the virtual ethernet adapter failed"})"},
                  }) +
                  "}\r\n");
}

// The log is read in the ANSI code page (1252 here): a byte outside ASCII reaches the output
// as the character it stands for, in UTF-8, in a lock holder's name and in a line kept as is.
TEST_F(LogReaderUnderWineTest, ReadsTheLogInTheAnsiCodePage) {
    const std::string path = logFolder_ + "/crafted.log";
    testsupport::WriteFile(
        path,
        "2026-12-07___21:40:12 | \r\n2026-12-07___21:40:12 | \r\n2026-12-07___21:40:12 | \r\n"
        "2026-12-07___21:40:12 | " +
            std::string(68, '=') +
            "\r\n"
            "2026-12-07___21:40:12 | < START >\r\n"
            "2026-12-07___21:40:12 | Command found: uninstall ethernet adapter and switch\r\n"
            "2026-12-07___21:40:13 | <ERROR> | DeviceManager::UninstallDriver() Caf\xE9 Setup "
            "currently holds the lock, try later.\r\n"
            "stray \xE9\r\n");
    const ReaderRun run = RunReader({WindowsPath(path)}, "Z:\\nonexistent", folder_.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "Run 1, started YYYY-MM-DD hh:mm:ss\r\n"
              "  Command: Uninstall\r\n"
              "  Outcome: unknown: the run's last lines are missing\r\n"
              "  Lock holder: Caf\xC3\xA9 Setup\r\n"
              "  Errors:\r\n"
              "    hh:mm:ss DeviceManager::UninstallDriver() Caf\xC3\xA9 Setup currently holds the "
              "lock, try later.\r\n"
              "    not a log line: stray \xC3\xA9\r\n"
              "\r\n");
}

TEST_F(LogReaderUnderWineTest, VersionIsTheProjectVersion) {
    const ReaderRun run = RunReader({"--version"}, WindowsPath(logFolder_), folder_.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, std::string("driverinstaller-log ") + PROJECT_VERSION + "\r\n");
}

TEST_F(LogReaderUnderWineTest, AMissingLogIsOneLineAndExitCode2) {
    const ReaderRun run = RunReader({}, WindowsPath(logFolder_), folder_.path());
    EXPECT_EQ(run.status, kReaderNoLog);
    EXPECT_EQ(run.output, "driverinstaller-log: cannot read '" + WindowsPath(logFolder_) +
                              "\\Tandrel.Morvane.Quorix.Halvoren.DriverInstaller.log'\r\n");
}

}  // namespace
