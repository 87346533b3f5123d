// driverinstaller-selftest.exe run under Wine. Against our network configuration engine every
// assumption agrees, and the install cycle ends where it began; against Wine's own network
// configuration object, which answers E_NOTIMPL where Windows answers, the assumptions that rest
// on those answers are listed as differing, with exit code 1; input the self-test cannot work
// with is refused in one line with exit code 2, and nothing is changed.
#include "support/case_name.h"
#include "support/inf_files.h"
#include "support/text_file.h"
#include "wine/engine_prefix.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace winetest;

enum class Where {
    Engine,              // the engine prefix, with Wine's elevated token
    EngineLimitedToken,  // the engine prefix, through the limited token linked to it
    WinesOwn,            // the plain prefix: Wine's own network configuration object
};

struct SelfTestCase {
    const char* name;
    Where where;
    // In the arguments and the last line: {setup} the folder with DriverInstaller.exe and both
    // INF files, {no-inf} one with DriverInstaller.exe alone, {missing} a folder that does not
    // exist, {report} the report folder (made by the self-test), each in Windows' form.
    std::vector<std::string> arguments;
    int exitCode;
    std::string lastLine;  // of the output: the verdict, or the one line of a refusal
    // The assumptions report.txt shows as differing, in its order, as "what" texts.
    std::vector<std::string> differing;
    int runLogs;           // the install cycle's runs whose logs the report holds
    const char* npfAfter;  // the npf service after the case, in the engine prefix
    std::vector<std::string> faultRule = {};  // the engine's, added before the self-test runs
    bool lockHeld = false;  // another client holds the write lock while the self-test runs
};

class SelfTestUnderWineTest : public testsupport::CaseTest<SelfTestCase, EnginePrefixTest> {
protected:
    // A case in Wine's own prefix leaves the engine prefix alone, so that it needs that prefix's
    // lock only.
    void SetUp() override {
        reportFolder_ = folder_.path() + "/report";
        words_ = {
            {"{missing}", WindowsPath(folder_.path() + "/missing")},
            {"{report}", WindowsPath(reportFolder_)},
        };
        if (GetParam().where == Where::WinesOwn) {
            ASSERT_TRUE(EnsurePrefix()) << "Wine could not create its prefix";
            ASSERT_FALSE(folder_.path().empty());
            return;
        }
        EnginePrefixTest::SetUp();
        fs::copy_file(DRIVERINSTALLER_WINDOWS_EXE, fs::path(setupFolder_) / "DriverInstaller.exe");
        noInfFolder_ = folder_.Make("no-inf");
        fs::copy_file(DRIVERINSTALLER_WINDOWS_EXE, fs::path(noInfFolder_) / "DriverInstaller.exe");
        words_["{setup}"] = WindowsPath(setupFolder_);
        words_["{no-inf}"] = WindowsPath(noInfFolder_);
    }

    void TearDown() override {
        if (GetParam().where != Where::WinesOwn) {
            EnginePrefixTest::TearDown();
        }
    }

    std::string Substituted(std::string text) const {
        for (const auto& [word, value] : words_) {
            for (std::size_t at = text.find(word); at != std::string::npos;
                 at = text.find(word, at + value.size())) {
                text.replace(at, word.size(), value);
            }
        }
        return text;
    }

    int RunSelfTest(const SelfTestCase& c) const {
        std::vector<std::string> words;
        if (c.where == Where::EngineLimitedToken) {
            words.push_back(LIMITED_LAUNCHER_WINDOWS_EXE);
        }
        // The release's signing check runs these tests on a signed copy of the executable.
        const char* otherExecutable = std::getenv("WINE_TEST_SELFTEST_EXE");
        words.push_back(otherExecutable != nullptr && *otherExecutable != '\0'
                            ? otherExecutable
                            : SELFTEST_WINDOWS_EXE);
        for (const std::string& argument : c.arguments) {
            words.push_back(Substituted(argument));
        }
        const WinePrefix& prefix = c.where == Where::WinesOwn ? PlainPrefix() : EnginePrefix();
        return prefix.Run(words, folder_.path(), {}, {"AutInstLog"}, OutputPath());
    }

