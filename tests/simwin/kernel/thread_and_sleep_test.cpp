#include "support/fault_rules.h"

#include <simwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

TEST(LastErrorTest, IsKeptPerThread) {
    SetLastError(5);
    DWORD seenInThread = 0;
    DWORD initialInThread = 99;
    std::thread other([&] {
        initialInThread = GetLastError();
        SetLastError(7);
        seenInThread = GetLastError();
    });
    other.join();
    EXPECT_EQ(initialInThread, 0u);
    EXPECT_EQ(seenInThread, 7u);
    EXPECT_EQ(GetLastError(), 5u);
}

TEST(LastErrorTest, IsJournalledAndARuleChangesOnlyTheValueRead) {
    simwin::ClearFaultRules();
    simwin::ClearJournal();
    SetLastError(3);
    testsupport::AddFault("GetLastError 1223 nth 1");
    EXPECT_EQ(GetLastError(), 1223u);
    EXPECT_EQ(GetLastError(), 3u);
    simwin::ClearFaultRules();
    EXPECT_EQ(simwin::JournalEntries(),
              (std::vector<std::string>{"GetLastError -> 1223", "GetLastError -> 3"}));
}

double SecondsTaken(DWORD milliseconds) {
    const auto start = std::chrono::steady_clock::now();
    Sleep(milliseconds);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST(SleepTest, WaitsUnlessARuleSkipsTheWait) {
    simwin::ClearFaultRules();
    simwin::ClearJournal();
    EXPECT_GE(SecondsTaken(50), 0.05);
    testsupport::AddFault("Sleep 0");
    // Well short of the wait's 5 s, however late a busy machine runs this thread.
    EXPECT_LT(SecondsTaken(5000), 4.0);
    simwin::ClearFaultRules();
    EXPECT_EQ(simwin::JournalEntries(),
              (std::vector<std::string>{"Sleep 50 -> waited", "Sleep 5000 -> skipped"}));
}

}  // namespace
