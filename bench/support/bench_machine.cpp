#include "support/bench_machine.h"

#include "machine/netcfg_store.h"
#include "netcfg/staged_config.h"

#include <simwin/machine.h>
#include <simwin/testing.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace bench {

namespace {

namespace fs = std::filesystem;

// What a run of the installer changes in a machine folder. drive_c (net.exe) never changes.
const char* const kStateEntries[] = {"netcfg.store", "services", "inf", "faults"};

constexpr wchar_t kVirtualAdapterId[] = L"root\\quorixvmini60_a";
constexpr wchar_t kVirtualAdapterName[] = L"Tandrel QUORIX Virtual Ethernet Adapter";

bool Fail(std::string* error, const std::string& message) {
    if (error != nullptr) {
        *error = message;
    }
    return false;
}

bool CopyEntries(const fs::path& from, const fs::path& to, std::string* error) {
    for (const char* entry : kStateEntries) {
        std::error_code failure;
        fs::remove_all(to / entry, failure);
        if (failure) {
            return Fail(error, (to / entry).string() + ": cannot remove: " + failure.message());
        }
        if (!fs::exists(from / entry, failure)) {
            continue;
        }
        fs::copy(from / entry, to / entry, fs::copy_options::recursive, failure);
        if (failure) {
            return Fail(error, (from / entry).string() + ": cannot copy: " + failure.message());
        }
    }
    return true;
}

}  // namespace

BenchMachine::BenchMachine(bool withNpf) {
    std::string pattern = (fs::temp_directory_path() / "driverinstaller-bench-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        error_ = "cannot create a temporary folder";
        return;
    }
    base_ = pattern;
    root_ = base_ + "/machine";
    ::setenv("SIMWIN_ROOT", root_.c_str(), 1);
    simwin::MachineOptions options;
    options.withNpf = withNpf;
    if (!simwin::InitMachine(root_, options, false, SIMWIN_NET_EXE, &error_)) {
        error_ = "cannot create the machine: " + error_;
        return;
    }
    simwin::ClearFaultRules();
    simwin::ClearJournal();
}

BenchMachine::~BenchMachine() {
    if (base_.empty()) {
        return;
    }
    std::error_code ignored;
    fs::remove_all(base_, ignored);
}

std::string BenchMachine::MakeFolder(const std::string& name) const {
    const fs::path folder = fs::path(base_) / name;
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    return folder.string();
}

bool BenchMachine::AddAdapters(unsigned count, std::string* error) {
    const std::string storePath = root_ + "/netcfg.store";
    simwin::NetCfgStore store;
    if (simwin::ReadNetCfgStore(storePath, &store, error) != simwin::StoreReadResult::Ok) {
        return false;
    }
    unsigned virtualInstances = 0;
    for (unsigned i = 0; i < count; ++i) {
        simwin::ComponentRecord record;
        record.componentClass = simwin::ComponentClass::Net;
        record.interfaces = simwin::ImpliedInterfaces(simwin::ComponentClass::Net, false);
        if (i % 4 == 3) {
            // Instance numbers from #2 on, as further instances of one adapter are named.
            record.id = kVirtualAdapterId;
            record.displayName =
                std::wstring(kVirtualAdapterName) + L" #" + std::to_wstring(++virtualInstances + 1);
            record.inf = "oem0.inf";
        } else {
            record.id = L"pci\\ven_8086&dev_" + std::to_wstring(1000 + i);
            record.displayName = L"Simulated Gigabit Network Connection #" + std::to_wstring(i + 1);
            record.inf = "net1000.inf";
        }
        simwin::AddComponent(&store, record);
    }
    return simwin::WriteNetCfgStore(storePath, store, error);
}

bool BenchMachine::SaveState(const std::string& snapshotFolder, std::string* error) const {
    std::error_code failure;
    fs::create_directories(snapshotFolder, failure);
    if (failure) {
        return Fail(error, snapshotFolder + ": cannot create: " + failure.message());
    }
    return CopyEntries(root_, snapshotFolder, error);
}

bool BenchMachine::RestoreState(const std::string& snapshotFolder, std::string* error) const {
    return CopyEntries(snapshotFolder, root_, error);
}

bool CopyInfFiles(const std::string& folder, std::string* error) {
    for (const char* name : {"quorixvmini60.inf", "quorixlwf.inf"}) {
        std::error_code failure;
        fs::copy_file(fs::path(INF_FOLDER) / name, fs::path(folder) / name,
                      fs::copy_options::overwrite_existing, failure);
        if (failure) {
            return Fail(error, std::string(name) + ": cannot copy: " + failure.message());
        }
    }
    return true;
}

}  // namespace bench
