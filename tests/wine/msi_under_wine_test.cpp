// The example MSI package (examples/msi/drivers.wxs, built by the windows preset) installed and
// removed by Wine's msiexec, silently, against our network configuration engine: its deferred
// custom action runs DriverInstaller.exe Install in the drivers folder, its rollback action runs
// Uninstall from the Binary table, its removal runs Uninstall, and a newer version removes the
// older one first. Each case compares msiexec's exit code, the machine, the files left in the
// install folder, the products registered and DriverInstaller's whole log.
#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/process.h"
#include "support/text_file.h"
#include "wine/engine_prefix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace winetest;
using expected_runs::Join;
using expected_runs::Lines;

const char kProductName[] = "Quorix network drivers";
// Where Windows Installer records which products use the package's one component (DriverFiles,
// {3E9A4C1D-7B52-4F08-A6E3-1D2C5B7F9A40}), under the GUID's packed form: the first three groups
// reversed, then each byte's two hexadecimal digits swapped.
const char kComponentKey[] =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-"
    "18\\Components\\"
    "D1C4A9E325B780F46A3ED1C2B5F7A904";
const char kFail[] = "hr='-2147467259' / hr='0x80004005'";
// The drivers folder as DriverInstaller.exe sees it: its working folder, which the custom action
// sets to the package's DriversFolder.
const std::string kDrivers = "C:\\Program Files\\Tandrel\\Quorix\\drivers";

// msiexec's exit codes. When a custom action fails, Windows answers ERROR_INSTALL_FAILURE (1603);
// Wine answers ERROR_FUNCTION_FAILED (1627). Neither carries DriverInstaller's own code.
constexpr int kMsiSuccess = 0;
constexpr int kMsiFailedUnderWine = 1627;

// What the machine is made to do, or what has happened to it, before msiexec runs.
enum class Before {
    Nothing,
    LockHeld,               // another client holds the write lock
    SwitchInstallFails,     // the class installer refuses the second component it is given
    Installed,              // version 1.0.0 is installed
    SwitchShared,           // 1.0.0 is installed, and another product installed the switch as well
    UninstallFailedPartly,  // 1.0.0 is installed, and its removal failed at the adapter (903)
};

enum class Command {
    Install,    // msiexec /i of version 1.0.0
    Upgrade,    // msiexec /i of version 1.0.1
    Uninstall,  // msiexec /x of version 1.0.0
};

// What msiexec's run leaves behind.
struct MsiLeaves {
    std::string machine;                  // what netcfg-sim.exe show prints, from its components on
    std::vector<std::string> left;        // the install folder's files and folders, sorted
    std::vector<std::string> registered;  // the versions of the product that Windows lists
    bool componentRegistered;             // whether a product still uses the drivers' component
};

struct MsiCase {
    const char* name;
    Before before;
    Command command;
    int exitCode;  // msiexec's, as Wine answers it
    MsiLeaves leaves;
    Lines log;  // DriverInstaller's log of msiexec's run
};

const std::vector<std::string> kInstalledFiles = {
    "drivers", "drivers/DriverInstaller.exe", "drivers/driverinstaller-log.exe",
    "drivers/quorixlwf.inf", "drivers/quorixvmini60.inf"};

// Both drivers installed by version, the one version listed.
MsiLeaves Installed(const char* version) {
    return {Show(kInstalledComponents, kInstalledBindings, kNpfRunning, kLockFree),
            kInstalledFiles,
            {version},
            true};
}

// Nothing of the product: the baseline machine, with npf and the lock as given.
MsiLeaves NothingLeft(const char* npf, const char* lock) {
    return {Show(kBaselineComponents, kBaselineBindings, npf, lock), {}, {}, false};
}

// The adapter removed and the switch kept for another product, with the files; no version listed,
// since Wine unregisters the product, but the product still the component's user.
MsiLeaves SwitchKept() {
    return {Show(kSwitchKeptComponents, kSwitchKeptBindings, kNpfRunning, kLockFree),
            kInstalledFiles,
            {},
            true};
}

std::string Package(const char* version) {
    return std::string(DRIVERINSTALLER_EXAMPLE_MSI_DIR) + "/driverinstaller-example-drivers-" +
           version + ".msi";
}

// A product that Windows lists under the Uninstall key: its product code and version.
struct Product {
    std::string code;
    std::string version;
};

