#include "support/installer_fixture.h"

#include <devguid.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>

namespace installer_test {

namespace fs = std::filesystem;

std::vector<std::string> JournalCalls(const std::vector<std::string>& names, bool withResult) {
    std::vector<std::string> calls;
    for (const std::string& entry : simwin::JournalEntries()) {
        const std::string name = entry.substr(0, entry.find(' '));
        if (std::find(names.begin(), names.end(), name) == names.end()) {
            continue;
        }
        const auto arrow = entry.rfind(" -> ");
        calls.push_back(withResult && arrow != std::string::npos ? name + entry.substr(arrow)
                                                                 : name);
    }
    return calls;
}

std::vector<std::string> JournalEntriesOf(const std::vector<std::string>& names) {
    std::vector<std::string> entries;
    for (const std::string& entry : simwin::JournalEntries()) {
        const std::string name = entry.substr(0, entry.find(' '));
        if (std::find(names.begin(), names.end(), name) != names.end()) {
            entries.push_back(entry);
        }
    }
    return entries;
}

InstallerTest::InstallerTest() {
    // The 2000 ms pause before installing is not waited for.
    AddFault("Sleep 0");
}

std::string InstallerTest::EnterInfFolder(const std::vector<std::string>& infNames) {
    static int folders = 0;
    const std::string folder = machine_.MakeFolder("setup" + std::to_string(++folders));
    for (const std::string& name : infNames) {
        fs::copy_file(fs::path(INF_FOLDER) / name, fs::path(folder) / name,
                      fs::copy_options::overwrite_existing);
    }
    fs::current_path(folder);
    return folder;
}

void InstallerTest::PreInstall(int adapterInstances, bool virtualSwitch) {
    const std::string inf = INF_FOLDER;
    for (int instance = 0; instance < adapterInstances; ++instance) {
        ASSERT_EQ(manager_->InstallDriver(fs::path(inf + "/quorixvmini60.inf").wstring().c_str(),
                                          GUID_DEVCLASS_NET, L"root\\quorixvmini60_a"),
                  S_OK);
    }
    if (virtualSwitch) {
        ASSERT_EQ(manager_->InstallDriver(fs::path(inf + "/quorixlwf.inf").wstring().c_str(),
                                          GUID_DEVCLASS_NETSERVICE, L"QUORIX_NdisLwf"),
                  S_OK);
    }
    ClearLog();
    simwin::ClearJournal();
    // Occurrence counts start again, so that the test's own "nth" rules count its calls only.
    simwin::ClearFaultRules();
    AddFault("Sleep 0");
}

std::vector<std::string> InstallerTest::ComponentIds() const {
    return testsupport::ComponentsOf(machine_.State());
}

std::vector<std::string> InstallerTest::Bindings() const {
    return testsupport::BindingsOf(machine_.State());
}

}  // namespace installer_test
