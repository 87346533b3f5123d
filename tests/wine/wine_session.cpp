#include "wine/wine_session.h"

#include "support/process.h"
#include "support/temp_machine.h"

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <regex>

#include <gtest/gtest.h>

namespace winetest {

namespace fs = std::filesystem;

std::map<std::string, std::string> WinePrefix::BaseEnvironment() const {
    return {{"WINEPREFIX", path_}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
}

bool WinePrefix::Ensure() const {
    if (fs::exists(fs::path(path_) / "system.reg")) {
        return true;
    }
    fs::create_directories(fs::path(path_).parent_path());
    const std::string output = path_ + ".create.txt";
    if (Run({"wineboot", "--init"}, "", {}, {}, output) != 0) {
        return false;
    }
    // The registry reaches its files only when the server ends; wait for that, so that a
    // prefix is never seen as ready while it is half-written.
    Server({"--wait"});
    return fs::exists(fs::path(path_) / "system.reg");
}

int WinePrefix::Run(const std::vector<std::string>& words, const std::string& workingFolder,
                    const std::map<std::string, std::string>& environment,
                    const std::vector<std::string>& unset, const std::string& outputPath) const {
    return testsupport::RunProcess(WINE_PROGRAM, words, Options(workingFolder, environment, unset),
                                   outputPath.empty() ? path_ + ".output.txt" : outputPath);
}

testsupport::ProcessOptions WinePrefix::Options(
    const std::string& workingFolder, const std::map<std::string, std::string>& environment,
    const std::vector<std::string>& unset) const {
    testsupport::ProcessOptions options;
    options.workingFolder = workingFolder;
    options.environment = BaseEnvironment();
    for (const auto& [name, value] : environment) {
        options.environment[name] = value;
    }
    // A Linux machine's folder means nothing to the Windows programs; a Windows machine's folder
    // is set in environment, after the names are removed.
    options.unsetEnvironment = unset;
    options.unsetEnvironment.push_back("SIMWIN_ROOT");
    return options;
}

int WinePrefix::Server(const std::vector<std::string>& arguments) const {
    testsupport::ProcessOptions options;
    options.environment = BaseEnvironment();
    return testsupport::RunProcess(WINESERVER_PROGRAM, arguments, options, path_ + ".server.txt");
}

void WinePrefix::StopServer() const {
    Server({"-k"});
    Server({"--wait"});
}

int WinePrefix::FreshServer() const {
    StopServer();
    return Server({"-p"});
}

const WinePrefix& PlainPrefix() {
    static const WinePrefix prefix(WINE_PREFIX);
    return prefix;
}

const WinePrefix& EnginePrefix() {
    static const WinePrefix prefix(ENGINE_WINE_PREFIX);
    return prefix;
}

bool EnsurePrefix() {
    return PlainPrefix().Ensure();
}

std::string DriveC() {
    return PlainPrefix().DriveC();
}

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& ch : path) {
        if (ch == '/') {
            ch = '\\';
        }
    }
    return path;
}

int RunInstaller(const std::vector<std::string>& arguments, const std::string& workingFolder,
                 const std::string* logFolder, const WinePrefix& prefix) {
    std::map<std::string, std::string> environment;
    std::vector<std::string> unset;
    if (logFolder != nullptr) {
        environment["AutInstLog"] = *logFolder;
    } else {
        unset.push_back("AutInstLog");
    }
    // The release's signing check runs these tests on a signed copy of the executable.
    const char* otherExecutable = std::getenv("WINE_TEST_INSTALLER_EXE");
    std::vector<std::string> words = {otherExecutable != nullptr && *otherExecutable != '\0'
                                          ? otherExecutable
                                          : DRIVERINSTALLER_WINDOWS_EXE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    // Wine's own messages, if any, go beside the working folder rather than into the test's output.
    const fs::path output = fs::path(workingFolder).parent_path() / "wine-output.txt";
    return prefix.Run(words, workingFolder, environment, unset, output.string());
}

void ExpectLog(const LogFile& log, const expected_runs::Lines& expected) {
    const bool matched = log.exists && log.malformedLines.empty() && log.messages == expected;
    std::cout << "Wine run of DriverInstaller.exe: " << (matched ? "log matched" : "log differed")
              << std::endl;
    ASSERT_TRUE(log.exists);
    EXPECT_TRUE(log.malformedLines.empty())
        << "first line without a time prefix or CR LF: '" << log.malformedLines.front() << "'";
    std::string whole;
    for (const std::string& message : log.messages) {
        whole += message + "\n";
    }
    ASSERT_EQ(log.messages.size(), expected.size()) << "whole log differs in length:\n" << whole;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(log.messages[i], expected[i]) << "line " << i + 1;
    }
}

CaseFolder::CaseFolder() {
    std::string pattern = (fs::temp_directory_path() / "driverinstaller-wine-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

CaseFolder::~CaseFolder() {
    std::error_code ignored;
    if (!path_.empty()) {
        fs::remove_all(path_, ignored);
    }
}

std::string CaseFolder::Make(const std::string& name) const {
    const std::string folder = path_ + "/" + name;
    fs::create_directories(folder);
    return folder;
}

void PlainPrefixTest::SetUp() {
    ASSERT_TRUE(EnsurePrefix()) << "Wine could not create its prefix";
    ASSERT_FALSE(folder_.path().empty());
    setupFolder_ = folder_.Make("setup");
    logFolder_ = folder_.Make("logs");
}

}  // namespace winetest
