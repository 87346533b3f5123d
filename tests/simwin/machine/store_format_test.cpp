// The store's text as version 2 writes it (binding interfaces and references), what a reader
// refuses in it, and version 1 stores read as the interfaces that version implied.
#include "machine/netcfg_store.h"
#include "../netcfg/netcfg_client.h"

namespace netcfgtest {
namespace {

constexpr char kVersion2[] = "simwin-netcfg-store\t2\n";
constexpr char kAdapter[] = "component\t1\tnet\tpci\\ven_1\tCard\tnet1.inf\tndis5\tethernet\t-\n";
constexpr char kFilter[] =
    "component\t2\tnetservice\tquorix_ndislwf\tSwitch\toem1.inf\tnoupper\tnolower\tethernet\n";
constexpr char kProtocol[] =
    "component\t3\tnettrans\tms_tcpip\tIPv4\tnettcpip.inf\t-\tndis5,ndis5_ip\t-\n";

class StoreFormatTest : public NetCfgTest {
protected:
    simwin::StoreReadResult Read(const std::string& text, simwin::NetCfgStore* store,
                                 std::string* error) const {
        WriteFile(StorePath(), text);
        return simwin::ReadNetCfgStore(StorePath(), store, error);
    }
};

TEST_F(StoreFormatTest, Version2KeepsInterfacesAndEveryKindOfReferenceWordForWord) {
    // An instance is a number from 1 on; nine digits are the most the store reads.
    const std::string text = std::string(kVersion2) + kAdapter + kFilter + kProtocol +
                             "component\t999999999\tnetclient\tms_msclient\tClient\tnetmscli.inf\t"
                             "-\t-\t-\n"
                             "reference\t2\tuser\n"
                             "reference\t2\tcomponent\t3\n"
                             "reference\t2\tsoftware\tCorvel\tPacket Lab\tCorvel Packet Lab 3\n"
                             "binding\t2\t1\tdisabled\nbinding\t3\t1\tenabled\n";
    simwin::NetCfgStore store;
    std::string error;
    ASSERT_EQ(simwin::StoreReadResult::Ok, Read(text, &store, &error)) << error;
    EXPECT_EQ(text, simwin::FormatNetCfgStore(store));

    const simwin::ComponentRecord& filter = store.components.at(2);
    EXPECT_EQ(std::vector<std::wstring>{L"ethernet"}, filter.interfaces.filterMediaTypes);
    EXPECT_EQ((std::vector<std::wstring>{L"ndis5", L"ndis5_ip"}),
              store.components.at(3).interfaces.lowerRange);
    ASSERT_EQ(3u, filter.references.size());
    EXPECT_EQ(simwin::ReferenceKind::Component, filter.references[1].kind);
    EXPECT_EQ(3u, filter.references[1].component);
    EXPECT_EQ(L"Corvel Packet Lab 3", filter.references[2].displayName);
    EXPECT_EQ("component ms_tcpip", simwin::DescribeReference(store, filter.references[1]));
}

struct RefusedCase {
    std::string text;
    std::string problem;  // the message after "<store>:"
};

TEST_F(StoreFormatTest, Version2RefusesWhatItCannotHold) {
    const std::string head = std::string(kVersion2) + kAdapter + kFilter;
    const RefusedCase cases[] = {
        {std::string(kVersion2) + "component\t1\tnet\tpci\\ven_1\tCard\tnet1.inf\tnone\n",
         "2: a component record has 9 fields, found 7"},
        {std::string(kVersion2) + "component\t1\tnet\tx\tX\tx.inf\tNDIS5\tethernet\t-\n",
         "2: interface names are '-' or lower-case names joined by commas"},
        {std::string(kVersion2) + "component\t1\tnet\tx\tX\tx.inf\tndis5\tAtm\t-\n",
         "2: interface names are '-' or lower-case names joined by commas"},
        {std::string(kVersion2) + "component\t1\tnet\tx\tX\tx.inf\tndis5,\tethernet\t-\n",
         "2: interface names are '-' or lower-case names joined by commas"},
        {head + "reference\t4\tuser\n", "4: a reference names a component not listed before it"},
        {head + "reference\t1\tuser\n", "4: an adapter has no references"},
        {head + "reference\t2\tuser\nreference\t2\tuser\n", "5: the same reference appears twice"},
        {head + "reference\t2\tsoftware\tCorvel\tLab\tA\nreference\t2\tsoftware\tCORVEL\tlab\tB\n",
         "5: the same reference appears twice"},
        {head + "reference\t2\tcomponent\t2\n",
         "4: a component reference names no other component listed before it"},
        {head + "reference\t2\tsoftware\t\tLab\tA\n",
         "4: expected 'user', 'component INSTANCE' or 'software MANUFACTURER PRODUCT DISPLAY "
         "NAME' after the instance"},
        {head + "binding\t2\t1\tenabled\nreference\t2\tuser\n",
         "5: a reference record after the bindings"},
        {head + "reference\t2\tuser\n" + kProtocol, "5: a component record after the references"},
        // The filter lists ethernet; a token ring adapter is none of its media.
        {std::string(kVersion2) +
             "component\t1\tnet\tpci\\ven_2\tRing\tnet2.inf\tndis5\ttokenring\t-\n" + kFilter +
             "binding\t2\t1\tenabled\n",
         "4: a binding must lead to an adapter whose interfaces meet its upper component's"},
        {std::string("simwin-netcfg-store\t1\n") +
             "component\t1\tnetservice\tx\tX\tx.inf\tbinds\nreference\t1\tuser\n",
         "3: unknown record 'reference'"},
    };
    for (const RefusedCase& testCase : cases) {
        SCOPED_TRACE(testCase.problem);
        simwin::NetCfgStore store;
        std::string error;
        EXPECT_EQ(simwin::StoreReadResult::Corrupt, Read(testCase.text, &store, &error));
        EXPECT_EQ(StorePath() + ":" + testCase.problem, error);
    }
}

// A store written before components kept their interfaces: its components stand for what that
// version implied, its paths stay, and the next whole write is a version 2 store.
TEST_F(StoreFormatTest, Version1StoreIsReadAsTheInterfacesItImpliedAndRewrittenAsVersion2) {
    WriteFile(StorePath(),
              "simwin-netcfg-store\t1\n"
              "component\t1\tnet\tpci\\ven_1\tCard\tnet1.inf\tnone\n"
              "component\t2\tnettrans\tms_tcpip\tIPv4\tnettcpip.inf\tbinds\n"
              "component\t3\tnetservice\tquorix_ndislwf\tSwitch\toem1.inf\tbinds\n"
              "component\t4\tnetservice\tms_server\tServer\tnetserv.inf\tnone\n"
              "binding\t2\t1\tenabled\nbinding\t3\t1\tdisabled\n"
              "applied\t3\t1\tenabled\n");
    simwin::NetCfgStore store;
    std::string error;
    ASSERT_EQ(simwin::StoreReadResult::Ok, simwin::ReadNetCfgStore(StorePath(), &store, &error))
        << error;
    EXPECT_EQ(simwin::ImpliedInterfaces(simwin::ComponentClass::Net, false),
              store.components.at(1).interfaces);
    EXPECT_EQ(std::vector<std::wstring>{L"ndis5"}, store.components.at(2).interfaces.lowerRange);
    EXPECT_EQ(std::vector<std::wstring>{L"ethernet"},
              store.components.at(3).interfaces.filterMediaTypes);
    EXPECT_EQ(simwin::BindingInterfaces{}, store.components.at(4).interfaces);
    EXPECT_TRUE(store.components.at(3).references.empty());
    EXPECT_TRUE(store.bindings.at({3, 1}));

    // Removing the switch (on behalf of the user, though no token holds it) rewrites the store.
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgComponent> filter;
    ASSERT_EQ(S_OK, netCfg->FindComponent(L"quorix_ndislwf", filter.Put()));
    ComPtr<INetCfgClassSetup> setup;
    ASSERT_EQ(S_OK, netCfg->QueryNetCfgClass(&GUID_DEVCLASS_NETSERVICE, IID_INetCfgClassSetup,
                                             setup.PutVoid()));
    OBO_TOKEN user{};
    user.Type = OBO_USER;
    ASSERT_EQ(S_OK, setup->DeInstall(filter.Get(), &user, nullptr));
    ASSERT_EQ(S_OK, netCfg->Apply());
    Close(netCfg.Get(), true);
    EXPECT_EQ(
        "simwin-netcfg-store\t2\n"
        "component\t1\tnet\tpci\\ven_1\tCard\tnet1.inf\tndis5\tethernet\t-\n"
        "component\t2\tnettrans\tms_tcpip\tIPv4\tnettcpip.inf\t-\tndis5\t-\n"
        "component\t4\tnetservice\tms_server\tServer\tnetserv.inf\t-\t-\t-\n"
        "binding\t2\t1\tenabled\n",
        ReadFile(StorePath()));
}

}  // namespace
}  // namespace netcfgtest
