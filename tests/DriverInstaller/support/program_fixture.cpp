#include "support/program_fixture.h"

#include "main/command_dispatch.h"

#include <algorithm>

namespace installer_test {

namespace fs = std::filesystem;

std::vector<std::string> ReadLogLines(const std::string& logFile) {
    const testsupport::LogFile log = testsupport::ReadLog(logFile, kLogLineEnd);
    for (const std::string& line : log.malformedLines) {
        ADD_FAILURE() << "line without the time prefix or the platform's line end: " << line;
    }
    return log.messages;
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

int RunWith(std::vector<std::wstring> arguments) {
    arguments.insert(arguments.begin(), L"DriverInstaller.exe");
    std::vector<wchar_t*> argv;
    for (std::wstring& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    return RunDriverInstaller(static_cast<int>(arguments.size()), argv.data());
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