    // The last line of the output, without its line end.
    std::string LastLine() const {
        std::istringstream lines(Output());
        std::string line;
        std::string last;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (!line.empty()) {
                last = line;
            }
        }
        return last;
    }

    // The "what" of each assumption line of report.txt that ends in "; differs".
    std::vector<std::string> Differing() const {
        std::istringstream lines(testsupport::ReadFile(reportFolder_ + "/report.txt"));
        std::vector<std::string> differing;
        std::string line;
        const std::string verdict = "; differs\r";
        while (std::getline(lines, line)) {
            if (line.size() > verdict.size() &&
                line.compare(line.size() - verdict.size(), verdict.size(), verdict) == 0) {
                differing.push_back(line.substr(2, line.find(": engine ") - 2));
            }
        }
        return differing;
    }

    std::string noInfFolder_;
    std::string reportFolder_;
    std::map<std::string, std::string> words_;
};

TEST_P(SelfTestUnderWineTest, ReportsEveryAssumptionAndChangesOnlyWhatItMayChange) {
    const SelfTestCase& c = GetParam();
    if (!c.faultRule.empty()) {
        std::vector<std::string> words = {"fault", "add"};
        words.insert(words.end(), c.faultRule.begin(), c.faultRule.end());
        ASSERT_EQ(NetCfgSim(words), 0) << Output();
    }
    if (c.lockHeld) {
        ASSERT_GT(HoldLock(), 0);
    }

    EXPECT_EQ(RunSelfTest(c), c.exitCode) << Output();

    EXPECT_EQ(LastLine(), Substituted(c.lastLine)) << Output();
    if (c.exitCode == 2) {
        // A refusal makes no report folder, neither the one named nor one in the working folder.
        EXPECT_FALSE(fs::exists(reportFolder_));
        for (const auto& entry : fs::directory_iterator(folder_.path())) {
            EXPECT_NE(entry.path().filename().string().rfind("driverinstaller-selftest-", 0), 0u)
                << entry.path();
        }
    } else {
        for (const char* file : {"report.txt", "report.json", "version.txt"}) {
            EXPECT_TRUE(fs::exists(fs::path(reportFolder_) / file)) << file;
        }
        EXPECT_EQ(Differing(), c.differing);
        // IsWriteLocked answers S_OK for another client's lock, with its description.
        const std::string holder = "IsWriteLocked: 0x00000000 (S_OK), held by 'Other Setup Wizard'";
        EXPECT_EQ(
            testsupport::ReadFile(reportFolder_ + "/report.txt").find(holder) != std::string::npos,
            c.lockHeld);
        // report.json counts as report.txt does: "N of M assumptions hold ..." is held N of M.
        const std::string json = testsupport::ReadFile(reportFolder_ + "/report.json");
        const std::string verdict = Substituted(c.lastLine);
        const std::string held = verdict.substr(0, verdict.find(' '));
        const std::string total =
            verdict.substr(held.size() + 4, verdict.find(" assumptions") - held.size() - 4);
        EXPECT_NE(json.find("\"held\":" + held + ",\"total\":" + total + "}"), std::string::npos)
            << json;
        std::size_t notHolding = 0;
        for (std::size_t at = json.find("\"holds\":false"); at != std::string::npos;
             at = json.find("\"holds\":false", at + 1)) {
            ++notHolding;
        }
        EXPECT_EQ(notHolding, c.differing.size()) << json;
    }
    const char* commands[] = {"Install",   "Install", "Uninstall",
                              "Uninstall", "Install", "Uninstall"};
    for (int run = 0; run < c.runLogs; ++run) {
        const fs::path logs =
            fs::path(reportFolder_) / "logs" / (std::to_string(run + 1) + "-" + commands[run]);
        EXPECT_TRUE(fs::exists(logs / testsupport::kLogFileName)) << logs;
        EXPECT_TRUE(fs::exists(logs / "log-summary.txt")) << logs;
        EXPECT_TRUE(fs::exists(logs / "left-installed.txt")) << logs;
    }
    if (c.where != Where::WinesOwn) {
        // Back at the baseline: an install cycle's runs leave npf started.
        EXPECT_EQ(ShowOnceItShows({c.npfAfter}),
                  Show(kBaselineComponents, kBaselineBindings, c.npfAfter,
                       c.lockHeld ? kLockHeld : kLockFree));
    }
}