class MsiUnderWineTest : public testsupport::CaseTest<MsiCase, EnginePrefixTest> {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::exists(Package("1.0.0")) && fs::exists(Package("1.0.1")))
            << "the windows preset builds the MSI packages when msitools and wixl are installed";
        EnginePrefixTest::SetUp();
        installFolder_ = EnginePrefix().DriveC() + "/Program Files/Tandrel/Quorix";
        RemoveLeftovers();
    }

    // Runs msiexec silently with the logs going to the log folder, after removing DriverInstaller's
    // log; its exit status as a Linux parent sees it. msiexec's own log goes to the case folder.
    int RunMsiexec(const std::vector<std::string>& arguments) const {
        fs::remove(fs::path(logFolder_) / testsupport::kLogFileName);
        std::vector<std::string> words = {"msiexec"};
        words.insert(words.end(), arguments.begin(), arguments.end());
        words.insert(words.end(), {"/qn", "/l*v", WindowsPath(folder_.path() + "/msiexec.log")});
        return EnginePrefix().Run(words, folder_.path(), {{"AutInstLog", WindowsPath(logFolder_)}},
                                  {}, OutputPath());
    }

    int Run(Command command) const {
        switch (command) {
            case Command::Install:
                return RunMsiexec({"/i", WindowsPath(Package("1.0.0"))});
            case Command::Upgrade:
                return RunMsiexec({"/i", WindowsPath(Package("1.0.1"))});
            case Command::Uninstall:
                return RunMsiexec({"/x", WindowsPath(Package("1.0.0"))});
        }
        return -1;
    }

    // The products named kProductName that the Uninstall key lists, as reg query prints them.
    std::vector<Product> Products() const {
        const int status = EnginePrefix().Run(
            {"reg", "query", "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall", "/s"},
            folder_.path(), {}, {}, OutputPath());
        std::vector<Product> products;
        if (status != 0) {
            return products;
        }
        // A key line, then its values, each "    Name    REG_SZ    Value".
        std::istringstream lines(Output());
        std::string line;
        std::string code;
        std::map<std::string, std::map<std::string, std::string>> values;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            if (line.rfind("HKEY_", 0) == 0) {
                code = line.substr(line.rfind('\\') + 1);
                continue;
            }
            std::istringstream words(line);
            std::string name;
            std::string type;
            if (!(words >> name >> type)) {
                continue;
            }
            std::string value;
            std::getline(words >> std::ws, value);
            values[code][name] = value;
        }
        for (const auto& [key, named] : values) {
            const auto displayName = named.find("DisplayName");
            if (displayName != named.end() && displayName->second == kProductName) {
                const auto version = named.find("DisplayVersion");
                products.push_back({key, version == named.end() ? "" : version->second});
            }
        }
        return products;
    }

    // Whether a product is recorded as a user of the component: a value under its key, named by
    // the product (a rolled back installation under Wine leaves the key without one).
    bool ComponentRegistered() const {
        return EnginePrefix().Run({"reg", "query", kComponentKey}, folder_.path(), {}, {},
                                  OutputPath()) == 0 &&
               Output().find("REG_SZ") != std::string::npos;
    }

    std::vector<std::string> Registered() const {
        std::vector<std::string> versions;
        for (const Product& product : Products()) {
            versions.push_back(product.version);
        }
        std::sort(versions.begin(), versions.end());
        return versions;
    }

    // The prefix outlives the case: a product that an earlier case left installed or registered
    // is removed, and so are the files that any removal left behind. Wine's failed removal
    // unregisters the product but keeps it as a user of the component, which would then count as
    // shared, so that the next product's removal kept its files: that record goes too.
    void RemoveLeftovers() const {
        for (const Product& product : Products()) {
            RunMsiexec({"/x", product.code});
        }
        EnginePrefix().Run({"reg", "delete", kComponentKey, "/f"}, folder_.path(), {}, {},
                           OutputPath());
        fs::remove_all(fs::path(installFolder_).parent_path());
        ASSERT_EQ(Registered(), std::vector<std::string>{}) << "an earlier case's product stays";
        ASSERT_FALSE(ComponentRegistered()) << "an earlier case's component record stays";
    }

    // The install folder's files and folders, relative to it and sorted; none when it is gone.
    std::vector<std::string> Left() const { return FilesUnder(installFolder_); }

    std::string installFolder_;
};

