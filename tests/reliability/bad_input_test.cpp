// Bad input of every kind the program meets from outside: log folders it cannot use, command
// arguments it cannot read, a current folder too deep for the INF names, INF files that are not
// INF files, and a store that cannot be read. Each ends with its documented exit code and loses
// nothing from the machine's configuration; the platform's tool names a bad store in one line.
#include "support/machine_checks.h"
#include "support/case_name.h"
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/log_file.h"
#include "support/machine_views.h"
#include "support/process.h"
#include "support/setup_machine.h"
#include "support/temp_machine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iostream>
#include <optional>
#include <set>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;
using ::testing::Contains;

using testsupport::CaseName;
using namespace testsupport::exit_status;
using testsupport::kLogFileName;
using testsupport::Narrow;

constexpr long kRunLimitMs = 20000;

std::set<std::string> Configuration(const simwin::MachineState& state) {
    std::set<std::string> items;
    for (const std::string& component : testsupport::ComponentsOf(state)) {
        items.insert("component " + component);
    }
    for (const std::string& path : testsupport::BindingsOf(state)) {
        items.insert("binding " + path);
    }
    return items;
}

std::set<std::string> ComponentIds(const simwin::MachineState& state) {
    std::set<std::string> ids;
    for (const auto& component : state.components) {
        ids.insert(Narrow(component.id));
    }
    return ids;
}

// A folder whose path is exactly length characters, made of nested folders under base.
std::string FolderOfLength(const std::string& base, std::size_t length) {
    std::string path = base;
    while (path.size() < length) {
        const std::size_t room = length - path.size() - 1;  // less the separator
        path += "/" + std::string(std::min<std::size_t>(room, 200), 'd');
    }
    return path;
}

// A world for one case: a fresh machine, a setup folder with our INF files, a log folder, and
// the temporary folders the log would fall back to, watched for stray log files.
class World {
public:
    World() {
        testsupport::WriteFile(machine_.root() + "/faults", "Sleep 0 always\n");
        options_.environment["tmp"] = fallback_;
        options_.environment["TMPDIR"] = fallback_;
    }

    // The run's exit status; -1 when it did not end by itself within a generous time.
    int Run(const std::vector<std::string>& arguments) {
        testsupport::ProcessOptions run = options_;
        run.unsetEnvironment.clear();
        run.prefix.clear();
        run.quiet = true;
        if (swap_ && !swap_->done && arguments == std::vector<std::string>{"Install"}) {
            return RunSwappingTheFolder(run);
        }
        const testsupport::Ending ending =
            testsupport::RunWithin(DRIVERINSTALLER_EXE, arguments, run, kRunLimitMs);
        return ending.exited ? ending.exitStatus : -1;
    }

    // A log folder swapped for a link to another folder while a run uses it.
    struct FolderSwap {
        std::string folder;  // the log's folder, a link from the swap on
        std::string moved;   // where the folder went, with the lines written before the swap
        std::string target;  // the folder the link leads to
        bool done = false;
    };
    // Makes the next Install swap folder for a link once it has written its first lines, during
    // the wait before it installs: the folder is moved aside, and a link to another folder takes
    // its name, as anyone who may change the folder's parent could do. The wait is the run's own.
    void SwapDuringInstall(const std::string& folder) {
        testsupport::WriteFile(machine_.root() + "/faults", "");
        swap_ = FolderSwap{folder, folder + "-moved", Scratch("link-target"), false};
    }
    const std::optional<FolderSwap>& swap() const { return swap_; }
    // netcfg-sim's exit status, -1 when it did not end by itself in time; its output in *output.
    int Tool(const std::vector<std::string>& arguments, std::string* output) const {
        testsupport::ProcessOptions tool;
        tool.environment = {{"SIMWIN_ROOT", machine_.root()}};
        tool.outputPath = fallback_ + "/../tool-output";
        const testsupport::Ending ending =
            testsupport::RunWithin(NETCFG_SIM_EXE, arguments, tool, kRunLimitMs);
        *output = testsupport::ReadFile(tool.outputPath);
        return ending.exited ? ending.exitStatus : -1;
    }

