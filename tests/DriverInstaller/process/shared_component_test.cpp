// DriverInstaller run as a process on machines the network configuration shares with others:
// a switch that another product also installed, and an adapter of another medium than ethernet.
#include "support/exit_codes.h"
#include "support/expected_runs.h"
#include "support/log_file.h"
#include "support/process.h"
#include "support/setup_machine.h"

#include "base/utf8.h"

#include <devguid.h>
#include <netcfgx.h>
#include <objbase.h>
#include <setupapi.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;
using ::testing::Contains;

// The log's messages; a line without its time prefix or LF fails the test.
std::vector<std::string> LogLines(const std::string& folder) {
    const testsupport::LogFile log = testsupport::ReadLog(testsupport::LogFileIn(folder), "\n");
    EXPECT_EQ(log.malformedLines, std::vector<std::string>{});
    return log.messages;
}

// "upper -> lower enabled|disabled" for every binding path of the machine.
std::set<std::string> Paths(const simwin::MachineState& state) {
    std::set<std::string> paths;
    for (const simwin::BindingInfo& path : state.bindings) {
        paths.insert(simwin::ToUtf8(path.upperId) + " -> " + simwin::ToUtf8(path.lowerId) +
                     (path.enabled ? " enabled" : " disabled"));
    }
    return paths;
}

const simwin::ComponentInfo* Component(const simwin::MachineState& state, const wchar_t* id) {
    for (const simwin::ComponentInfo& component : state.components) {
        if (component.id == id) {
            return &component;
        }
    }
    return nullptr;
}

class SharedComponentTest : public ::testing::Test {
protected:
    int Run(const std::string& command) {
        fs::remove(testsupport::LogFileIn(logFolder_));
        return testsupport::RunProcess(DRIVERINSTALLER_EXE, {command}, machine_.RunOptions());
    }

    int NetCfgSim(const std::vector<std::string>& arguments) {
        testsupport::ProcessOptions options;
        options.environment = {{"SIMWIN_ROOT", machine_.root()}};
        return testsupport::RunProcess(NETCFG_SIM_EXE, arguments, options, toolOutput_);
    }

    std::string ToolOutput() const { return testsupport::ReadFile(toolOutput_); }

    testsupport::SetupMachine machine_;
    const std::string& setupFolder_ = machine_.setupFolder();
    const std::string& logFolder_ = machine_.logFolder();
    const std::string toolOutput_ = machine_.MakeFolder("tool") + "/output.txt";
};

// DeInstall removes only the caller's reference: a component another product still needs stays,
// and the installer reports that removal as failed (INetCfgClassSetup::DeInstall, Microsoft's
// documentation: "If the component's reference count on behalf of all tokens becomes zero, the
// network configuration subsystem removes the component"; NETCFG_S_STILL_REFERENCED otherwise).
TEST_F(SharedComponentTest, UninstallKeepsASwitchThatAnotherProductStillNeeds) {
    ASSERT_EQ(Run("Install"), testsupport::kExitOk);
    ASSERT_EQ(NetCfgSim({"ref", "add", "QUORIX_NdisLwf", "--software", "Corvel", "Packet Lab",
                         "Corvel Packet Lab 3"}),
              0)
        << ToolOutput();
    EXPECT_EQ(ToolOutput(),
              "QUORIX_NdisLwf is now installed on behalf of \"Corvel Packet Lab 3\" too\n");

    // The documented result is informational, so the installer's own rule makes it a failure of
    // the switch's removal: 904, with its two error lines, and no Apply for the switch.
    EXPECT_EQ(Run("Uninstall"), testsupport::kExitSwitchRemovalFailed);
    EXPECT_EQ(LogLines(logFolder_), expected_runs::UninstallSwitchStillReferenced());

    const simwin::MachineState after = machine_.State();
    const simwin::ComponentInfo* kept = Component(after, L"quorix_ndislwf");
    ASSERT_NE(kept, nullptr) << "the switch was removed although another product needs it";
    // Nothing was applied for the switch, so the installer's own reference is still there too.
    EXPECT_EQ(kept->references,
              (std::vector<std::string>{
                  "user", "software \"Corvel\" \"Packet Lab\" \"Corvel Packet Lab 3\""}));
    EXPECT_EQ(Component(after, L"root\\quorixvmini60_a"), nullptr);
    // The switch's paths went with the adapter; those to the physical adapters stay disabled.
    EXPECT_EQ(Paths(after), (std::set<std::string>{
                                "ms_tcpip -> pci\\ven_8086&dev_100e enabled",
                                "ms_tcpip -> pci\\ven_10ec&dev_8139 enabled",
                                "ms_tcpip6 -> pci\\ven_8086&dev_100e enabled",
                                "ms_tcpip6 -> pci\\ven_10ec&dev_8139 enabled",
                                "ms_pacer -> pci\\ven_8086&dev_100e enabled",
                                "ms_pacer -> pci\\ven_10ec&dev_8139 enabled",
                                "quorix_ndislwf -> pci\\ven_8086&dev_100e disabled",
                                "quorix_ndislwf -> pci\\ven_10ec&dev_8139 disabled",
                            }));
}

