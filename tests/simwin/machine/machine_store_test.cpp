// The machine's files: the network configuration store (its format, its checks, its survival of
// a writer killed mid-write), a fresh machine, and the services.
#include "machine/netcfg_store.h"
#include "machine/services.h"
#include "../netcfg/netcfg_client.h"

#include <simwin/machine.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace netcfgtest {
namespace {

constexpr char kHeader[] = "simwin-netcfg-store\t1\n";
constexpr char kAdapterLine[] = "component\t1\tnet\tpci\\ven_1\tCard\tnet1.inf\tnone\n";
constexpr char kProtocolLine[] = "component\t2\tnettrans\tms_tcpip\tIPv4\tnettcpip.inf\tbinds\n";

class MachineStoreTest : public NetCfgTest {};

TEST_F(MachineStoreTest, FreshMachineHoldsTheBaseline) {
    // Each component with the binding interfaces its INF file declares; the baseline was
    // installed with the system, on behalf of no token, so it has no references.
    const std::string expected =
        "simwin-netcfg-store\t2\n"
        "component\t1\tnet\tpci\\ven_8086&dev_100e\tIntel(R) PRO/1000 MT Network Connection\t"
        "net1000.inf\tndis5\tethernet\t-\n"
        "component\t2\tnet\tpci\\ven_10ec&dev_8139\tRealtek RTL8139C+ Fast Ethernet NIC\t"
        "net8139.inf\tndis5\tethernet\t-\n"
        "component\t3\tnettrans\tms_tcpip\tInternet Protocol Version 4 (TCP/IPv4)\tnettcpip.inf\t"
        "-\tndis5,ndis5_ip\t-\n"
        "component\t4\tnettrans\tms_tcpip6\tInternet Protocol Version 6 (TCP/IPv6)\tnettcpip.inf\t"
        "-\tndis5,ndis5_ip\t-\n"
        "component\t5\tnetservice\tms_pacer\tQoS Packet Scheduler\tnetpacer.inf\tnoupper\t"
        "nolower\tethernet,tokenring,fddi,wan\n"
        "binding\t3\t1\tenabled\nbinding\t3\t2\tenabled\nbinding\t4\t1\tenabled\n"
        "binding\t4\t2\tenabled\nbinding\t5\t1\tenabled\nbinding\t5\t2\tenabled\n";
    EXPECT_EQ(expected, ReadFile(StorePath()));
    const simwin::MachineState state = machine_.State();
    EXPECT_TRUE(state.infs.empty());
    EXPECT_TRUE(state.services.empty());
    EXPECT_TRUE(state.lockHolder.empty());
    EXPECT_EQ(0, ::access((machine_.root() + "/drive_c/Windows/System32/net.exe").c_str(), X_OK));

    std::string error;
    EXPECT_FALSE(simwin::InitMachine(machine_.root(), {}, false, SIMWIN_NET_EXE, &error));
    EXPECT_EQ(machine_.root() + " already holds a machine (--force replaces it)", error);
    simwin::MachineOptions withNpf;
    withNpf.withNpf = true;
    ASSERT_TRUE(simwin::InitMachine(machine_.root(), withNpf, true, SIMWIN_NET_EXE, &error));
    EXPECT_EQ("npf stopped\n", ReadFile(machine_.root() + "/services"));
}

struct CorruptCase {
    std::string text;
    std::string problem;  // the message after "<store>:"
};

TEST_F(MachineStoreTest, CorruptStoreIsNamedByLineAndNeverOverwritten) {
    const CorruptCase cases[] = {
        {"", "1: empty file, expected the format line"},
        {"simwin-netcfg-store\t3\n", "1: not a network configuration store of version 1 or 2"},
        {std::string(kHeader) + "gadget\t1\n", "2: unknown record 'gadget'"},
        {std::string(kHeader) + "component\t1\tnic\tx\tX\tx.inf\tnone\n", "2: unknown class 'nic'"},
        {std::string(kHeader) + "component\t0\tnet\tx\tX\tx.inf\tnone\n",
         "2: bad instance number '0'"},
        {std::string(kHeader) + "component\t1\tnet\tPCI\\X\tX\tx.inf\tnone\n",
         "2: the id 'PCI\\X' is empty or not in lower case"},
        {std::string(kHeader) + kAdapterLine + kAdapterLine, "3: instance 1 appears twice"},
        {std::string(kHeader) + kAdapterLine + "component\t2\tnet\tx\tX\n",
         "3: a component record has 7 fields, found 5"},
        {std::string(kHeader) + kAdapterLine + "binding\t2\t1\tenabled\n",
         "3: a binding names a component not listed before it"},
        {std::string(kHeader) + kAdapterLine + kProtocolLine + "binding\t1\t2\tenabled\n",
         "4: a binding must lead to an adapter whose interfaces meet its upper component's"},
        {std::string(kHeader) + kAdapterLine + kProtocolLine + "binding\t2\t1\ton\n",
         "4: expected 'enabled' or 'disabled', found 'on'"},
        // A binding path is one record; its later states are applied lines.
        {std::string(kHeader) + kAdapterLine + kProtocolLine +
             "binding\t2\t1\tenabled\nbinding\t2\t1\tdisabled\n",
         "5: the binding 2 -> 1 appears twice"},
        {std::string(kHeader) + kAdapterLine + kProtocolLine + "binding\t2\t1\tenabled",
         "4: line not ended (the file was cut short)"},
    };
    for (const CorruptCase& testCase : cases) {
        SCOPED_TRACE(testCase.problem);
        WriteFile(StorePath(), testCase.text);
        simwin::NetCfgStore store;
        std::string error;
        EXPECT_EQ(simwin::StoreReadResult::Corrupt,
                  simwin::ReadNetCfgStore(StorePath(), &store, &error));
        EXPECT_EQ(StorePath() + ":" + testCase.problem, error);

        ComPtr<INetCfg> netCfg;
        ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                         netCfg.PutVoid()));
        EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_DATA), netCfg->Initialize(nullptr));
        EXPECT_EQ(NETCFG_E_NOT_INITIALIZED, netCfg->Apply());
        EXPECT_EQ(testCase.text, ReadFile(StorePath()));

        const auto [output, status] = NetCfgSim("show");
        EXPECT_EQ("netcfg-sim: " + StorePath() + ":" + testCase.problem + "\n", output);
        EXPECT_EQ(1, status);
    }
}