    const testsupport::TempMachine& machine() const { return machine_; }
    testsupport::ProcessOptions& options() { return options_; }
    const std::string& setup() const { return machine_.setupFolder(); }
    const std::string& fallback() const { return fallback_; }
    std::string log() const {
        return testsupport::ReadFile(testsupport::LogFileIn(machine_.logFolder()));
    }
    std::string storePath() const { return machine_.root() + "/netcfg.store"; }
    std::string Scratch(const std::string& name) const { return machine_.MakeFolder(name); }
    // A file outside the log folder that only an administrator should change, which a link at
    // the log's name points to; made on first use.
    std::string Precious() const {
        const std::string path = machine_.root() + "/precious.txt";
        if (!fs::exists(path)) {
            testsupport::WriteFile(path, kPreciousText);
        }
        return path;
    }

    static constexpr char kPreciousText[] = "only administrators change this\n";

private:
    int RunSwappingTheFolder(const testsupport::ProcessOptions& run) {
        const pid_t child = testsupport::Spawn(DRIVERINSTALLER_EXE, {"Install"}, run);
        if (child <= 0) {
            return -1;
        }
        // The last line before the wait; the next one comes 2000 ms later.
        const std::string beforeTheWait = " | DeviceManager::Installer() | Enter...\n";
        const std::string log = testsupport::LogFileIn(swap_->folder);
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kRunLimitMs);
        while (testsupport::ReadFile(log).find(beforeTheWait) == std::string::npos &&
               std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        fs::rename(swap_->folder, swap_->moved);
        fs::create_directory_symlink(swap_->target, swap_->folder);
        swap_->done = true;
        const testsupport::Ending ending = testsupport::WaitFor(child);
        return ending.exited ? ending.exitStatus : -1;
    }

    testsupport::SetupMachine machine_;
    std::optional<FolderSwap> swap_;
    std::string fallback_ = machine_.MakeFolder("fallback");
    testsupport::ProcessOptions options_ = machine_.RunOptions();
};

// ---- Log places the program cannot use: the run goes on as usual, logging nothing ------------

struct LogPlaceCase {
    std::string name;
    std::function<std::string(World&)> folder;  // the AutInstLog value
};

class LogPlace : public testsupport::CaseTest<LogPlaceCase> {};

TEST_P(LogPlace, InstallAndUninstallRunAsUsualAndNoLineIsWrittenAnywhere) {
    World world;
    const std::string folder = GetParam().folder(world);
    world.options().environment["AutInstLog"] = folder;

    EXPECT_EQ(world.Run({"Install"}), kExitOk);
    const std::set<std::string> ids = ComponentIds(world.machine().State());
    EXPECT_THAT(ids, Contains("root\\quorixvmini60_a"));
    EXPECT_THAT(ids, Contains("quorix_ndislwf"));
    if (const auto& swap = world.swap()) {
        // The lines written before the swap went with the folder; the run's opens behind the
        // link left nothing there.
        EXPECT_EQ(testsupport::ReadLog(testsupport::LogFileIn(swap->moved), "\n").messages,
                  expected_runs::InstallStart());
        EXPECT_TRUE(fs::is_empty(swap->target)) << "a file was left behind the link";
    }
    EXPECT_EQ(world.Run({"Uninstall"}), kExitOk);

    EXPECT_TRUE(fs::is_empty(world.fallback())) << "a log went to the temporary folder";
    // A link planted at the log's name leads nowhere the lines could reach: the file it names
    // stays byte for byte as it was, and so does a regular file at the log's name (a swapped
    // folder is a link to a folder, which the Uninstall run's lines rightly reach).
    const fs::path logPath = fs::path(folder) / kLogFileName;
    if (!world.swap() && fs::is_regular_file(fs::symlink_status(logPath))) {
        EXPECT_EQ(testsupport::ReadFile(logPath.string()), World::kPreciousText)
            << "a log was written into a folder it may not use";
    }
    if (fs::exists(world.machine().root() + "/precious.txt")) {
        EXPECT_EQ(testsupport::ReadFile(world.Precious()), World::kPreciousText);
    }
}

