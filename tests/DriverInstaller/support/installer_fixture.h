// What the installer's in-process tests share: a fresh simulated machine, a log folder of the
// test's own, the log read back without its time prefix, fault rules and the journal.
#pragma once

#include "device_manager/DeviceManager.h"
#include "log/Logger.h"
#include "support/temp_machine.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace installer_test {

// The log's lines, each checked to start with the time prefix and returned without it
// ("<ERROR> | " kept). A line without a valid prefix fails the test.
std::vector<std::string> ReadLogLines(const std::string& logFile);

// Compares log lines with the expected ones and reports the first line that differs.
void ExpectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected);

// An error line as the log shows it once the time prefix is removed.
inline std::string E(const std::string& message) {
    return "<ERROR> | " + message;
}

// Makes call return result, on its n-th occurrence only, or from then on with from = true.
void AddFault(const std::string& call, std::int64_t result, unsigned n = 0, bool from = false,
              std::optional<DWORD> lastError = std::nullopt, const std::wstring& text = L"");

// The journal entries whose call name is one of names, in order, each cut to its call name
// and, when withResult is set, its " -> RESULT" part.
std::vector<std::string> JournalCalls(const std::vector<std::string>& names,
                                      bool withResult = false);
// The whole journal entries, arguments and result included, of the calls named.
std::vector<std::string> JournalEntriesOf(const std::vector<std::string>& names);

// Names a parameterised case by its "name" field.
struct CaseName {
    template <typename Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
        return tested.param.name;
    }
};

// Appends the pieces of an expected trace into one sequence.
std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> pieces);

// The usual lines of shared steps, written out once.
extern const std::vector<std::string> kReleaseNull;      // ReleaseRef of a null reference
extern const std::vector<std::string> kReleaseOne;       // ReleaseRef of a reference
extern const std::vector<std::string> kGetWithLockOk;    // HrGetINetCfg with the lock, S_OK
extern const std::vector<std::string> kReleaseWithLock;  // HrReleaseINetCfg with the lock

class InstallerTest : public ::testing::Test {
protected:
    InstallerTest();
    ~InstallerTest() override;

    // Copies the named INF files of the repository into a fresh folder and makes it the current
    // directory; returns the folder.
    std::string EnterInfFolder(const std::vector<std::string>& infNames = {"quorixvmini60.inf",
                                                                           "quorixlwf.inf"});
    // Installs the named components on the machine, from the repository's INF files, leaving
    // the log and the journal empty again.
    void PreInstall(bool adapter, bool virtualSwitch);
    std::vector<std::string> Lines() const { return ReadLogLines(logFile_); }
    void ClearLog() const;
    // Components and binding paths of the machine, "id | display name" and
    // "upper -> lower display name: enabled|disabled".
    std::vector<std::string> ComponentIds() const;
    std::vector<std::string> Bindings() const;

    testsupport::TempMachine machine_{simwin::MachineOptions{true}};
    std::string logFolder_;
    std::string logFile_;
    std::unique_ptr<Logger> logger_;
    std::unique_ptr<DeviceManager> manager_;

private:
    std::string previousDirectory_;
};

}  // namespace installer_test
