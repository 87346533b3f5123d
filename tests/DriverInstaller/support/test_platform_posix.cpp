// The program's tests on the simulated platform.
#include "support/test_platform.h"

#include <simwin/testing.h>

#include <gtest/gtest.h>

#include <cstdlib>

namespace installer_test {

const char kLogLineEnd[] = "\n";
const char kTemporaryFolderVariable[] = "TMPDIR";

unsigned AnsiCodePage() {
    // The simulated platform's ANSI code pages are UTF-8.
    return CP_UTF8;
}

std::optional<std::string> GetVariable(const std::string& name) {
    const char* value = std::getenv(name.c_str());
    return value == nullptr ? std::nullopt : std::optional<std::string>(value);
}

void SetVariable(const std::string& name, const std::optional<std::string>& value) {
    if (value) {
        ::setenv(name.c_str(), value->c_str(), 1);
    } else {
        ::unsetenv(name.c_str());
    }
}

TestPlatform::TestPlatform() = default;

TestPlatform::~TestPlatform() {
    // Every reference, string, COM level and lock the test's operations took is given back.
    const simwin::Ledger ledger = simwin::CurrentLedger();
    EXPECT_TRUE(ledger.Clean()) << simwin::Describe(ledger);
}

std::string TestPlatform::MakeFolder(const std::string& name) const {
    return machine_.MakeFolder(name);
}

}  // namespace installer_test
