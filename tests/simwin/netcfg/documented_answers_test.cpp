// Answers Microsoft's documentation of the INetCfg family gives, each test stating its rule and
// its source: the write lock's refusals, what IsWriteLocked reports, the optional out-parameters,
// and which paths EnumBindingPaths gives.
#include "netcfg_client.h"

#include <simwin/testing.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdint>

namespace netcfgtest {
namespace {

// Leaves CAP_NET_ADMIN out of the effective set of the calling process (a forked child): it is
// then no administrator, as the security area decides it.
bool DropNetAdmin() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    data[0].effective &= ~(1u << CAP_NET_ADMIN);
    return ::syscall(SYS_capset, &header, data) == 0;
}

class DocumentedAnswersTest : public NetCfgTest {};

// INetCfgLock::AcquireWriteLock: "If the current user is not an administrator of the local
// computer, calls to AcquireWriteLock return E_ACCESSDENIED" (Wine's netcfgx test accepts the
// same answer when not run as administrator).
TEST_F(DocumentedAnswersTest, AcquireWriteLockRefusesACallerWithoutAdministratorRights) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs a privileged (root) test process";
    }
    EXPECT_EXIT(
        {
            if (!DropNetAdmin()) {
                ::_exit(100);
            }
            INetCfgLock* lock = nullptr;
            LPWSTR holder = nullptr;
            if (CoCreateInstance(CLSID_CNetCfg, nullptr, CLSCTX_INPROC_SERVER, IID_INetCfgLock,
                                 reinterpret_cast<void**>(&lock)) != S_OK) {
                ::_exit(101);
            }
            const HRESULT hr = lock->AcquireWriteLock(0, L"no admin", &holder);
            ::_exit(hr == E_ACCESSDENIED && holder == nullptr ? 0 : 102);
        },
        ::testing::ExitedWithCode(0), "");
    // With the right, the same call is granted.
    ComPtr<INetCfgLock> lock;
    NewLock(&lock);
    ExpectGrantedAtOnce(lock.Get(), L"admin");
}

// INetCfgLock::AcquireWriteLock: NETCFG_E_NEED_REBOOT, "A system reboot is required before the
// lock can be granted"; the machine's pending reboot is what netcfg-sim reboot --pending sets.
TEST_F(DocumentedAnswersTest, APendingRebootRefusesTheLockUntilTheMachineRebooted) {
    testsupport::WriteFile(machine_.root() + "/reboot-pending", "");
    ComPtr<INetCfgLock> lock;
    NewLock(&lock);
    TaskText holder;
    EXPECT_EQ(NETCFG_E_NEED_REBOOT, lock->AcquireWriteLock(0, L"after reboot", holder.Put()));
    EXPECT_TRUE(holder.null());
    EXPECT_EQ(0, simwin::CurrentLedger().writeLocksHeld);
    ASSERT_EQ(0, ::unlink((machine_.root() + "/reboot-pending").c_str()));
    ExpectGrantedAtOnce(lock.Get(), L"after reboot");
}

// INetCfgLock::IsWriteLocked: S_OK "indicating that the operating system granted the lock to
// another client" (and its description), else S_FALSE: the caller's own lock is not another's.
TEST_F(DocumentedAnswersTest, IsWriteLockedReportsOnlyAnotherClientsLock) {
    ComPtr<INetCfgLock> mine;
    ComPtr<INetCfgLock> other;
    NewLock(&mine, &other);
    TaskText holder;
    EXPECT_EQ(S_FALSE, mine->IsWriteLocked(holder.Put()));
    ASSERT_EQ(S_OK, mine->AcquireWriteLock(0, L"mine", holder.Put()));
    EXPECT_EQ(S_FALSE, mine->IsWriteLocked(holder.Put()));
    EXPECT_TRUE(holder.null());
    EXPECT_EQ(S_OK, other->IsWriteLocked(holder.Put()));
    EXPECT_EQ(L"mine", holder.str());
    EXPECT_EQ(S_OK, other->IsWriteLocked(nullptr));
    EXPECT_EQ(S_OK, mine->ReleaseWriteLock());
    EXPECT_EQ(S_FALSE, other->IsWriteLocked(holder.Put()));
}

struct OptionalOutCase {
    const char* rule;  // the method and its documented answer
    HRESULT expected;
    std::function<HRESULT(INetCfg*)> call;
};

