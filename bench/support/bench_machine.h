// Simulated machines for the benchmarks: a fresh machine in a temporary folder, extra adapters
// in its store, and snapshots of its state so that every timed run starts from the same one.
#pragma once

#include <string>

namespace bench {

class BenchMachine {
public:
    // Creates a fresh machine (two physical adapters, IPv4, IPv6, the packet scheduler; the
    // "npf" service when withNpf) in a new temporary folder and makes it the process's machine
    // (SIMWIN_ROOT). ok() tells whether that worked; error() says why not.
    explicit BenchMachine(bool withNpf = false);
    // Removes the temporary folder and everything in it.
    ~BenchMachine();
    BenchMachine(const BenchMachine&) = delete;
    BenchMachine& operator=(const BenchMachine&) = delete;

    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }
    const std::string& root() const { return root_; }

    // A fresh, empty folder beside the machine (for INF files, logs, snapshots).
    std::string MakeFolder(const std::string& name) const;

    // Adds count network adapters to the store, as if their drivers were installed: every
    // fourth is another instance of the virtual ethernet adapter, so that its display name
    // matches as the installed one's does; the others are generic physical adapters. Every
    // component that binds to adapters gets an enabled path to each. False with a reason.
    bool AddAdapters(unsigned count, std::string* error);

    // Copies the machine's changing state (network configuration store, services, INF store,
    // fault rules) into snapshotFolder, and back. Restore leaves nothing of the later state.
    bool SaveState(const std::string& snapshotFolder, std::string* error) const;
    bool RestoreState(const std::string& snapshotFolder, std::string* error) const;

private:
    std::string base_;
    std::string root_;
    std::string error_;
};

// Copies our two INF files into folder, as a setup program places them beside the installer.
bool CopyInfFiles(const std::string& folder, std::string* error);

}  // namespace bench
