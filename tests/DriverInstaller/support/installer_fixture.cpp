#include "support/installer_fixture.h"

#include <devguid.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <sstream>

namespace installer_test {

namespace fs = std::filesystem;

const std::vector<std::string> kReleaseNull = {"DeviceManager::ReleaseRef() | Enter...",
                                               "DeviceManager::ReleaseRef() | Exit..."};
const std::vector<std::string> kReleaseOne = {
    "DeviceManager::ReleaseRef() | Enter...",
    "DeviceManager::ReleaseRef() IUnknown* reference released.",
    "DeviceManager::ReleaseRef() | Exit..."};
const std::vector<std::string> kGetWithLockOk =
    Join({{"DeviceManager::HrGetINetCfg() | Enter...",
           "DeviceManager::HrGetINetCfg() | QueryInterface returns OK...",
           "DeviceManager::HrGetINetCfg() | Initialize returns OK..."},
          kReleaseOne,
          kReleaseOne,
          {"DeviceManager::HrGetINetCfg() | Exit..."}});
const std::vector<std::string> kReleaseWithLock =
    Join({{"DeviceManager::HrReleaseINetCfg() | Enter...",
           "DeviceManager::HrReleaseINetCfg() | Release write lock..."},
          kReleaseOne,
          kReleaseOne,
          {"DeviceManager::HrReleaseINetCfg() | Exit..."}});

void AddFault(const std::string& call, std::int64_t result, unsigned n, bool from,
              std::optional<DWORD> lastError, const std::wstring& text) {
    simwin::FaultRule rule;
    rule.call = call;
    rule.result = result;
    rule.when = n == 0 ? simwin::FaultWhen::Always
                       : (from ? simwin::FaultWhen::FromNth : simwin::FaultWhen::Nth);
    rule.n = n == 0 ? 1 : n;
    rule.lastError = lastError;
    rule.text = text;
    simwin::AddFaultRule(rule);
}

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
    AddFault("Sleep", 0);
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

void InstallerTest::PreInstall(bool adapter, bool virtualSwitch) {
    const std::string inf = INF_FOLDER;
    if (adapter) {
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
    AddFault("Sleep", 0);
}

namespace {
std::string Narrow(const std::wstring& text) {
    return fs::path(text).string();
}
}  // namespace

std::vector<std::string> InstallerTest::ComponentIds() const {
    std::vector<std::string> ids;
    for (const auto& component : machine_.State().components) {
        ids.push_back(Narrow(component.id) + " | " + Narrow(component.displayName));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

std::vector<std::string> InstallerTest::Bindings() const {
    std::vector<std::string> paths;
    for (const auto& path : machine_.State().bindings) {
        paths.push_back(Narrow(path.upperId) + " -> " + Narrow(path.lowerDisplayName) + ": " +
                        (path.enabled ? "enabled" : "disabled"));
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

}  // namespace installer_test