TEST_P(MsiUnderWineTest, RunsDriverInstaller) {
    const MsiCase& c = GetParam();
    switch (c.before) {
        case Before::Nothing:
            break;
        case Before::LockHeld:
            ASSERT_TRUE(HoldLockForTheTest());
            break;
        case Before::SwitchInstallFails:
            ASSERT_EQ(FailSwitchInstall(), 0) << Output();
            break;
        case Before::Installed:
        case Before::SwitchShared:
            ASSERT_EQ(Run(Command::Install), kMsiSuccess);
            break;
        case Before::UninstallFailedPartly:
            ASSERT_EQ(Run(Command::Install), kMsiSuccess);
            // The switch's DeInstall is the first, the adapter's the second.
            ASSERT_EQ(
                NetCfgSim({"fault", "add", "INetCfgClassSetup::DeInstall", "E_FAIL", "nth", "2"}),
                0)
                << Output();
            ASSERT_EQ(Run(Command::Uninstall), testsupport::SeenOnLinux(kMsiFailedUnderWine));
            ASSERT_EQ(NetCfgSim({"fault", "clear"}), 0) << Output();
            break;
    }
    if (c.before == Before::SwitchShared) {
        ASSERT_EQ(NetCfgSim({"ref", "add", "QUORIX_NdisLwf", "--software", "Corvel", "Packet Lab",
                             "Corvel Packet Lab 3"}),
                  0)
            << Output();
    }

    EXPECT_EQ(Run(c.command), testsupport::SeenOnLinux(c.exitCode));

    // npf comes up in a process of its own, after DriverInstaller.exe has asked for it.
    EXPECT_EQ(ShowOnceItShows({c.leaves.machine.c_str()}), c.leaves.machine);
    EXPECT_EQ(Left(), c.leaves.left);
    EXPECT_EQ(Registered(), c.leaves.registered);
    EXPECT_EQ(ComponentRegistered(), c.leaves.componentRegistered);
    ExpectLog(Log(), c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Msi, MsiUnderWineTest,
    ::testing::Values(
        MsiCase{"InstallsBothDrivers", Before::Nothing, Command::Install, kMsiSuccess,
                Installed("1.0.0"), expected_runs::InstallSucceeds()},
        MsiCase{"UninstallRestoresTheBaseline", Before::Installed, Command::Uninstall, kMsiSuccess,
                NothingLeft(kNpfRunning, kLockFree), expected_runs::UninstallSucceeds()},
        // 901 fails the installation; the rollback's Uninstall is refused the lock as well, and
        // finds nothing to remove.
        MsiCase{"RollsBackWhenTheLockIsHeld", Before::LockHeld, Command::Install,
                kMsiFailedUnderWine, NothingLeft(kNpfStopped, kLockHeld),
                Join({expected_runs::InstallWhileLockHeld(kLockHolder,
                                                          kDrivers + "\\quorixvmini60.inf"),
                      expected_runs::UninstallWhileLockHeld(kLockHolder)})},
        // 902 leaves the adapter installed; the rollback action removes it.
        MsiCase{"RollsBackTheAdapterWhenTheSwitchFails", Before::SwitchInstallFails,
                Command::Install, kMsiFailedUnderWine, NothingLeft(kNpfStopped, kLockFree),
                Join({expected_runs::InstallSwitchRefused(kFail, kDrivers + "\\quorixlwf.inf"),
                      expected_runs::UninstallAdapterAlone()})},
        // RemoveExistingProducts runs 1.0.0's removal first: one adapter instance, and only the
        // newer version listed.
        MsiCase{"UpgradeReplacesTheDrivers", Before::Installed, Command::Upgrade, kMsiSuccess,
                Installed("1.0.1"),
                Join({expected_runs::UninstallSucceeds(), expected_runs::InstallSucceeds()})},
        // The switch's DeInstall answers NETCFG_S_STILL_REFERENCED (904, ignored), and the log
        // reader's verdict, the switch still installed, fails the removal, which keeps the
        // files. Windows keeps the product registered too; Wine unregisters it, but keeps it as
        // the component's user.
        MsiCase{"UninstallFailsWhileTheSwitchIsShared", Before::SwitchShared, Command::Uninstall,
                kMsiFailedUnderWine, SwitchKept(), expected_runs::UninstallSwitchStillReferenced()},
        // The first removal took the switch and failed at the adapter, so the verdict failed it.
        // Once the fault is gone, Uninstall finds no switch (904, ignored) and removes the
        // adapter; the verdict, nothing left, lets the removal finish. Wine unregistered the
        // product at the first removal, so in the second Installed is unset and Wine schedules
        // InstallDrivers as well; it cannot start it (the files are removed by then) and goes
        // on, so the log holds the Uninstall alone. Windows keeps the product registered, and
        // its second removal is an ordinary one.
        MsiCase{"UninstallFinishesAfterAPartialFailure", Before::UninstallFailedPartly,
                Command::Uninstall, kMsiSuccess, NothingLeft(kNpfRunning, kLockFree),
                expected_runs::UninstallAdapterAlone()}),
    testsupport::CaseName());

}  // namespace