const LogPlaceCase kLogPlaces[] = {
    {"Folder259Chars", [](World& world) { return FolderOfLength(world.Scratch("long259"), 259); }},
    {"Folder260Chars", [](World& world) { return FolderOfLength(world.Scratch("long260"), 260); }},
    {"Folder261Chars", [](World& world) { return FolderOfLength(world.Scratch("long261"), 261); }},
    {"MissingFolder", [](World& world) { return world.Scratch("parent") + "/missing/folder"; }},
    {"LogFileIsAFifo",
     [](World& world) {
         const std::string folder = world.Scratch("fifo");
         ::mkfifo((fs::path(folder) / kLogFileName).c_str(), 0644);
         return folder;
     }},
    {"LogFileIsAFolder",
     [](World& world) {
         const std::string folder = world.Scratch("blocked");
         fs::create_directory(fs::path(folder) / kLogFileName);
         return folder;
     }},
    // Links that any user who can write the log's folder may plant.
    {"LogFileIsASymbolicLinkToAFile",
     [](World& world) {
         const std::string folder = world.Scratch("symlinked");
         fs::create_symlink(world.Precious(), fs::path(folder) / kLogFileName);
         return folder;
     }},
    {"LogFileIsAHardLinkToAFile",
     [](World& world) {
         const std::string folder = world.Scratch("hardlinked");
         fs::create_hard_link(world.Precious(), fs::path(folder) / kLogFileName);
         return folder;
     }},
    // A folder on a volume without a drive letter, some RAM disks and network redirectors: the
    // folder's final path cannot be read, so no file in it can be checked.
    {"FolderWhoseFinalPathCannotBeRead",
     [](World& world) {
         testsupport::WriteFile(world.machine().root() + "/faults",
                                "Sleep 0 always\nGetFinalPathNameByHandleW 0 always error 3\n");
         return world.Scratch("no-final-path");
     }},
    // The folder is resolved at the first line; swapped for a link later, it leads elsewhere.
    {"FolderSwappedForALinkAfterTheFirstLines",
     [](World& world) {
         const std::string folder = world.Scratch("swapped");
         world.SwapDuringInstall(folder);
         return folder;
     }},
};

INSTANTIATE_TEST_SUITE_P(BadInput, LogPlace, testsupport::CasesIn(kLogPlaces), CaseName{});

TEST(LogPlaceFolders, AreBuiltToTheirLength) {
    testsupport::TempMachine machine;
    for (std::size_t length : {259u, 260u, 261u}) {
        const std::string folder =
            FolderOfLength(machine.MakeFolder("x" + std::to_string(length)), length);
        fs::create_directories(folder);
        EXPECT_EQ(folder.size(), length);
        EXPECT_TRUE(fs::is_directory(folder));
    }
}

// ---- Runs refused before anything is touched ---------------------------------------------

struct RefusedCase {
    std::string name;
    std::function<std::vector<std::string>(World&)> prepare;  // the arguments; may change world
    int exitStatus;
    std::string logLine;  // a line the log must hold, without its time prefix ("" for none)
};

class Refused : public testsupport::CaseTest<RefusedCase> {};

TEST_P(Refused, EndsWithItsCodeAndChangesNothing) {
    World world;
    const std::vector<std::string> arguments = GetParam().prepare(world);
    const std::string storeBefore = reliability::StoreText(world.machine().root());

    EXPECT_EQ(world.Run(arguments), GetParam().exitStatus);

    EXPECT_EQ(reliability::StoreText(world.machine().root()), storeBefore);
    EXPECT_TRUE(world.machine().State().infs.empty());
    if (!GetParam().logLine.empty()) {
        EXPECT_NE(world.log().find(" | " + GetParam().logLine + "\n"), std::string::npos)
            << world.log();
    }
}