const char kRefusalTail[] = "; nothing was changed";

INSTANTIATE_TEST_SUITE_P(
    SelfTest, SelfTestUnderWineTest,
    ::testing::Values(
        SelfTestCase{"ReadOnlyOnTheEngine",
                     Where::Engine,
                     {"--report", "{report}"},
                     0,
                     "10 of 10 assumptions hold on this Windows",
                     {},
                     0,
                     kNpfStopped},
        SelfTestCase{"ReadOnlyWhileAnotherClientHoldsTheLock",
                     Where::Engine,
                     {"--report", "{report}"},
                     0,
                     "10 of 10 assumptions hold on this Windows",
                     {},
                     0,
                     kNpfStopped,
                     {},
                     true},
        SelfTestCase{"InstallCycleOnTheEngine",
                     Where::Engine,
                     {"--install-cycle", "{setup}", "--report", "{report}"},
                     0,
                     "19 of 19 assumptions hold on this Windows",
                     {},
                     6,
                     kNpfRunning},
        // Each cycle's second Apply asks for a reboot, which the program counts as a failure:
        // the exit codes, the results in the logs and the reboot differ; the log reader calls the
        // adapter whose removal waits for the reboot possibly installed, where the engine has
        // removed it; and no switch was installed to bind.
        SelfTestCase{
            "InstallCycleOnAnEngineWhoseApplyAsksForAReboot",
            Where::Engine,
            {"--install-cycle", "{setup}", "--report", "{report}"},
            1,
            "14 of 19 assumptions hold on this Windows",
            {"The exit codes of Install, Install, Uninstall, Uninstall, Install, Uninstall",
             "The results the six logs show", "Apply and DeInstall commit without a reboot",
             "The log reader's verdict of what each run left installed",
             "The bindings after Install"},
            6,
            kNpfStopped,
            {"INetCfg::Apply", "NETCFG_S_REBOOT", "nth", "2"}},
        // Wine's object answers E_NOTIMPL to IsWriteLocked, FindComponent, class queries and
        // enumeration.
        SelfTestCase{"ReadOnlyOnWinesOwn",
                     Where::WinesOwn,
                     {"--report", "{report}"},
                     1,
                     "6 of 10 assumptions hold on this Windows",
                     {"IsWriteLocked names the client that holds the lock",
                      "FindComponent of an id that is not installed",
                      "The letter case GetId returns", "The binding paths below ms_tcpip6"},
                     0,
                     kNpfStopped},
        SelfTestCase{"InstallCycleWithoutItsFolder",
                     Where::Engine,
                     {"--install-cycle"},
                     2,
                     "usage: driverinstaller-selftest [--install-cycle FOLDER] [--report FOLDER] | "
                     "--version",
                     {},
                     0,
                     kNpfStopped},
        SelfTestCase{"InstallCycleFromAMissingFolder",
                     Where::Engine,
                     {"--install-cycle", "{missing}", "--report", "{report}"},
                     2,
                     std::string("driverinstaller-selftest: no folder '{missing}': "
                                 "--install-cycle needs the folder that holds "
                                 "DriverInstaller.exe and the two INF files") +
                         kRefusalTail,
                     {},
                     0,
                     kNpfStopped},
        SelfTestCase{"InstallCycleFromAFolderWithoutInfFiles",
                     Where::Engine,
                     {"--install-cycle", "{no-inf}", "--report", "{report}"},
                     2,
                     std::string("driverinstaller-selftest: '{no-inf}' holds no "
                                 "quorixvmini60.inf") +
                         kRefusalTail,
                     {},
                     0,
                     kNpfStopped},
        // The limited token reads TokenElevation 0, as the program's own check reads it.
        SelfTestCase{"InstallCycleWithoutElevation",
                     Where::EngineLimitedToken,
                     {"--install-cycle", "{setup}", "--report", "{report}"},
                     2,
                     std::string("driverinstaller-selftest: the process is not elevated: "
                                 "--install-cycle installs drivers; run it from an elevated "
                                 "prompt") +
                         kRefusalTail,
                     {},
                     0,
                     kNpfStopped}),
    testsupport::CaseName());

}  // namespace