// A WAN adapter: "ndiswan" above, "wan" below, as Microsoft's "Specifying Binding Interfaces"
// lists them. Written for this test.
constexpr char kWanAdapterInf[] =
    "[Version]\nSignature = \"$WINDOWS NT$\"\nClass = Net\n"
    "ClassGUID = {4d36e972-e325-11ce-bfc1-08002be10318}\nProvider = Test\n\n"
    "[Manufacturer]\nTest = Test, NTamd64\n\n[Test.NTamd64]\n"
    "\"Test WAN Miniport\" = Wan.ndi, test_wanminiport\n\n"
    "[Wan.ndi]\nCharacteristics = 0x1\nAddReg = Wan.Reg\n\n"
    "[Wan.Reg]\nHKR, Ndi\\Interfaces, UpperRange, 0, \"ndiswan\"\n"
    "HKR, Ndi\\Interfaces, LowerRange, 0, \"wan\"\n";

// Installs the WAN adapter through the network configuration, as its own setup would.
void InstallWanAdapter(const std::string& folder) {
    const std::string path = folder + "/testwan.inf";
    testsupport::WriteFile(path, kWanAdapterInf);
    ASSERT_TRUE(SetupCopyOEMInfW(simwin::FromUtf8(path).c_str(),
                                 simwin::FromUtf8(folder + "/").c_str(), SPOST_PATH, 0, nullptr, 0,
                                 nullptr, nullptr));
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    INetCfg* netCfg = nullptr;
    INetCfgLock* lock = nullptr;
    INetCfgClassSetup* setup = nullptr;
    LPWSTR holder = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                               reinterpret_cast<void**>(&netCfg)),
              S_OK);
    EXPECT_EQ(netCfg->QueryInterface(IID_INetCfgLock, reinterpret_cast<void**>(&lock)), S_OK);
    EXPECT_EQ(lock->AcquireWriteLock(5000, L"WAN setup", &holder), S_OK);
    EXPECT_EQ(netCfg->Initialize(nullptr), S_OK);
    EXPECT_EQ(netCfg->QueryNetCfgClass(&GUID_DEVCLASS_NET, IID_INetCfgClassSetup,
                                       reinterpret_cast<void**>(&setup)),
              S_OK);
    EXPECT_EQ(setup->Install(L"test_wanminiport", nullptr, 0, 0, nullptr, nullptr, nullptr), S_OK);
    EXPECT_EQ(netCfg->Apply(), S_OK);
    setup->Release();
    EXPECT_EQ(netCfg->Uninitialize(), S_OK);
    EXPECT_EQ(lock->ReleaseWriteLock(), S_OK);
    lock->Release();
    netCfg->Release();
    CoUninitialize();
}

// A filter binds only over the media types it lists (FilterMediaTypes), a protocol only where
// its lower range meets the adapter's upper range: the switch ("ethernet") and IP ("ndis5")
// never reach the WAN adapter, and the installer's binding configuration runs as on any machine.
TEST_F(SharedComponentTest, InstallLeavesAnAdapterOfAnotherMediumUnbound) {
    InstallWanAdapter(machine_.MakeFolder("wan"));

    EXPECT_EQ(Run("Install"), testsupport::kExitOk);
    EXPECT_EQ(LogLines(logFolder_), expected_runs::InstallSucceeds());

    std::set<std::string> toWan;
    for (const std::string& path : Paths(machine_.State())) {
        if (path.find("-> test_wanminiport") != std::string::npos) {
            toWan.insert(path);
        }
    }
    // The packet scheduler lists "wan" among its media; nothing else binds to the adapter.
    EXPECT_EQ(toWan, (std::set<std::string>{"ms_pacer -> test_wanminiport enabled"}));
    EXPECT_THAT(Paths(machine_.State()),
                Contains("quorix_ndislwf -> root\\quorixvmini60_a enabled"));
}

}  // namespace