// Moves the INF files into a folder whose path has the given length and makes it the current one.
std::vector<std::string> InstallFromFolder(World& world, const std::string& folder) {
    fs::create_directories(folder);
    for (const char* name : {"quorixvmini60.inf", "quorixlwf.inf"}) {
        fs::copy_file(fs::path(world.setup()) / name, fs::path(folder) / name);
    }
    world.options().workingFolder = folder;
    return {"Install"};
}

std::vector<std::string> InstallFromFolderOfLength(World& world, std::size_t length) {
    return InstallFromFolder(world, FolderOfLength(world.Scratch("deep"), length));
}

const RefusedCase kRefusedCases[] = {
    {"CommandWithNonAsciiLetters",
     [](World&) { return std::vector<std::string>{"\xc3\x8enstall"}; }, kExitRefused,
     "Command found: invalid command"},
    {"CommandWithAccentAdded", [](World&) { return std::vector<std::string>{"Install\xc3\xa9"}; },
     kExitRefused, "Command found: invalid command"},
    {"CommandWithInvalidUtf8Byte", [](World&) { return std::vector<std::string>{"\xffInstall"}; },
     kExitRefused, "Command found: invalid command"},
    {"CommandWithTruncatedUtf8", [](World&) { return std::vector<std::string>{"Uninstall\xc3"}; },
     kExitRefused, "Command found: invalid command"},
    // The third conversion in the process asks for the command's length; refused, the command
    // reads as empty.
    {"CommandThePlatformCannotWiden",
     [](World& world) {
         testsupport::WriteFile(world.machine().root() + "/faults",
                                "Sleep 0 always\nMultiByteToWideChar 0 nth 3\n");
         return std::vector<std::string>{"Install"};
     },
     kExitRefused, "Command found: invalid command"},
    {"CommandOfLoneContinuationBytes",
     [](World&) { return std::vector<std::string>{"\x80\x80\x80"}; }, kExitRefused,
     "Command found: invalid command"},
    // 242 + "/quorixvmini60.inf" is 260 characters: one more than a path can hold.
    {"CurrentFolderOneTooLongForTheAdapterInf",
     [](World& world) { return InstallFromFolderOfLength(world, 242); }, kExitInfMissing,
     "<ERROR> | DeviceManager::Installer() *.inf files for virtual ethernet adapter or virtual "
     "switch not found"},
    {"CurrentFolderLeavesNoRoomForInfNames",
     [](World& world) { return InstallFromFolderOfLength(world, 250); }, kExitInfMissing,
     "<ERROR> | DeviceManager::Installer() *.inf files for virtual ethernet adapter or virtual "
     "switch not found"},
    {"CurrentFolderLongerThan260",
     [](World& world) { return InstallFromFolderOfLength(world, 300); }, kExitInfMissing,
     "<ERROR> | DeviceManager::Installer() *.inf files for virtual ethernet adapter or virtual "
     "switch not found"},
    // A Windows path is always text; a Linux folder name need not be, and cannot be named back.
    {"CurrentFolderNameNotUtf8",
     [](World& world) { return InstallFromFolder(world, world.Scratch("bad\xff\xfename")); },
     kExitInfMissing,
     "<ERROR> | DeviceManager::Installer() *.inf files for virtual ethernet adapter or virtual "
     "switch not found"},
};

// Folders that look unusual but hold both INF files within 259 characters: Install succeeds.
struct GoodFolderCase {
    std::string name;
    std::function<std::string(World&)> folder;
};

class GoodFolder : public testsupport::CaseTest<GoodFolderCase> {};

