// A sample of whole runs under valgrind: every outcome the program has, from success to each
// refusal and a failed cycle, ends with its own exit code and with no memory error or leak that
// valgrind can see (it would end the run with status 1, which is no exit code of ours).
#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/machine_checks.h"
#include "support/process.h"
#include "support/setup_machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#define RELIABILITY_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RELIABILITY_SANITIZED 1
#endif
#endif

namespace {

namespace fs = std::filesystem;
using testsupport::CaseName;
using namespace testsupport::exit_status;

struct SampleRun {
    std::string name;
    std::vector<std::string> arguments;
    std::string faults;  // the machine's fault rules for the run
    bool installedFirst;
    bool withInfFiles;
    int exitStatus;
};

const SampleRun kSamples[] = {
    {"InstallSucceeds", {"Install"}, "", false, true, kExitOk},
    {"UninstallSucceeds", {"Uninstall"}, "", true, true, kExitOk},
    {"UninstallOfNothing", {"Uninstall"}, "", false, true, kExitAdapterRemovalFailed},
    {"NoCommand", {}, "", false, true, kExitNoArgument},
    {"UnknownCommand", {"Reinstall"}, "", false, true, kExitRefused},
    {"InfFilesMissing", {"Install"}, "", false, false, kExitInfMissing},
    {"AdapterCycleFails",
     {"Install"},
     "INetCfg::Apply E_FAIL nth 1\n",
     false,
     true,
     kExitAdapterInstallFailed},
    {"LockRefusedWithHolder",
     {"Uninstall"},
     "INetCfgLock::AcquireWriteLock S_FALSE always text Other Setup\n",
     true,
     true,
     kExitAdapterRemovalFailed},
    {"BindingsFail",
     {"Install"},
     "INetCfgBindingPath::Enable E_FAIL always\n",
     false,
     true,
     kExitOk},
};

class UnderValgrind : public testsupport::CaseTest<SampleRun> {};

TEST_P(UnderValgrind, RunEndsWithItsCodeAndNoMemoryError) {
#ifdef RELIABILITY_SANITIZED
    GTEST_SKIP() << "valgrind cannot run a program built with AddressSanitizer";
#else
    ASSERT_TRUE(fs::exists(VALGRIND_EXE)) << "valgrind is not installed";
    const SampleRun& sample = GetParam();
    const testsupport::SetupMachine machine(sample.withInfFiles
                                                ? testsupport::SetupMachine::InfFiles::kCopied
                                                : testsupport::SetupMachine::InfFiles::kMissing);
    testsupport::ProcessOptions options = machine.RunOptions();
    testsupport::WriteFile(machine.root() + "/faults", "Sleep 0 always\n");
    if (sample.installedFirst) {
        ASSERT_EQ(testsupport::RunProcess(DRIVERINSTALLER_EXE, {"Install"}, options), 0);
    }
    testsupport::WriteFile(machine.root() + "/faults", "Sleep 0 always\n" + sample.faults);
    options.prefix = {VALGRIND_EXE,
                      "--quiet",
                      "--error-exitcode=1",
                      "--leak-check=full",
                      "--errors-for-leak-kinds=definite,indirect",
                      "--"};

    const std::string output = machine.logFolder() + "/valgrind.out";
    EXPECT_EQ(testsupport::RunProcess(DRIVERINSTALLER_EXE, sample.arguments, options, output),
              sample.exitStatus)
        << testsupport::ReadFile(output);
    EXPECT_EQ(reliability::StoreProblem(machine.root()), "");
    EXPECT_FALSE(reliability::WriteLockHeld(machine.root()));
#endif
}

INSTANTIATE_TEST_SUITE_P(Sample, UnderValgrind, testsupport::CasesIn(kSamples), CaseName{});

}  // namespace
