// What the installer's in-process tests on the simulated platform share beyond the program's
// portable fixture: the simulated machine's components and bindings, fault rules and the journal.
#pragma once

#include "support/program_fixture.h"

#include "support/fault_rules.h"
#include "support/machine_views.h"
#include "support/temp_machine.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace installer_test {

using testsupport::AddFault;

// The journal entries whose call name is one of names, in order, each cut to its call name
// and, when withResult is set, its " -> RESULT" part.
std::vector<std::string> JournalCalls(const std::vector<std::string>& names,
                                      bool withResult = false);
// The whole journal entries, arguments and result included, of the calls named.
std::vector<std::string> JournalEntriesOf(const std::vector<std::string>& names);

// The usual lines of shared steps, written out once (in expected_runs).
inline const std::vector<std::string>& kReleaseNull = expected_runs::ReleaseNull();
inline const std::vector<std::string>& kReleaseOne = expected_runs::ReleaseOne();
inline const std::vector<std::string>& kGetWithLockOk = expected_runs::GetWithLock();
inline const std::vector<std::string>& kReleaseWithLock = expected_runs::ReleaseWithLock();

class InstallerTest : public ProgramTest {
protected:
    InstallerTest();

    // Copies the named INF files of the repository into a fresh folder and makes it the current
    // directory; returns the folder.
    std::string EnterInfFolder(const std::vector<std::string>& infNames = {"quorixvmini60.inf",
                                                                           "quorixlwf.inf"});
    // Installs the adapter adapterInstances times (each Install adds an instance) and the switch
    // when virtualSwitch is set, from the repository's INF files, leaving the log and the journal
    // empty again.
    void PreInstall(int adapterInstances, bool virtualSwitch);
    // Components and binding paths of the machine, "id | display name" and
    // "upper -> lower display name: enabled|disabled".
    std::vector<std::string> ComponentIds() const;
    std::vector<std::string> Bindings() const;

    testsupport::TempMachine& machine_ = platform_.machine();
};

}  // namespace installer_test
