#include "support/program_fixture.h"

#include "main/command_dispatch.h"

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

namespace installer_test {

namespace fs = std::filesystem;

namespace {

std::string ReadBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

}  // namespace

std::vector<std::string> ReadLogLines(const std::string& logFile) {
    static const std::regex prefix(R"(^\d{4}-\d{2}-\d{2}___\d{2}:\d{2}:\d{2} \| )");
    const std::string text = ReadBytes(logFile);
    const std::string lineEnd = kLogLineEnd;
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t newline = text.find('\n', start);
        if (newline == std::string::npos) {
            ADD_FAILURE() << "last line without its line end: " << text.substr(start);
            break;
        }
        const std::size_t end = newline + 1;
        std::string line = text.substr(start, end - start);
        start = end;
        // The platform's line end, and no CR anywhere else in the line.
        const bool endsWell =
            line.size() >= lineEnd.size() &&
            line.compare(line.size() - lineEnd.size(), lineEnd.size(), lineEnd) == 0 &&
            line.find('\r') >= line.size() - lineEnd.size();
        if (!endsWell) {
            ADD_FAILURE() << "line without the platform's line end: " << line;
        }
        line.erase(std::min(line.find('\r'), line.size() - 1));
        std::smatch match;
        if (!std::regex_search(line, match, prefix)) {
            ADD_FAILURE() << "line without the time prefix: " << line;
            lines.push_back(line);
            continue;
        }
        lines.push_back(match.suffix());
    }
    return lines;
}

void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
    const std::size_t common = std::min(actual.size(), expected.size());
    for (std::size_t i = 0; i < common; ++i) {
        if (actual[i] != expected[i]) {
            ADD_FAILURE() << "line " << i << " differs\n  actual:   " << actual[i]
                          << "\n  expected: " << expected[i];
            return;
        }
    }
    if (actual.size() != expected.size()) {
        ADD_FAILURE() << actual.size() << " lines instead of " << expected.size()
                      << "; next: " << (actual.size() > common ? actual[common] : expected[common]);
    }
}

const std::vector<std::string> kBanner = {
    "", "", "", std::string(68, '='), "< START >", std::string(68, '=')};

int RunWith(std::vector<std::wstring> arguments) {
    arguments.insert(arguments.begin(), L"DriverInstaller.exe");
    std::vector<wchar_t*> argv;
    for (std::wstring& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return RunDriverInstaller(static_cast<int>(arguments.size()), argv.data());
}

std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> pieces) {
    std::vector<std::string> joined;
    for (const auto& piece : pieces) {
        joined.insert(joined.end(), piece.begin(), piece.end());
    }
    return joined;
}

ScopedVariable::ScopedVariable(std::string name)
    : name_(std::move(name)), saved_(GetVariable(name_)) {}

ScopedVariable::~ScopedVariable() {
    SetVariable(name_, saved_);
}

void ScopedVariable::Set(const std::optional<std::string>& value) const {
    SetVariable(name_, value);
}

ProgramTest::ProgramTest() {
    logFolder_ = MakeFolder("log");
    logFile_ = (fs::path(logFolder_) / kLogFileName).string();
    autInstLog_.Set(logFolder_);
    previousDirectory_ = fs::current_path();
    logger_ = std::make_unique<Logger>();
    manager_ = std::make_unique<DeviceManager>(logger_.get());
}

ProgramTest::~ProgramTest() {
    manager_.reset();
    logger_.reset();
    fs::current_path(previousDirectory_);
}

void ProgramTest::EnterFolder(const std::string& folder) const {
    fs::current_path(folder);
}

void ProgramTest::ClearLog() const {
    fs::remove(logFile_);
}

}  // namespace installer_test
