// What the installer's in-process tests on the simulated platform share beyond the program's
// portable fixture: the simulated machine's components and bindings, fault rules and the journal.
#pragma once

#include "support/program_fixture.h"
#include "support/temp_machine.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace installer_test {

// Makes call return result, on its n-th occurrence only, or from then on with from = true.
void AddFault(const std::string& call, std::int64_t result, unsigned n = 0, bool from = false,
              std::optional<DWORD> lastError = std::nullopt, const std::wstring& text = L"");

// The journal entries whose call name is one of names, in order, each cut to its call name
// and, when withResult is set, its " -> RESULT" part.
std::vector<std::string> JournalCalls(const std::vector<std::string>& names,
                                      bool withResult = false);
// The whole journal entries, arguments and result included, of the calls named.
std::vector<std::string> JournalEntriesOf(const std::vector<std::string>& names);

// The usual lines of shared steps, written out once.
extern const std::vector<std::string> kReleaseNull;      // ReleaseRef of a null reference
extern const std::vector<std::string> kReleaseOne;       // ReleaseRef of a reference
extern const std::vector<std::string> kGetWithLockOk;    // HrGetINetCfg with the lock, S_OK
extern const std::vector<std::string> kReleaseWithLock;  // HrReleaseINetCfg with the lock

class InstallerTest : public ProgramTest {
protected:
    InstallerTest();

    // Copies the named INF files of the repository into a fresh folder and makes it the current
    // directory; returns the folder.
    std::string EnterInfFolder(const std::vector<std::string>& infNames = {"quorixvmini60.inf",
                                                                           "quorixlwf.inf"});
    // Installs the named components on the machine, from the repository's INF files, leaving
    // the log and the journal empty again.
    void PreInstall(bool adapter, bool virtualSwitch);
    // Components and binding paths of the machine, "id | display name" and
    // "upper -> lower display name: enabled|disabled".
    std::vector<std::string> ComponentIds() const;
    std::vector<std::string> Bindings() const;

    testsupport::TempMachine& machine_ = platform_.machine();
};

}  // namespace installer_test
