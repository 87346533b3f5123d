// Binding changes appended to the store: what Apply writes for them, how readers take appended
// and unfinished lines, and when the store is written whole again.
#include "machine/netcfg_store.h"
#include "../netcfg/netcfg_client.h"

namespace netcfgtest {
namespace {

class StoreAppendTest : public NetCfgTest {
protected:
    // The n-th binding path (from 0) below a component, in enumeration order, into *path.
    static void PathBelow(INetCfg* netCfg, const wchar_t* id, int n,
                          ComPtr<INetCfgBindingPath>* path) {
        ComPtr<INetCfgComponent> component;
        ComPtr<IEnumNetCfgBindingPath> paths;
        EXPECT_EQ(S_OK, netCfg->FindComponent(id, component.Put()));
        EXPECT_EQ(S_OK, EnumBindingPathsOf(component.Get(), EBP_BELOW, &paths));
        for (int i = 0; i <= n; ++i) {
            EXPECT_EQ(S_OK, paths->Next(1, path->Put(), nullptr));
        }
    }

    // The store's text in its compact form, as a whole write gives it.
    std::string CompactText() const {
        simwin::NetCfgStore store;
        std::string error;
        EXPECT_EQ(simwin::StoreReadResult::Ok, simwin::ReadNetCfgStore(StorePath(), &store, &error))
            << error;
        return simwin::FormatNetCfgStore(store);
    }
};

TEST_F(StoreAppendTest, BindingChangesAreAppendedOneLineAnApplyAndComponentChangesRewrite) {
    const std::string fresh = ReadFile(StorePath());
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgBindingPath> ipv6ToIntel;
    PathBelow(netCfg.Get(), L"ms_tcpip6", 0, &ipv6ToIntel);
    ComPtr<INetCfgBindingPath> ipv6ToRealtek;
    PathBelow(netCfg.Get(), L"ms_tcpip6", 1, &ipv6ToRealtek);

    ASSERT_EQ(S_OK, ipv6ToIntel->Enable(FALSE));
    ASSERT_EQ(S_OK, netCfg->Apply());
    EXPECT_EQ(fresh + "applied\t4\t1\tdisabled\n", ReadFile(StorePath()));

    // Two changes in one Apply make one line; a path set back before Apply adds nothing.
    ASSERT_EQ(S_OK, ipv6ToIntel->Enable(TRUE));
    ASSERT_EQ(S_OK, ipv6ToRealtek->Enable(FALSE));
    ASSERT_EQ(S_OK, netCfg->Apply());
    ASSERT_EQ(S_OK, ipv6ToRealtek->Enable(TRUE));
    ASSERT_EQ(S_OK, ipv6ToRealtek->Enable(FALSE));
    ASSERT_EQ(S_OK, netCfg->Apply());
    EXPECT_EQ(fresh + "applied\t4\t1\tdisabled\n" + "applied\t4\t1\tenabled\t4\t2\tdisabled\n",
              ReadFile(StorePath()));
    EXPECT_EQ((std::vector<std::string>{"ms_tcpip->pci\\ven_8086&dev_100e enabled",
                                        "ms_tcpip->pci\\ven_10ec&dev_8139 enabled",
                                        "ms_tcpip6->pci\\ven_8086&dev_100e enabled",
                                        "ms_tcpip6->pci\\ven_10ec&dev_8139 disabled",
                                        "ms_pacer->pci\\ven_8086&dev_100e enabled",
                                        "ms_pacer->pci\\ven_10ec&dev_8139 enabled"}),
              DiskBindings());

    // A new component rewrites the store whole, with the appended states folded in.
    CopyInf("quorixvmini60.inf");
    ComPtr<INetCfgComponent> adapter;
    ASSERT_EQ(S_OK, Install(netCfg.Get(), GUID_DEVCLASS_NET, kAdapterId, &adapter));
    ASSERT_EQ(S_OK, netCfg->Apply());
    const std::string rewritten = ReadFile(StorePath());
    EXPECT_EQ(std::string::npos, rewritten.find("applied"));
    EXPECT_NE(std::string::npos, rewritten.find("binding\t4\t2\tdisabled\n"));
    EXPECT_EQ(CompactText(), rewritten);
    Close(netCfg.Get(), true);
}

TEST_F(StoreAppendTest, UnfinishedAppliedLineIsLeftOutAndTheNextApplyWritesWhole) {
    const std::string fresh = ReadFile(StorePath());
    for (const std::string unfinished : {"a", "applied", "applied\t4\t2\tdis"}) {
        SCOPED_TRACE(unfinished);
        WriteFile(StorePath(), fresh + "applied\t4\t1\tdisabled\n" + unfinished);
        EXPECT_EQ((std::vector<std::string>{"ms_tcpip->pci\\ven_8086&dev_100e enabled",
                                            "ms_tcpip->pci\\ven_10ec&dev_8139 enabled",
                                            "ms_tcpip6->pci\\ven_8086&dev_100e disabled",
                                            "ms_tcpip6->pci\\ven_10ec&dev_8139 enabled",
                                            "ms_pacer->pci\\ven_8086&dev_100e enabled",
                                            "ms_pacer->pci\\ven_10ec&dev_8139 enabled"}),
                  DiskBindings());

        ComPtr<INetCfg> netCfg;
        Open(true, &netCfg);
        ComPtr<INetCfgBindingPath> pacerToRealtek;
        PathBelow(netCfg.Get(), L"ms_pacer", 1, &pacerToRealtek);
        ASSERT_EQ(S_OK, pacerToRealtek->Enable(FALSE));
        ASSERT_EQ(S_OK, netCfg->Apply());
        const std::string mended = ReadFile(StorePath());
        EXPECT_EQ(CompactText(), mended);
        EXPECT_NE(std::string::npos, mended.find("binding\t4\t1\tdisabled\n"));
        EXPECT_NE(std::string::npos, mended.find("binding\t5\t2\tdisabled\n"));
        Close(netCfg.Get(), true);
    }
}

TEST_F(StoreAppendTest, AppendedLinesNeverOutgrowTheRestOfTheStore) {
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgBindingPath> path;
    PathBelow(netCfg.Get(), L"ms_tcpip", 0, &path);
    int appends = 0;
    int wholeWrites = 0;
    for (int round = 0; round < 200; ++round) {
        const std::string before = ReadFile(StorePath());
        const bool enable = round % 2 != 0;
        ASSERT_EQ(S_OK, path->Enable(enable ? TRUE : FALSE));
        ASSERT_EQ(S_OK, netCfg->Apply());
        const std::string text = ReadFile(StorePath());
        const std::string compact = CompactText();
        ASSERT_LE(text.size(), 2 * compact.size());
        if (text == compact) {
            ++wholeWrites;
        } else {
            ASSERT_EQ(before + (enable ? "applied\t3\t1\tenabled\n" : "applied\t3\t1\tdisabled\n"),
                      text);
            ++appends;
        }
    }
    EXPECT_GT(appends, 150);
    EXPECT_GT(wholeWrites, 0);
    Close(netCfg.Get(), true);
    EXPECT_EQ(std::vector<std::string>(1, "ms_tcpip->pci\\ven_8086&dev_100e enabled"),
              std::vector<std::string>(1, DiskBindings()[0]));
}

struct CorruptAppliedCase {
    std::string lines;    // after the fresh store
    std::string problem;  // the message after "<store>:"
};

TEST_F(StoreAppendTest, CorruptAppliedRecordsAreNamedByLine) {
    const std::string fresh = ReadFile(StorePath());
    const CorruptAppliedCase cases[] = {
        {"applied\t4\t1\n", "13: an applied record has 3 fields for each binding, found 2"},
        {"applied\n", "13: an applied record has 3 fields for each binding, found 0"},
        {"applied\t4\tx\tenabled\n", "13: bad instance number in an applied record"},
        {"applied\t1\t4\tenabled\n", "13: an applied record names a binding not listed before it"},
        {"applied\t4\t1\ton\n", "13: expected 'enabled' or 'disabled', found 'on'"},
        {"applied\t4\t1\tenabled\nbinding\t4\t1\tenabled\n",
         "14: a binding record after an applied record"},
        {"applied\t4\t1\tenabled\nbinding\t4\t1\tenabled",
         "14: line not ended (the file was cut short)"},
    };
    for (const CorruptAppliedCase& testCase : cases) {
        SCOPED_TRACE(testCase.problem);
        WriteFile(StorePath(), fresh + testCase.lines);
        simwin::NetCfgStore store;
        std::string error;
        EXPECT_EQ(simwin::StoreReadResult::Corrupt,
                  simwin::ReadNetCfgStore(StorePath(), &store, &error));
        EXPECT_EQ(StorePath() + ":" + testCase.problem, error);
    }
}

}  // namespace
}  // namespace netcfgtest
