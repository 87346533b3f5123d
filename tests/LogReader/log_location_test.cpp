// The file DriverInstaller writes to, as the reader finds it from the environment.
#include "log_location.h"

#include "support/case_name.h"
#include "support/log_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using testsupport::kLogFileName;
const std::vector<std::string> kVariables = {"AutInstLog", "tmp", "TMP", "Tmp", "TMPDIR"};

// Sets the variables a case names, unsets the other ones, and puts everything back afterwards.
class Environment {
public:
    explicit Environment(const std::map<std::string, std::string>& values) {
        for (const std::string& name : kVariables) {
            if (const char* value = std::getenv(name.c_str())) {
                saved_[name] = value;
            }
            ::unsetenv(name.c_str());
        }
        for (const auto& [name, value] : values) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }
    ~Environment() {
        for (const std::string& name : kVariables) {
            ::unsetenv(name.c_str());
        }
        for (const auto& [name, value] : saved_) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
    }

private:
    std::map<std::string, std::string> saved_;
};

struct LocationCase {
    const char* name;
    std::map<std::string, std::string> environment;
    std::string folder;  // empty: no path
};

class LogLocationTest : public testsupport::CaseTest<LocationCase> {};

TEST_P(LogLocationTest, FindsTheFolderTheInstallerUses) {
    const LocationCase& c = GetParam();
    const Environment environment(c.environment);
    const logreader::LogLocation location = logreader::FindDefaultLogFile();
    EXPECT_EQ(location.found, !c.folder.empty());
    if (c.folder.empty()) {
        EXPECT_EQ(location.reason, "no log: the log folder and file name exceed 259 characters");
        return;
    }
    EXPECT_EQ(location.path.string(), c.folder + "/" + kLogFileName);
}

const std::string kLongFolder = "/" + std::string(258 - sizeof kLogFileName, 'f');

INSTANTIATE_TEST_SUITE_P(
    Environments, LogLocationTest,
    ::testing::Values(
        LocationCase{
            "AutInstLogFirst", {{"AutInstLog", "/logs"}, {"tmp", "/t"}, {"TMPDIR", "/d"}}, "/logs"},
        LocationCase{"EmptyAutInstLogIsNotSet", {{"AutInstLog", ""}, {"tmp", "/t"}}, "/t"},
        LocationCase{"TmpInAnyCase", {{"Tmp", "/t"}, {"TMPDIR", "/d"}}, "/t"},
        // Linux can hold tmp and TMP side by side; the exact name wins.
        LocationCase{"ExactTmpWins", {{"TMP", "/upper"}, {"tmp", "/lower"}}, "/lower"},
        LocationCase{"TemporaryFolder", {{"TMPDIR", "/d"}}, "/d"},
        LocationCase{"SlashTmpLast", {}, "/tmp"},
        // Separators at the folder's end are folded into the one that joins the name.
        LocationCase{"TrailingSeparators", {{"AutInstLog", "/logs//"}}, "/logs"},
        // The joined path fills MAX_PATH with its terminator: 259 characters fit ...
        LocationCase{"LongestPath", {{"AutInstLog", kLongFolder}}, kLongFolder},
        // ... 260 do not, and DriverInstaller logs nothing.
        LocationCase{"TooLong", {{"AutInstLog", kLongFolder + "x"}}, ""},
        // DriverInstaller reads the variable into MAX_PATH characters: a value of 260 is no
        // folder, however short its separators at the end leave the path.
        LocationCase{"ValueOfMaxPath", {{"AutInstLog", "/logs" + std::string(255, '/')}}, ""}),
    testsupport::CaseName{});

}  // namespace