TEST_P(GoodFolder, InstallsBothComponents) {
    World world;
    InstallFromFolder(world, GetParam().folder(world));

    EXPECT_EQ(world.Run({"Install"}), kExitOk);

    const std::set<std::string> ids = ComponentIds(world.machine().State());
    EXPECT_THAT(ids, Contains("root\\quorixvmini60_a"));
    EXPECT_THAT(ids, Contains("quorix_ndislwf"));
}

const GoodFolderCase kGoodFolders[] = {
    // 241 + "/quorixvmini60.inf" is 259 characters, the most a path holds.
    {"FolderAtTheLimit", [](World& world) { return FolderOfLength(world.Scratch("limit"), 241); }},
    {"FolderWithNonAsciiName",
     [](World& world) {
         return world.Scratch(
             "\xc3\x9c"
             "n"
             "\xc3\xaf"
             "c"
             "\xc3\xb8"
             "d"
             "\xc3\xa9 \xe8\xa8\xad\xe5\xae\x9a");
     }},
};

INSTANTIATE_TEST_SUITE_P(Unusual, GoodFolder, testsupport::CasesIn(kGoodFolders), CaseName{});

INSTANTIATE_TEST_SUITE_P(BadInput, Refused, testsupport::CasesIn(kRefusedCases), CaseName{});

// ---- INF files that are not INF files --------------------------------------------------

enum class BadInf { Empty, Binary, Malformed, Folder };

struct BadInfCase {
    std::string name;
    std::string infName;
    BadInf kind;
    int exitStatus;
};

class BadInfFile : public testsupport::CaseTest<BadInfCase> {};

TEST_P(BadInfFile, IsReportedWithItsComponentsCodeAndLosesNothing) {
    World world;
    const fs::path inf = fs::path(world.setup()) / GetParam().infName;
    fs::remove(inf);
    switch (GetParam().kind) {
        case BadInf::Empty:
            testsupport::WriteFile(inf.string(), "");
            break;
        case BadInf::Binary:
            testsupport::WriteFile(inf.string(), std::string("\x7f"
                                                             "ELF\x02\x01\x01\0\0\xff\xfe\0",
                                                             13));
            break;
        case BadInf::Malformed:
            testsupport::WriteFile(inf.string(),
                                   "[Version\nSignature = \"$Windows NT$\nClass = Net\n");
            break;
        case BadInf::Folder:
            fs::create_directory(inf);
            break;
    }
    const std::set<std::string> before = Configuration(world.machine().State());

    EXPECT_EQ(world.Run({"Install"}), GetParam().exitStatus);

    const std::set<std::string> after = Configuration(world.machine().State());
    for (const std::string& item : before) {
        EXPECT_EQ(after.count(item), 1u) << "lost: " << item;
    }
    EXPECT_EQ(reliability::StoreProblem(world.machine().root()), "");
    EXPECT_NE(world.log().find("<ERROR> | DeviceManager::HrInstallNetComponent() Couldn't copy the "
                               "setup INF file. lpszInfFullPath='" +
                               inf.string() + "'\n"),
              std::string::npos)
        << world.log();
}

const BadInfCase kBadInfCases[] = {
    {"EmptyAdapterInf", "quorixvmini60.inf", BadInf::Empty, kExitAdapterInstallFailed},
    {"BinaryAdapterInf", "quorixvmini60.inf", BadInf::Binary, kExitAdapterInstallFailed},
    {"MalformedAdapterInf", "quorixvmini60.inf", BadInf::Malformed, kExitAdapterInstallFailed},
    {"AdapterInfIsAFolder", "quorixvmini60.inf", BadInf::Folder, kExitAdapterInstallFailed},
    {"EmptySwitchInf", "quorixlwf.inf", BadInf::Empty, kExitSwitchInstallFailed},
    {"BinarySwitchInf", "quorixlwf.inf", BadInf::Binary, kExitSwitchInstallFailed},
    {"MalformedSwitchInf", "quorixlwf.inf", BadInf::Malformed, kExitSwitchInstallFailed},
    {"SwitchInfIsAFolder", "quorixlwf.inf", BadInf::Folder, kExitSwitchInstallFailed},
};

