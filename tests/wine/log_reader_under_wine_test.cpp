// driverinstaller-log.exe run under Wine on the log DriverInstaller.exe wrote there: Wine's own
// network configuration answers E_NOTIMPL, so an Install ends in 901, and the reader's summary
// of that run, found where the installer wrote it, is compared whole, the platform's message
// text included. Output to a file is UTF-8 text with CR LF line ends, as the Windows runtime
// writes text.
#include "LogReader/reader_output.h"
#include "support/exit_codes.h"
#include "support/inf_files.h"
#include "support/log_file.h"
#include "support/process.h"
#include "support/temp_machine.h"
#include "wine/wine_session.h"

#include <gtest/gtest.h>

#include <map>
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
              "  Left installed: the virtual ethernet adapter (unknown: its installation "
              "failed), the virtual switch (unknown: the run ended before its step)\r\n"
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
        RunReader({"--json", "--last", logFolder + "\\" + testsupport::kLogFileName},
                  "Z:\\nonexistent", folder_.path());
    EXPECT_EQ(json.status, 0);
    const std::string result =
        R"({"field":"hr","written":"0x80004001","value":2147500033,"known":true,)"
        R"("name":"E_NOTIMPL","meaning":"the platform does not implement this call",)"
        R"("systemText":"Not implemented."})";
    EXPECT_EQ(json.output,
              R"({"run":1,"started":"YYYY-MM-DD hh:mm:ss","startMissing":false,)"
              R"("command":"Install","complete":true,"exitCode":901,)"
              R"("outcome":"installing the virtual ethernet adapter failed",)" +
                  logreadertest::kLeftAfterFailedAdapterInstallJson +
                  R"("lockHolders":[],)"
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
              "  Left installed: the virtual switch (unknown: the run ended before its step), the "
              "virtual ethernet adapter (unknown: the run ended before its step)\r\n"
              "  Lock holder: Caf\xC3\xA9 Setup\r\n"
              "  Errors:\r\n"
              "    hh:mm:ss DeviceManager::UninstallDriver() Caf\xC3\xA9 Setup currently holds the "
              "lock, try later.\r\n"
              "    not a log line: stray \xC3\xA9\r\n"
              "\r\n");
}