// The out-parameters Microsoft marks [out, optional] may be null: the call answers as it would
// with them (INetCfg::FindComponent and INetCfgClass::FindComponent "S_FALSE if the component was
// not found", INetCfg::EnumComponents, INetCfgClass::EnumComponents, INetCfg::QueryNetCfgClass,
// INetCfgComponentBindings::EnumBindingPaths).
TEST_F(DocumentedAnswersTest, OptionalOutParametersMayBeNull) {
    ComPtr<INetCfg> netCfg;
    Open(false, &netCfg);
    ComPtr<INetCfgComponent> ipv4;
    ASSERT_EQ(S_OK, netCfg->FindComponent(L"ms_tcpip", ipv4.Put()));
    ComPtr<INetCfgComponentBindings> bindings;
    ASSERT_EQ(S_OK, ipv4->QueryInterface(IID_INetCfgComponentBindings, bindings.PutVoid()));
    ComPtr<INetCfgClass> transports;
    ASSERT_EQ(S_OK, netCfg->QueryNetCfgClass(&GUID_DEVCLASS_NETTRANS, IID_INetCfgClass,
                                             transports.PutVoid()));
    const GUID unknownClass = IID_INetCfg;
    const OptionalOutCase cases[] = {
        {"INetCfg::FindComponent, found", S_OK,
         [](INetCfg* n) { return n->FindComponent(L"MS_TCPIP6", nullptr); }},
        {"INetCfg::FindComponent, not found", S_FALSE,
         [](INetCfg* n) { return n->FindComponent(L"ms_tcpip7", nullptr); }},
        {"INetCfgClass::FindComponent, not of the class", S_FALSE,
         [&](INetCfg*) { return transports->FindComponent(L"ms_pacer", nullptr); }},
        {"INetCfgClass::EnumComponents", S_OK,
         [&](INetCfg*) { return transports->EnumComponents(nullptr); }},
        {"INetCfg::EnumComponents", S_OK,
         [](INetCfg* n) { return n->EnumComponents(&GUID_DEVCLASS_NET, nullptr); }},
        {"INetCfg::EnumComponents, unknown class", E_INVALIDARG,
         [&](INetCfg* n) { return n->EnumComponents(&unknownClass, nullptr); }},
        {"INetCfg::QueryNetCfgClass", S_OK,
         [](INetCfg* n) {
             return n->QueryNetCfgClass(&GUID_DEVCLASS_NET, IID_INetCfgClassSetup, nullptr);
         }},
        {"INetCfg::QueryNetCfgClass, an interface the class lacks", E_NOINTERFACE,
         [](INetCfg* n) {
             return n->QueryNetCfgClass(&GUID_DEVCLASS_NET, IID_INetCfgLock, nullptr);
         }},
        {"INetCfgComponentBindings::EnumBindingPaths", S_OK,
         [&](INetCfg*) { return bindings->EnumBindingPaths(EBP_ABOVE, nullptr); }},
        {"INetCfgComponentBindings::EnumBindingPaths, unknown flags", E_INVALIDARG,
         [&](INetCfg*) { return bindings->EnumBindingPaths(0x4, nullptr); }},
    };
    for (const OptionalOutCase& c : cases) {
        SCOPED_TRACE(c.rule);
        EXPECT_EQ(c.expected, c.call(netCfg.Get()));
    }
    Close(netCfg.Get(), false);
}

// INetCfgComponentBindings::EnumBindingPaths: EBP_ABOVE gives the paths that "contain a network
// component. Each path can either start at the component or contain the component somewhere
// within the path"; EBP_BELOW those that "start at a network component".
TEST_F(DocumentedAnswersTest, EnumBindingPathsAboveGivesEveryPathThatContainsTheComponent) {
    ComPtr<INetCfg> netCfg;
    Open(false, &netCfg);
    const auto paths = [&](const wchar_t* id, DWORD flags) {
        std::vector<std::wstring> found;
        ComPtr<INetCfgComponent> component;
        ComPtr<IEnumNetCfgBindingPath> enumerator;
        EXPECT_EQ(S_OK, netCfg->FindComponent(id, component.Put()));
        EXPECT_EQ(S_OK, EnumBindingPathsOf(component.Get(), flags, &enumerator));
        ComPtr<INetCfgBindingPath> path;
        while (enumerator->Next(1, path.Put(), nullptr) == S_OK) {
            ComPtr<INetCfgComponent> owner;
            TaskText ownerId;
            EXPECT_EQ(S_OK, path->GetOwner(owner.Put()));
            EXPECT_EQ(S_OK, owner->GetId(ownerId.Put()));
            found.push_back(ownerId.str());
        }
        return found;
    };
    // A protocol's paths start at it: they contain it, so both flags give them.
    const std::vector<std::wstring> ipv4Paths = {L"ms_tcpip", L"ms_tcpip"};
    EXPECT_EQ(ipv4Paths, paths(L"ms_tcpip", EBP_BELOW));
    EXPECT_EQ(ipv4Paths, paths(L"ms_tcpip", EBP_ABOVE));
    // An adapter starts no path; it is at the end of each protocol's and filter's path to it.
    EXPECT_TRUE(paths(L"pci\\ven_8086&dev_100e", EBP_BELOW).empty());
    EXPECT_EQ((std::vector<std::wstring>{L"ms_tcpip", L"ms_tcpip6", L"ms_pacer"}),
              paths(L"pci\\ven_8086&dev_100e", EBP_ABOVE));
    Close(netCfg.Get(), false);
}

}  // namespace
}  // namespace netcfgtest