INSTANTIATE_TEST_SUITE_P(BadInput, BadInfFile, testsupport::CasesIn(kBadInfCases), CaseName{});

// ---- A store that cannot be read -------------------------------------------------------

enum class BadStore { Corrupt, Truncated, Empty, Unreadable, Fifo };

struct BadStoreCase {
    std::string name;
    BadStore kind;
};

class BadStoreFile : public testsupport::CaseTest<BadStoreCase> {};

TEST_P(BadStoreFile, FailsBothCommandsLeavesTheStoreAsItWasAndTheToolSaysWhyInOneLine) {
    World world;
    const std::string good = reliability::StoreText(world.machine().root());
    switch (GetParam().kind) {
        case BadStore::Corrupt: {
            std::string text = good;
            text.replace(text.find("\tnettrans\t"), 10, "\tnic\t");
            testsupport::WriteFile(world.storePath(), text);
            break;
        }
        case BadStore::Truncated:
            // Cut inside the last record, as a writer that died half-way would leave it.
            testsupport::WriteFile(world.storePath(), good.substr(0, good.size() - 6));
            break;
        case BadStore::Empty:
            testsupport::WriteFile(world.storePath(), "");
            break;
        case BadStore::Unreadable:
            fs::remove(world.storePath());
            fs::create_directory(world.storePath());
            break;
        case BadStore::Fifo:
            // Nothing ever writes to it: a reader that waits for a writer waits for ever.
            fs::remove(world.storePath());
            ::mkfifo(world.storePath().c_str(), 0644);
            break;
    }
    const bool isFile = fs::is_regular_file(world.storePath());
    const std::string before = isFile ? testsupport::ReadFile(world.storePath()) : "";

    EXPECT_EQ(world.Run({"Install"}), kExitAdapterInstallFailed);
    EXPECT_EQ(world.Run({"Uninstall"}), kExitAdapterRemovalFailed);

    EXPECT_EQ(fs::is_regular_file(world.storePath()), isFile);
    if (isFile) {
        EXPECT_EQ(testsupport::ReadFile(world.storePath()), before);
    }
    std::string output;
    EXPECT_EQ(world.Tool({"show"}, &output), 1);
    EXPECT_EQ(std::count(output.begin(), output.end(), '\n'), 1) << output;
    EXPECT_EQ(output.rfind("netcfg-sim: " + world.storePath(), 0), 0u) << output;
}

const BadStoreCase kBadStoreCases[] = {
    {"Corrupt", BadStore::Corrupt}, {"Truncated", BadStore::Truncated},
    {"Empty", BadStore::Empty},     {"Unreadable", BadStore::Unreadable},
    {"Fifo", BadStore::Fifo},
};

INSTANTIATE_TEST_SUITE_P(BadInput, BadStoreFile, testsupport::CasesIn(kBadStoreCases), CaseName{});

// The number of bad inputs tried, for CI's output: every case of the tables above is registered
// as a test of its own.
TEST(BadInputCount, EveryTableCaseIsRegisteredAndTheTotalIsPrinted) {
    const std::size_t tabled = std::size(kLogPlaces) + std::size(kRefusedCases) +
                               std::size(kBadInfCases) + std::size(kBadStoreCases);
    std::size_t registered = 0;
    const ::testing::UnitTest& tests = *::testing::UnitTest::GetInstance();
    for (int i = 0; i < tests.total_test_suite_count(); ++i) {
        const ::testing::TestSuite& suite = *tests.GetTestSuite(i);
        if (std::string(suite.name()).rfind("BadInput/", 0) == 0) {
            registered += static_cast<std::size_t>(suite.total_test_count());
        }
    }
    EXPECT_EQ(registered, tabled);
    std::cout << registered << " bad inputs tried" << std::endl;
    RecordProperty("bad_inputs", static_cast<int>(registered));
}

}  // namespace
