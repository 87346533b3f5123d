#include "wine/wine_session.h"

#include "support/process.h"
#include "support/temp_machine.h"

#include <cstdlib>
#include <filesystem>
#include <regex>

namespace winetest {

namespace fs = std::filesystem;

namespace {

constexpr char kTimePrefixPattern[] = R"(^\d{4}-\d{2}-\d{2}___\d{2}:\d{2}:\d{2} \| )";
constexpr std::size_t kTimePrefixLength = 24;

testsupport::ProcessOptions WineOptions(const std::string& workingFolder) {
    testsupport::ProcessOptions options;
    options.workingFolder = workingFolder;
    // No debug channels on stderr, and no offer to download the browser and .NET engines when
    // the prefix is created: the tests need neither.
    options.environment = {{"WINEPREFIX", WINE_PREFIX},
                           {"WINEDEBUG", "-all"},
                           {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
    return options;
}

}  // namespace

bool EnsurePrefix() {
    if (fs::exists(fs::path(WINE_PREFIX) / "system.reg")) {
        return true;
    }
    fs::create_directories(fs::path(WINE_PREFIX).parent_path());
    const std::string output = std::string(WINE_PREFIX) + ".create.txt";
    if (testsupport::RunProcess(WINE_PROGRAM, {"wineboot", "--init"}, WineOptions(""), output) !=
        0) {
        return false;
    }
    // The registry reaches its files only when the server ends; wait for that, so that a
    // prefix is never seen as ready while it is half-written.
    testsupport::RunProcess(WINESERVER_PROGRAM, {"--wait"}, WineOptions(""), output + ".server");
    return fs::exists(fs::path(WINE_PREFIX) / "system.reg");
}

std::string DriveC() {
    return std::string(WINE_PREFIX) + "/drive_c";
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
                 const std::string* logFolder) {
    testsupport::ProcessOptions options = WineOptions(workingFolder);
    if (logFolder != nullptr) {
        options.environment["AutInstLog"] = *logFolder;
    } else {
        options.unsetEnvironment.push_back("AutInstLog");
    }
    std::vector<std::string> words = {DRIVERINSTALLER_WINDOWS_EXE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    // Wine's own messages, if any, go beside the working folder rather than into the test's output.
    const fs::path output = fs::path(workingFolder).parent_path() / "wine-output.txt";
    return testsupport::RunProcess(WINE_PROGRAM, words, options, output.string());
}

LogFile ReadLog(const std::string& path) {
    LogFile log;
    if (!fs::exists(path)) {
        return log;
    }
    log.exists = true;
    const std::string text = testsupport::ReadFile(path);
    const std::regex timePrefix(kTimePrefixPattern);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        const std::size_t lineEnd = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(start, lineEnd - start);
        start = end == std::string::npos ? text.size() : end + 2;
        // A bare LF or CR inside a line means it did not end in CR LF.
        if (end == std::string::npos || line.find_first_of("\r\n") != std::string::npos ||
            !std::regex_search(line, timePrefix)) {
            log.malformedLines.push_back(line);
            continue;
        }
        log.messages.push_back(line.substr(kTimePrefixLength));
    }
    return log;
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

}  // namespace winetest
