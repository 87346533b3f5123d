// The COM runtime: per-thread initialisation counting, object creation and the task allocator.
#include "support/temp_machine.h"

#include <netcfgx.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <thread>

namespace {

using testsupport::TempMachine;

int ComDepth() {
    return simwin::CurrentLedger().comDepth;
}

TEST(CoInitializeExTest, CountsLevelsPerThreadAndRefusesAnotherMode) {
    ASSERT_EQ(ComDepth(), 0);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    // Each nested call in the same mode answers S_FALSE and still adds a level.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE), S_FALSE);
    EXPECT_EQ(ComDepth(), 2);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
    EXPECT_EQ(ComDepth(), 2) << "a refused call adds no level";

    // Another thread has an apartment of its own.
    HRESULT otherThread = E_FAIL;
    int otherDepth = -1;
    std::thread([&] {
        otherThread = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        otherDepth = ComDepth();
        CoUninitialize();
    }).join();
    EXPECT_EQ(otherThread, S_OK);
    EXPECT_EQ(otherDepth, 1);

    CoUninitialize();
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_FALSE);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(ComDepth(), 0);
    CoUninitialize();  // unbalanced: does nothing
    EXPECT_EQ(ComDepth(), 0);
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK) << "the apartment is gone";
    CoUninitialize();
}

TEST(CoInitializeExTest, FaultRulesDecideTheResultAndSuccessStillCounts) {
    struct Case {
        const char* name;
        HRESULT result;
        int depthAfter;
    };
    const Case cases[] = {
        {"S_FALSE still initialises", S_FALSE, 1},
        {"a failure does not", E_OUTOFMEMORY, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        simwin::ClearFaultRules();
        simwin::AddFaultRule({"CoInitializeEx", c.result, simwin::FaultWhen::Nth, 1, {}, {}});
        EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), c.result);
        EXPECT_EQ(ComDepth(), c.depthAfter);
        if (c.depthAfter > 0) {
            CoUninitialize();
        }
    }
    simwin::ClearFaultRules();
    EXPECT_EQ(ComDepth(), 0);
}

TEST(CoCreateInstanceTest, CreatesTheNetworkConfigurationOnlyUnderCom) {
    TempMachine machine;
    void* object = &machine;  // must be cleared on failure
    EXPECT_EQ(CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg, &object),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);

    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    EXPECT_EQ(CoCreateInstance(IID_INetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg, &object),
              REGDB_E_CLASSNOTREG)
        << "an unknown class";
    EXPECT_EQ(
        CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfgLock, &object),
        S_OK);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(simwin::CurrentLedger().references.at("INetCfg"), 1);
    static_cast<INetCfgLock*>(object)->Release();
    CoUninitialize();
    EXPECT_TRUE(simwin::CurrentLedger().Clean()) << simwin::Describe(simwin::CurrentLedger());
}

// A release made after the thread's last CoUninitialize is a fault the ledger keeps: on Windows
// it may call into code that COM has unloaded. Each case runs on a thread of its own, whose
// ledger starts clean.
TEST(LedgerTest, CountsReleasesAfterComIsUninitialised) {
    TempMachine machine;
    const struct {
        const char* name;
        bool releaseFirst;  // release the object before CoUninitialize
        long outsideCom;    // releases and destructions counted outside COM
    } cases[] = {
        {"released under COM", true, 0},
        {"released after CoUninitialize", false, 2},  // the Release and the destruction
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        simwin::Ledger ledger;
        std::thread([&] {
            ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
            INetCfg* netCfg = nullptr;
            ASSERT_EQ(CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfg,
                                       reinterpret_cast<void**>(&netCfg)),
                      S_OK);
            netCfg->AddRef();
            netCfg->Release();  // under COM: never counted
            if (c.releaseFirst) {
                netCfg->Release();
            }
            CoUninitialize();
            if (!c.releaseFirst) {
                netCfg->Release();
            }
            ledger = simwin::CurrentLedger();
        }).join();
        EXPECT_EQ(ledger.releasesOutsideCom, c.outsideCom);
        EXPECT_EQ(ledger.Clean(), c.outsideCom == 0) << simwin::Describe(ledger);
    }
    EXPECT_EQ(simwin::CurrentLedger().releasesOutsideCom, 0) << "counted per thread";
}

TEST(CoTaskMemTest, BlocksAreCountedUntilFreed) {
    const long before = simwin::CurrentLedger().cotaskmemBlocks;
    void* first = CoTaskMemAlloc(16);
    void* second = CoTaskMemAlloc(0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(simwin::CurrentLedger().cotaskmemBlocks, before + 2);
    CoTaskMemFree(first);
    CoTaskMemFree(nullptr);  // allowed, and nothing to count
    EXPECT_EQ(simwin::CurrentLedger().cotaskmemBlocks, before + 1);
    CoTaskMemFree(second);
    EXPECT_EQ(simwin::CurrentLedger().cotaskmemBlocks, before);
}

TEST(CoTaskMemDeathTest, FreeingMemoryTheAllocatorNeverGaveOutStops) {
    alignas(16) static unsigned char notABlock[64] = {};
    EXPECT_DEATH(CoTaskMemFree(notABlock + 32), "");
}

}  // namespace