// A damaged or planted log: a line of a million digits after "errorMessageID=" (which once
// overflowed the stack of the runtime's regular expressions, at 8,000 digits under Wine) and a
// line of terminal controls. The reader answers with its report, cut and escaped: the only
// control bytes in it are the CR LF line ends.
TEST_F(LogReaderUnderWineTest, AMillionDigitsAndTerminalControlsGetAReportOfTextAlone) {
    const std::string path = logFolder_ + "/hostile.log";
    std::string log;
    for (const char* message :
         {"", "", "", "====================================================================",
          "< START >", "===================================================================="}) {
        log += std::string("2026-12-07___21:40:12 | ") + message + "\r\n";
    }
    log += "2026-12-07___21:40:13 | <ERROR> | errorMessageID=" + std::string(1000000, '7') +
           "\r\n2026-12-07___21:40:14 | <ERROR> | \x1b[3A\r\x1b[2K\x08\x7f\r\n";
    testsupport::WriteFile(path, log);
    const ReaderRun run = RunReader({WindowsPath(path)}, "Z:\\nonexistent", folder_.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("      cut: the line is longer than 65536 bytes; its last 934513 "
                              "bytes are not read\r\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("    hh:mm:ss \\x1b[3A\\x0d\\x1b[2K\\x08\\x7f\r\n"),
              std::string::npos);
    for (std::size_t i = 0; i < run.output.size(); ++i) {
        const auto byte = static_cast<unsigned char>(run.output[i]);
        const bool lineEnd = byte == '\n' || (byte == '\r' && i + 1 < run.output.size() &&
                                              run.output[i + 1] == '\n');
        ASSERT_TRUE((byte >= 0x20 && byte != 0x7F) || lineEnd) << "control byte at " << i;
    }
}

TEST_F(LogReaderUnderWineTest, VersionIsTheProjectVersion) {
    const ReaderRun run = RunReader({"--version"}, WindowsPath(logFolder_), folder_.path());
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, std::string("driverinstaller-log ") + PROJECT_VERSION + "\r\n");
}

TEST_F(LogReaderUnderWineTest, AMissingLogIsOneLineAndExitCode2) {
    const ReaderRun run = RunReader({}, WindowsPath(logFolder_), folder_.path());
    EXPECT_EQ(run.status, kReaderNoLog);
    EXPECT_EQ(run.output, "driverinstaller-log: cannot read '" + WindowsPath(logFolder_) + "\\" +
                              testsupport::kLogFileName + "'\r\n");
}

// Where the user's locale differs from the system's, DriverInstaller writes in the user's code
// page (the thread's) and the reader reads in it unless told otherwise. Wine takes the system
// locale from LC_CTYPE and the user's from LC_MESSAGES, when the host has them: C.UTF-8 gives
// code page 1252, and ru_RU.UTF-8, generated for the test, 1251. A setup folder named setup-Жé is
// written as 1251 holds it (Ж, and é as its best fit e).
TEST_F(LogReaderUnderWineTest, ReadsTheLogInTheUsersCodePageOrTheOneNamed) {
    const std::string locales = folder_.Make("locales");
    ASSERT_EQ(testsupport::RunProcess("localedef",
                                      {"-i", "ru_RU", "-f", "UTF-8", locales + "/ru_RU.UTF-8"}, {},
                                      folder_.path() + "/localedef.txt"),
              0);
    const std::map<std::string, std::string> russianUser = {
        {"LOCPATH", locales}, {"LC_CTYPE", "C.UTF-8"}, {"LC_MESSAGES", "ru_RU.UTF-8"}};
    const std::vector<std::string> unset = {"LC_ALL", "LANG"};
    const std::string setup = folder_.Make("setup-\xD0\x96\xC3\xA9");
    testsupport::CopyInfFiles(setup);
    std::map<std::string, std::string> environment = russianUser;
    environment["AutInstLog"] = WindowsPath(logFolder_);
    ASSERT_EQ(winetest::PlainPrefix().Run({DRIVERINSTALLER_WINDOWS_EXE, "Install"}, setup,
                                          environment, unset, folder_.path() + "/wine-output.txt"),
              kExitAdapterInstallFailed);
    const std::string logPath = testsupport::LogFileIn(logFolder_);
    const std::string written = WindowsPath(folder_.path()) +
                                "\\setup-\xC6"
                                "e\\quorixvmini60.inf";
    ASSERT_NE(testsupport::ReadFile(logPath).find(written), std::string::npos);

    const struct {
        std::vector<std::string> options;
        std::string folder;
    } cases[] = {
        {{},
         "setup-\xD0\x96"
         "e"},
        // Code page 0 is the system's ANSI code page, 1252 here.
        {{"--code-page", "0"},
         "setup-\xC3\x86"
         "e"},
        {{"--code-page", "1251"},
         "setup-\xD0\x96"
         "e"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> words = {DRIVERINSTALLER_LOG_WINDOWS_EXE, "--last"};
        words.insert(words.end(), c.options.begin(), c.options.end());
        words.push_back(WindowsPath(logPath));
        const std::string outputPath = folder_.path() + "/reader-output.txt";
        EXPECT_EQ(
            winetest::PlainPrefix().Run(words, folder_.path(), russianUser, unset, outputPath), 0);
        const std::string expected = "InstallSpecifiedComponent szFileFullPath='" +
                                     WindowsPath(folder_.path()) + "\\" + c.folder +
                                     "\\quorixvmini60.inf'\r\n";
        EXPECT_NE(testsupport::ReadFile(outputPath).find(expected), std::string::npos)
            << testsupport::ReadFile(outputPath);
    }
}

// An argument that has no UTF-8 form, here with an unpaired UTF-16 surrogate (NTFS allows one
// in a file name), reaches the reader through CreateProcessW, which a Linux command line cannot
// do: the reader names it with U+FFFD in its one-line answer and exits with 2.
TEST_F(LogReaderUnderWineTest, AnArgumentWithAnUnpairedSurrogateIsNamedInItsAnswer) {
    const std::string missing = WindowsPath(logFolder_) + "\\missing-";
    const struct {
        std::string argument;  // "{U+XXXX}": the UTF-16 unit XXXX
        std::string firstLine;
    } cases[] = {
        {missing + "{U+D800}.log",
         "driverinstaller-log: cannot read '" + missing + "\xEF\xBF\xBD.log'\r\n"},
        {"--x{U+DC00}", "driverinstaller-log: unknown option --x\xEF\xBF\xBD\r\n"},
    };
    for (const auto& c : cases) {
        const std::string outputPath = folder_.path() + "/reader-output.txt";
        EXPECT_EQ(winetest::PlainPrefix().Run(
                      {WIDE_LAUNCHER_WINDOWS_EXE, DRIVERINSTALLER_LOG_WINDOWS_EXE, c.argument},
                      folder_.path(), {{"LC_ALL", "C.UTF-8"}}, {}, outputPath),
                  kReaderNoLog);
        const std::string output = testsupport::ReadFile(outputPath);
        EXPECT_EQ(output.substr(0, output.find('\n') + 1), c.firstLine);
    }
}

}  // namespace