TEST_F(MachineStoreTest, MissingStoreFailsInitialize) {
    ComPtr<INetCfg> netCfg;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                     netCfg.PutVoid()));
    ASSERT_EQ(0, ::unlink(StorePath().c_str()));
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), netCfg->Initialize(nullptr));
    EXPECT_NE(0, ::access(StorePath().c_str(), F_OK));
}

// The store marks a folder as a machine. Without it the folder is a system without the network
// configuration class, as Windows answers for a class nobody registered; the tool says how to
// make a machine.
TEST_F(MachineStoreTest, AFolderWithoutAStoreHoldsNoMachine) {
    ASSERT_EQ(0, ::unlink(StorePath().c_str()));
    void* object = this;  // must be cleared
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER,
                                                    IID_INetCfgLock, &object));
    EXPECT_EQ(nullptr, object);

    const auto [output, status] = NetCfgSim("show");
    EXPECT_EQ("netcfg-sim: " + machine_.root() +
                  " holds no machine; make one with: netcfg-sim init [--with-npf]\n",
              output);
    EXPECT_EQ(1, status);
}

// A writer that disables and enables a path and applies each change, for ever.
[[noreturn]] void ApplyForEver() {
    INetCfg* netCfg = nullptr;
    INetCfgLock* lock = nullptr;
    LPWSTR holder = nullptr;
    if (CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                         reinterpret_cast<void**>(&netCfg)) != S_OK ||
        netCfg->QueryInterface(IID_INetCfgLock, reinterpret_cast<void**>(&lock)) != S_OK ||
        lock->AcquireWriteLock(5000, L"writer", &holder) != S_OK ||
        netCfg->Initialize(nullptr) != S_OK) {
        ::_exit(3);
    }
    INetCfgComponent* ipv6 = nullptr;
    INetCfgComponentBindings* bindings = nullptr;
    IEnumNetCfgBindingPath* paths = nullptr;
    INetCfgBindingPath* path = nullptr;
    if (netCfg->FindComponent(L"ms_tcpip6", &ipv6) != S_OK ||
        ipv6->QueryInterface(IID_INetCfgComponentBindings, reinterpret_cast<void**>(&bindings)) !=
            S_OK ||
        bindings->EnumBindingPaths(EBP_BELOW, &paths) != S_OK ||
        paths->Next(1, &path, nullptr) != S_OK) {
        ::_exit(4);
    }
    for (BOOL enable = FALSE;; enable = !enable) {
        path->Enable(enable);
        netCfg->Apply();
    }
}

