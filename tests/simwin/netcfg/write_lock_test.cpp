// The machine-wide write lock: between objects of one process, between processes, and after
// the death of its holder.
#include "netcfg_client.h"

#include <simwin/testing.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

namespace netcfgtest {
namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// "netcfg-sim lock" in a child process, started and waited for until it says it holds the lock.
class LockHolder {
public:
    LockHolder(const std::string& description, int seconds) {
        int output[2];
        EXPECT_EQ(0, ::pipe(output));
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(output[1], STDOUT_FILENO);
            ::close(output[0]);
            ::close(output[1]);
            const std::string hold = std::to_string(seconds);
            ::execl(NETCFG_SIM_EXE, "netcfg-sim", "lock", "--hold", hold.c_str(), "--as",
                    description.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(output[1]);
        std::FILE* stream = ::fdopen(output[0], "r");
        char line[256] = {};
        held_ = std::fgets(line, sizeof line, stream) != nullptr;
        line_ = line;
        std::fclose(stream);
    }
    ~LockHolder() { Kill(); }

    bool held() const { return held_; }
    const std::string& line() const { return line_; }
    void Kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

private:
    pid_t pid_ = -1;
    bool held_ = false;
    std::string line_;
};

class WriteLockTest : public NetCfgTest {};

TEST_F(WriteLockTest, AnotherProcessIsRefusedAfterItsWaitWithTheHoldersDescription) {
    LockHolder holder("Other Installer 7", 30);
    ASSERT_TRUE(holder.held());
    EXPECT_EQ("holding the write lock as \"Other Installer 7\"\n", holder.line());

    ComPtr<INetCfgLock> lock;
    NewLock(&lock);
    TaskText description;
    const auto start = Clock::now();
    EXPECT_EQ(S_FALSE, lock->AcquireWriteLock(300, L"TANDREL QUORIX Hal", description.Put()));
    const long waited = MillisecondsSince(start);
    EXPECT_GE(waited, 300);
    // The wait ends at its timeout, long before the holder's 30 s, with room for a machine busy
    // enough to wake the waiter late: an upper bound close to the 300 ms would fail now and then.
    EXPECT_LT(waited, 2300);
    EXPECT_EQ(L"Other Installer 7", description.str());

    TaskText current;
    EXPECT_EQ(S_OK, lock->IsWriteLocked(current.Put()));
    EXPECT_EQ(L"Other Installer 7", current.str());
    EXPECT_EQ(L"Other Installer 7", machine_.State().lockHolder);

    // The holder dies without giving the lock back: the kernel frees it at once.
    holder.Kill();
    const auto afterDeath = Clock::now();
    EXPECT_EQ(S_OK, lock->AcquireWriteLock(0, L"TANDREL QUORIX Hal", description.Put()));
    EXPECT_LT(MillisecondsSince(afterDeath), 2000);
    EXPECT_TRUE(description.null());
    EXPECT_EQ(S_OK, lock->ReleaseWriteLock());
    EXPECT_EQ(S_FALSE, lock->IsWriteLocked(current.Put()));
    EXPECT_TRUE(current.null());
}

TEST_F(WriteLockTest, TwoObjectsOfOneProcessExcludeEachOther) {
    ComPtr<INetCfgLock> first;
    ComPtr<INetCfgLock> second;
    NewLock(&first, &second);
    TaskText holder;
    ASSERT_EQ(S_OK, first->AcquireWriteLock(0, L"first", holder.Put()));
    EXPECT_EQ(1, simwin::CurrentLedger().writeLocksHeld);
    EXPECT_EQ(S_FALSE, second->AcquireWriteLock(20, L"second", holder.Put()));
    EXPECT_EQ(L"first", holder.str());
    EXPECT_EQ("INetCfgLock::AcquireWriteLock 20 \"second\" -> 0x00000001",
              simwin::JournalEntries().back());

    // A waiter gets the lock once the holder lets it go, and not before.
    Clock::time_point releasing;
    std::thread releaser([&first, &releasing] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        releasing = Clock::now();
        first->ReleaseWriteLock();
    });
    EXPECT_EQ(S_OK, second->AcquireWriteLock(5000, L"second", holder.Put()));
    const auto acquired = Clock::now();
    releaser.join();
    EXPECT_GE(acquired, releasing);
    // Far below the 5000 ms it would wait without noticing the release, with room for a
    // machine busy enough to wake the waiter late.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(acquired - releasing).count(),
              1000);
    EXPECT_TRUE(holder.null());

    // The final Release gives the lock back too.
    second.Reset();
    EXPECT_EQ(0, simwin::CurrentLedger().writeLocksHeld);
    ExpectGrantedAtOnce(first.Get(), L"first");
}

// Only a refusal writes the holder's variable: a granted lock or a refusal for another reason
// leaves whatever the caller had in it.
TEST_F(WriteLockTest, HolderVariableIsWrittenOnlyWhenRefused) {
    ComPtr<INetCfgLock> first;
    ComPtr<INetCfgLock> second;
    NewLock(&first, &second);
    wchar_t callersText[] = L"caller's own";
    LPWSTR holder = callersText;
    ASSERT_EQ(S_OK, first->AcquireWriteLock(0, L"first", &holder));
    EXPECT_EQ(callersText, holder);

    ComPtr<INetCfg> initialized;
    Open(false, &initialized);
    ComPtr<INetCfgLock> late;
    ASSERT_EQ(S_OK, initialized->QueryInterface(IID_INetCfgLock, late.PutVoid()));
    EXPECT_EQ(NETCFG_E_ALREADY_INITIALIZED, late->AcquireWriteLock(0, L"late", &holder));
    EXPECT_EQ(callersText, holder);
    Close(initialized.Get(), false);

    EXPECT_EQ(S_FALSE, second->AcquireWriteLock(0, L"second", &holder));
    ASSERT_NE(callersText, holder);
    ASSERT_NE(nullptr, holder);
    EXPECT_EQ(std::wstring(L"first"), holder);
    CoTaskMemFree(holder);
    EXPECT_EQ(S_OK, first->ReleaseWriteLock());
}

TEST_F(WriteLockTest, LockIsHeldUntilUninitialize) {
    ComPtr<INetCfg> netCfg;
    Open(true, &netCfg);
    ComPtr<INetCfgLock> lock;
    ASSERT_EQ(S_OK, netCfg->QueryInterface(IID_INetCfgLock, lock.PutVoid()));
    EXPECT_EQ(NETCFG_E_ALREADY_INITIALIZED, lock->ReleaseWriteLock());
    ComPtr<INetCfgLock> other;
    NewLock(&other);
    TaskText holder;
    EXPECT_EQ(S_FALSE, other->AcquireWriteLock(0, L"other", holder.Put()));
    EXPECT_EQ(L"netcfg tests", holder.str());
    Close(netCfg.Get(), true);
    ExpectGrantedAtOnce(other.Get(), L"other");
}

}  // namespace
}  // namespace netcfgtest
