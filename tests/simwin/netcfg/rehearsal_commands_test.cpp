// netcfg-sim's commands that rehearse what other programs do to the machine: a reference on
// behalf of another product, shown by show, and a reboot the machine waits for.
#include "netcfg_client.h"

namespace netcfgtest {
namespace {

// The lines of show's component list, from its "Components" line to the binding paths.
std::string ShownComponents() {
    const std::string shown = NetCfgSim("show").first;
    const auto from = shown.find("Components\n");
    const auto to = shown.find("Binding paths\n");
    return from == std::string::npos || to == std::string::npos ? shown
                                                                : shown.substr(from, to - from);
}

class RehearsalCommandsTest : public NetCfgTest {};

TEST_F(RehearsalCommandsTest, RefAddReferencesAnInstalledServiceOnBehalfOfAProduct) {
    CopyInf("quorixlwf.inf");
    ASSERT_EQ(S_OK, InstallAndApply(GUID_DEVCLASS_NETSERVICE, kFilterId));
    EXPECT_EQ(std::make_pair(std::string("quorix_ndislwf is now installed on behalf of \"Packet "
                                         "Lab 3\" too\n"),
                             0),
              NetCfgSim("ref add quorix_ndislwf --software Corvel 'Packet Lab' 'Packet Lab 3'"));
    EXPECT_EQ(
        "Components\n"
        "  net\n"
        "    pci\\ven_8086&dev_100e  \"Intel(R) PRO/1000 MT Network Connection\"  "
        "(net1000.inf)\n"
        "    pci\\ven_10ec&dev_8139  \"Realtek RTL8139C+ Fast Ethernet NIC\"  (net8139.inf)\n"
        "  nettrans\n"
        "    ms_tcpip  \"Internet Protocol Version 4 (TCP/IPv4)\"  (nettcpip.inf)\n"
        "    ms_tcpip6  \"Internet Protocol Version 6 (TCP/IPv6)\"  (nettcpip.inf)\n"
        "  netservice\n"
        "    ms_pacer  \"QoS Packet Scheduler\"  (netpacer.inf)\n"
        "    quorix_ndislwf  \"Tandrel QUORIX Virtual Switch\"  (oem0.inf)\n"
        "      on behalf of: user; software \"Corvel\" \"Packet Lab\" \"Packet Lab 3\"\n",
        ShownComponents());

    struct Refused {
        const char* arguments;
        std::string output;
        int status;
    };
    const Refused refused[] = {
        {"ref add ms_tcpip7 --software A B C",
         "netcfg-sim: no component 'ms_tcpip7' is installed\n", 1},
        {"ref add 'pci\\ven_8086&dev_100e' --software A B C",
         "netcfg-sim: an adapter keeps no references: each install is a device of its own\n", 1},
        {"ref add ms_tcpip --software A '' C",
         "netcfg-sim: the manufacturer, product and display name must not be empty; usage: init "
         "[--with-npf] [--force] | show | lock --hold SECONDS --as DESCRIPTION | ref add "
         "COMPONENT_ID --software MANUFACTURER PRODUCT DISPLAYNAME | reboot [--pending] | fault "
         "add RULE... | fault list | fault clear | journal on|off|show\n",
         2},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.arguments);
        EXPECT_EQ(std::make_pair(r.output, r.status), NetCfgSim(r.arguments));
    }
}

// A pending reboot refuses the write lock (NETCFG_E_NEED_REBOOT, 0x8004a025) to every client,
// netcfg-sim's own lock command included, until netcfg-sim reboot.
TEST_F(RehearsalCommandsTest, RebootPendingRefusesTheLockUntilReboot) {
    EXPECT_EQ(std::make_pair(std::string("a reboot is pending: the write lock is refused until "
                                         "netcfg-sim reboot\n"),
                             0),
              NetCfgSim("reboot --pending"));
    EXPECT_EQ(std::make_pair(std::string("netcfg-sim: the write lock is refused: 0x8004a025\n"), 1),
              NetCfgSim("lock --hold 0 --as Tester"));
    EXPECT_EQ(std::make_pair(std::string("rebooted\n"), 0), NetCfgSim("reboot"));
    EXPECT_EQ(std::make_pair(std::string("holding the write lock as \"Tester\"\n"), 0),
              NetCfgSim("lock --hold 0 --as Tester"));
}

}  // namespace
}  // namespace netcfgtest