TEST_F(MachineStoreTest, StoreSurvivesAWriterKilledWhileApplying) {
    const std::string before = ReadFile(StorePath());
    for (int round = 0; round < 8; ++round) {
        const pid_t writer = ::fork();
        ASSERT_GE(writer, 0);
        if (writer == 0) {
            ApplyForEver();
        }
        // Read while it writes, then kill it at a different moment each round.
        const auto until =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(20 + round * 7);
        // At least one read, however late a busy machine runs this loop.
        do {
            simwin::NetCfgStore store;
            std::string error;
            ASSERT_EQ(simwin::StoreReadResult::Ok,
                      simwin::ReadNetCfgStore(StorePath(), &store, &error))
                << error;
            ASSERT_EQ(6u, store.bindings.size());
        } while (std::chrono::steady_clock::now() < until);
        ::kill(writer, SIGKILL);
        int status = 0;
        ::waitpid(writer, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;
        const std::vector<std::string> bindings = DiskBindings();
        ASSERT_EQ(6u, bindings.size());
        EXPECT_TRUE(bindings[2] == "ms_tcpip6->pci\\ven_8086&dev_100e enabled" ||
                    bindings[2] == "ms_tcpip6->pci\\ven_8086&dev_100e disabled");
    }
    // The lock died with its holder.
    EXPECT_TRUE(machine_.State().lockHolder.empty());
}

TEST_F(MachineStoreTest, ServicesStartOnceAndOnlyWhenRegistered) {
    std::string error;
    ASSERT_TRUE(
        simwin::WriteServices(machine_.root(), {{"npf", false}, {"Spooler", true}}, &error));
    struct StartCase {
        const char* name;
        simwin::ServiceStart expected;
    };
    const StartCase cases[] = {
        {"NPF", simwin::ServiceStart::Started},
        {"npf", simwin::ServiceStart::AlreadyRunning},
        {"spooler", simwin::ServiceStart::AlreadyRunning},
        {"absent", simwin::ServiceStart::UnknownService},
    };
    for (const StartCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        EXPECT_EQ(testCase.expected, simwin::StartService(machine_.root(), testCase.name, &error));
    }
    EXPECT_EQ("npf running\nSpooler running\n", ReadFile(machine_.root() + "/services"));

    WriteFile(machine_.root() + "/services", "npf running\nbroken\n");
    std::vector<simwin::ServiceInfo> services;
    EXPECT_FALSE(simwin::ReadServices(machine_.root(), &services, &error));
    EXPECT_EQ(machine_.root() + "/services:2: expected 'NAME stopped' or 'NAME running'", error);
    EXPECT_EQ(simwin::ServiceStart::Failed, simwin::StartService(machine_.root(), "npf", &error));
}

}  // namespace
}  // namespace netcfgtest
