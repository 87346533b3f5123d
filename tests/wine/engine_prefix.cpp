#include "wine/engine_prefix.h"

#include "support/inf_files.h"
#include "support/log_file.h"
#include "support/process.h"
#include "support/text_file.h"

#include <signal.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <thread>

namespace winetest {

namespace fs = std::filesystem;

const char kBaselineComponents[] =
    "Components\n"
    "  net\n"
    "    pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"  (net1000.inf)\n"
    "    pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"  (net8139.inf)\n"
    "  nettrans\n"
    "    ms_tcpip  \"Internet Protocol Version 4 (TCP/IPv4)\"  (nettcpip.inf)\n"
    "    ms_tcpip6  \"Internet Protocol Version 6 (TCP/IPv6)\"  (nettcpip.inf)\n"
    "  netservice\n"
    "    ms_pacer  \"QoS Packet Scheduler\"  (netpacer.inf)\n";
const char kBaselineBindings[] =
    "Binding paths\n"
    "  enabled   ms_tcpip -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_tcpip -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  enabled   ms_tcpip6 -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_tcpip6 -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  enabled   ms_pacer -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_pacer -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n";
// Wine publishes an INF under its own name, which the component's INF column shows. The adapter
// alone, as its installation left it: bound to every protocol and service, IPv6 included, since
// the bindings are set only after both installations.
const char kAdapterAloneComponents[] =
    "Components\n"
    "  net\n"
    "    pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"  (net1000.inf)\n"
    "    pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"  (net8139.inf)\n"
    "    root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet Adapter\"  (quorixvmini60.inf)\n"
    "  nettrans\n"
    "    ms_tcpip  \"Internet Protocol Version 4 (TCP/IPv4)\"  (nettcpip.inf)\n"
    "    ms_tcpip6  \"Internet Protocol Version 6 (TCP/IPv6)\"  (nettcpip.inf)\n"
    "  netservice\n"
    "    ms_pacer  \"QoS Packet Scheduler\"  (netpacer.inf)\n";
namespace {
// The adapter's machine's paths before IPv6's to the virtual adapter, that path without its
// state, and the paths after it.
const char kPathsBeforeIpv6ToAdapter[] =
    "Binding paths\n"
    "  enabled   ms_tcpip -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_tcpip -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  enabled   ms_tcpip -> root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet Adapter\"\n"
    "  enabled   ms_tcpip6 -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_tcpip6 -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n";
const char kIpv6ToAdapter[] =
    "  ms_tcpip6 -> root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet Adapter\"\n";
const char kPathsAfterIpv6ToAdapter[] =
    "  enabled   ms_pacer -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"\n"
    "  enabled   ms_pacer -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"\n"
    "  enabled   ms_pacer -> root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet Adapter\"\n";

// The adapter's machine's paths, with IPv6's to the virtual adapter "enabled " or "disabled".
std::string AdapterPaths(const char* ipv6ToAdapter) {
    return std::string(kPathsBeforeIpv6ToAdapter) + "  " + ipv6ToAdapter + kIpv6ToAdapter +
           kPathsAfterIpv6ToAdapter;
}

// The switch's line among the services, whoever it was installed for.
const char kSwitchComponent[] =
    "    quorix_ndislwf  \"Tandrel QUORIX Virtual Switch\"  (quorixlwf.inf)\n";
// The switch's paths to the two physical adapters, which the installation disables.
const char kSwitchUnboundFromPhysical[] =
    "  disabled  quorix_ndislwf -> pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network "
    "Connection\"\n"
    "  disabled  quorix_ndislwf -> pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet "
    "NIC\"\n";
}  // namespace
const std::string kAdapterAloneBindings = AdapterPaths("enabled ");
const std::string kInstalledComponents =
    std::string(kAdapterAloneComponents) + kSwitchComponent + "      on behalf of: user\n";
// The switch bound to the virtual adapter alone, IPv6 unbound from it, everything else as it was.
const std::string kInstalledBindings =
    AdapterPaths("disabled") + kSwitchUnboundFromPhysical +
    "  enabled   quorix_ndislwf -> root\\quorixvmini60_a  \"Tandrel QUORIX Virtual Ethernet "
    "Adapter\"\n";
// The switch kept for another product after the adapter's removal; its bindings to the physical
// adapters stay as the installation set them.
const std::string kSwitchKeptComponents =
    std::string(kBaselineComponents) + kSwitchComponent +
    "      on behalf of: user; software \"Corvel\" \"Packet Lab\" \"Corvel Packet Lab 3\"\n";
const std::string kSwitchKeptBindings = std::string(kBaselineBindings) + kSwitchUnboundFromPhysical;
const char kNpfStopped[] = "Services\n  npf  stopped\n";
const char kNpfRunning[] = "Services\n  npf  running\n";
const char kLockFree[] = "Write lock\n  free\n";
const char kLockHeld[] = "Write lock\n  held by \"Other Setup Wizard\"\n";
const char kLockHolder[] = "Other Setup Wizard";

namespace {
// On Windows the INF store is the system's INF folder, which show does not list.
const char kInfStore[] = "INF store\n  (empty)\n";
}  // namespace

std::vector<std::string> FilesUnder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code missing;
    for (const auto& entry : fs::recursive_directory_iterator(folder, missing)) {
        files.push_back(fs::relative(entry.path(), folder).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Show(const std::string& components, const std::string& bindings, const char* services,
                 const char* lock) {
    return components + bindings + kInfStore + services + lock;
}

void EnginePrefixTest::SetUp() {
    ASSERT_TRUE(EnginePrefix().Ensure()) << "Wine could not create its prefix";
    ASSERT_FALSE(folder_.path().empty());
    // A fresh server for each test, kept up between its processes: Wine stops a prefix's
    // services when its last process ends, and npf must outlive DriverInstaller.exe.
    ASSERT_EQ(EnginePrefix().FreshServer(), 0);
    setupFolder_ = folder_.Make("setup");
    logFolder_ = folder_.Make("logs");
    testsupport::CopyInfFiles(setupFolder_);
    ASSERT_EQ(NetCfgSim({"init", "--with-npf", "--force"}), 0) << Output();
}

void EnginePrefixTest::TearDown() {
    if (holder_ > 0) {
        ::kill(holder_, SIGKILL);
        testsupport::WaitFor(holder_);
    }
    EnginePrefix().StopServer();
}

int EnginePrefixTest::NetCfgSim(const std::vector<std::string>& arguments) const {
    std::vector<std::string> words = {NETCFG_SIM_WINDOWS_EXE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return EnginePrefix().Run(words, folder_.path(), {}, {}, OutputPath());
}

std::string EnginePrefixTest::ShowMachine() const {
    if (NetCfgSim({"show"}) != 0) {
        return "show failed: " + Output();
    }
    // A Windows program's standard output ends its lines in CR LF.
    std::string shown;
    for (char ch : Output()) {
        if (ch != '\r') {
            shown += ch;
        }
    }
    shown.erase(0, shown.find('\n') + 1);
    return shown;
}

std::string EnginePrefixTest::ShowOnceItShows(std::initializer_list<const char*> parts) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    std::string shown = ShowMachine();
    const auto showsAll = [&shown, &parts] {
        for (const char* part : parts) {
            if (shown.find(part) == std::string::npos) {
                return false;
            }
        }
        return true;
    };
    while (!showsAll() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        shown = ShowMachine();
    }
    return shown;
}

pid_t EnginePrefixTest::HoldLock() const {
    testsupport::ProcessOptions options;
    options.environment = EnginePrefix().BaseEnvironment();
    options.unsetEnvironment = {"SIMWIN_ROOT"};
    options.outputPath = folder_.path() + "/holder-output.txt";
    const pid_t holder = testsupport::Spawn(
        WINE_PROGRAM, {NETCFG_SIM_WINDOWS_EXE, "lock", "--hold", "60", "--as", kLockHolder},
        options);
    if (holder > 0) {
        ShowOnceItShows({kLockHeld});
    }
    return holder;
}

bool EnginePrefixTest::HoldLockForTheTest() {
    holder_ = HoldLock();
    return holder_ > 0;
}

int EnginePrefixTest::FailSwitchInstall() const {
    return NetCfgSim({"fault", "add", "INetCfgClassSetup::Install", "E_FAIL", "nth", "2"});
}

int EnginePrefixTest::Run(const std::string& command) const {
    fs::remove(fs::path(logFolder_) / testsupport::kLogFileName);
    const std::string logFolder = WindowsPath(logFolder_);
    return RunInstaller({command}, setupFolder_, &logFolder, EnginePrefix());
}

LogFile EnginePrefixTest::Log() const {
    return ReadLog(logFolder_ + "/" + testsupport::kLogFileName);
}

std::string EnginePrefixTest::Output() const {
    return testsupport::ReadFile(OutputPath());
}

}  // namespace winetest
