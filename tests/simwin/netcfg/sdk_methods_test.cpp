// The methods of the SDK's interfaces beyond what the configuration models: those it does not
// model answer E_NOTIMPL, clear their out-parameters and are journalled like every other call, so
// that a call nobody expected shows; the few it does model answer from the configuration.
#include "netcfg_client.h"

#include <simwin/testing.h>

#include <cstdint>
#include <functional>

namespace netcfgtest {
namespace {

constexpr wchar_t kTcpIpId[] = L"ms_tcpip";
constexpr wchar_t kFirstAdapterId[] = L"pci\\ven_8086&dev_100e";

// One of each object of the family, reached the way a client reaches them: IPv4, its bindings,
// its path to the first adapter and that path's interface, the protocols' class, and the three
// enumerators.
struct Family {
    ComPtr<INetCfgComponent> protocol;
    ComPtr<INetCfgComponent> adapter;
    ComPtr<INetCfgComponentBindings> bindings;
    ComPtr<IEnumNetCfgBindingPath> paths;
    ComPtr<INetCfgBindingPath> path;
    ComPtr<IEnumNetCfgBindingInterface> interfaces;
    ComPtr<INetCfgBindingInterface> bindingInterface;
    ComPtr<INetCfgClassSetup> setup;
    ComPtr<IEnumNetCfgComponent> components;
};

class SdkMethodsTest : public NetCfgTest {
protected:
    // Opens the configuration with the write lock, reaches its family and hands it to check; the
    // configuration is closed once the family is released.
    void WithFamily(const std::function<void(Family&)>& check) {
        ComPtr<INetCfg> netCfg;
        Open(true, &netCfg);
        {
            Family family;
            Reach(netCfg.Get(), &family);
            if (!HasFatalFailure()) {
                check(family);
            }
        }
        Close(netCfg.Get(), true);
    }

private:
    // The family of the configuration netCfg; IPv4's binding paths below it come in adapter order.
    static void Reach(INetCfg* netCfg, Family* family) {
        ASSERT_EQ(S_OK, netCfg->FindComponent(kTcpIpId, family->protocol.Put()));
        ASSERT_EQ(S_OK, netCfg->FindComponent(kFirstAdapterId, family->adapter.Put()));
        ASSERT_EQ(S_OK, family->protocol->QueryInterface(IID_INetCfgComponentBindings,
                                                         family->bindings.PutVoid()));
        ASSERT_EQ(S_OK, family->bindings->EnumBindingPaths(EBP_BELOW, family->paths.Put()));
        ASSERT_EQ(S_OK, family->paths->Next(1, family->path.Put(), nullptr));
        ASSERT_EQ(S_OK, family->path->EnumBindingInterfaces(family->interfaces.Put()));
        ASSERT_EQ(S_OK, family->interfaces->Next(1, family->bindingInterface.Put(), nullptr));
        ASSERT_EQ(S_OK, netCfg->QueryNetCfgClass(&GUID_DEVCLASS_NETTRANS, IID_INetCfgClassSetup,
                                                 family->setup.PutVoid()));
        ASSERT_EQ(S_OK, netCfg->EnumComponents(nullptr, family->components.Put()));
    }
};

// A call's result, and whether it left its out-parameter empty (true for a call without one).
struct Answer {
    HRESULT hr;
    bool outCleared;
};

// Calls call with an out-parameter that holds something already, as a caller's variable may.
template <typename Out, typename Call>
Answer WithOut(Out held, Call call) {
    Out out = held;
    const HRESULT hr = call(&out);
    return {hr, out == Out{}};
}

Answer Without(HRESULT hr) {
    return {hr, true};
}

LPWSTR HeldText() {
    static wchar_t held[] = L"held";
    return held;
}

template <typename T>
T* HeldPointer() {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(0x1000));
}

// A case's call of a method whose one parameter is an out-parameter, on one of the family's
// objects, the out-parameter holding held before the call.
template <typename Object, typename Out>
std::function<Answer(Family&)> OutCall(ComPtr<Object> Family::*object,
                                       HRESULT (STDMETHODCALLTYPE Object::*method)(Out*),
                                       Out held) {
    return [object, method, held](Family& f) {
        return WithOut(held, [&](Out* out) { return ((f.*object).Get()->*method)(out); });
    };
}

struct NotModelledCase {
    const char* journal;  // the one journal line the call makes
    std::function<Answer(Family&)> call;
};

TEST_F(SdkMethodsTest, UnmodelledOnesAnswerNotImplementedAndAreJournalled) {
    const GUID heldGuid = GUID_DEVCLASS_NET;
    const NotModelledCase cases[] = {
        {"INetCfgComponent::SetDisplayName ms_tcpip -> 0x80004001",
         [](Family& f) { return Without(f.protocol->SetDisplayName(L"Renamed")); }},
        {"INetCfgComponent::GetHelpText ms_tcpip -> 0x80004001",
         OutCall(&Family::protocol, &INetCfgComponent::GetHelpText, HeldText())},
        {"INetCfgComponent::GetCharacteristics ms_tcpip -> 0x80004001",
         OutCall(&Family::protocol, &INetCfgComponent::GetCharacteristics, DWORD{NCF_HIDDEN})},
        {"INetCfgComponent::GetInstanceGuid ms_tcpip -> 0x80004001",
         OutCall(&Family::protocol, &INetCfgComponent::GetInstanceGuid, heldGuid)},
        {"INetCfgComponent::GetPnpDevNodeId ms_tcpip -> 0x80004001",
         OutCall(&Family::protocol, &INetCfgComponent::GetPnpDevNodeId, HeldText())},
        {"INetCfgComponent::GetBindName ms_tcpip -> 0x80004001",
         OutCall(&Family::protocol, &INetCfgComponent::GetBindName, HeldText())},
        {"INetCfgComponent::GetDeviceStatus ms_tcpip -> 0x80004001",
         OutCall(&Family::protocol, &INetCfgComponent::GetDeviceStatus, ULONG{7})},
        {"INetCfgComponent::OpenParamKey ms_tcpip -> 0x80004001",
         OutCall(&Family::protocol, &INetCfgComponent::OpenParamKey, HeldPointer<HKEY__>())},
        {"INetCfgComponent::RaisePropertyUi ms_tcpip 1 -> 0x80004001",
         [](Family& f) {
             return Without(f.protocol->RaisePropertyUi(nullptr, NCRP_QUERY_PROPERTY_UI, nullptr));
         }},
        {"INetCfgComponentBindings::BindTo ms_tcpip->pci\\ven_8086&dev_100e -> 0x80004001",
         [](Family& f) { return Without(f.bindings->BindTo(f.adapter.Get())); }},
        {"INetCfgComponentBindings::UnbindFrom ms_tcpip->pci\\ven_8086&dev_100e -> 0x80004001",
         [](Family& f) { return Without(f.bindings->UnbindFrom(f.adapter.Get())); }},
        {"INetCfgComponentBindings::SupportsBindingInterface ms_tcpip 1 \"ndis5\" -> 0x80004001",
         [](Family& f) {
             return Without(f.bindings->SupportsBindingInterface(NCF_LOWER, L"ndis5"));
         }},
        {"INetCfgComponentBindings::IsBoundTo ms_tcpip->pci\\ven_8086&dev_100e -> 0x80004001",
         [](Family& f) { return Without(f.bindings->IsBoundTo(f.adapter.Get())); }},
        {"INetCfgComponentBindings::IsBindableTo ms_tcpip->pci\\ven_8086&dev_100e -> 0x80004001",
         [](Family& f) { return Without(f.bindings->IsBindableTo(f.adapter.Get())); }},
        {"INetCfgComponentBindings::MoveBefore ms_tcpip -> 0x80004001",
         [](Family& f) { return Without(f.bindings->MoveBefore(f.path.Get(), f.path.Get())); }},
        {"INetCfgComponentBindings::MoveAfter ms_tcpip -> 0x80004001",
         [](Family& f) { return Without(f.bindings->MoveAfter(f.path.Get(), f.path.Get())); }},
        {"INetCfgClassSetup::SelectAndInstall nettrans -> 0x80004001",
         [](Family& f) {
             OBO_TOKEN obo{};
             obo.Type = OBO_USER;
             return WithOut(HeldPointer<INetCfgComponent>(), [&](INetCfgComponent** out) {
                 return f.setup->SelectAndInstall(nullptr, &obo, out);
             });
         }},
        {"INetCfgBindingPath::IsSubPathOf ms_tcpip->pci\\ven_8086&dev_100e -> 0x80004001",
         [](Family& f) { return Without(f.path->IsSubPathOf(f.path.Get())); }},
        {"INetCfgBindingPath::GetPathToken ms_tcpip->pci\\ven_8086&dev_100e -> 0x80004001",
         OutCall(&Family::path, &INetCfgBindingPath::GetPathToken, HeldText())},
        {"INetCfgBindingPath::GetDepth ms_tcpip->pci\\ven_8086&dev_100e -> 0x80004001",
         OutCall(&Family::path, &INetCfgBindingPath::GetDepth, ULONG{2})},
        {"INetCfgBindingInterface::GetName ms_tcpip->pci\\ven_8086&dev_100e -> 0x80004001",
         OutCall(&Family::bindingInterface, &INetCfgBindingInterface::GetName, HeldText())},
        {"IEnumNetCfgComponent::Clone -> 0x80004001",
         OutCall(&Family::components, &IEnumNetCfgComponent::Clone,
                 HeldPointer<IEnumNetCfgComponent>())},
        {"IEnumNetCfgBindingPath::Clone -> 0x80004001",
         OutCall(&Family::paths, &IEnumNetCfgBindingPath::Clone,
                 HeldPointer<IEnumNetCfgBindingPath>())},
        {"IEnumNetCfgBindingInterface::Clone -> 0x80004001",
         OutCall(&Family::interfaces, &IEnumNetCfgBindingInterface::Clone,
                 HeldPointer<IEnumNetCfgBindingInterface>())},
    };
    WithFamily([&](Family& family) {
        for (const NotModelledCase& testCase : cases) {
            SCOPED_TRACE(testCase.journal);
            simwin::ClearJournal();
            const Answer answer = testCase.call(family);
            EXPECT_EQ(E_NOTIMPL, answer.hr);
            EXPECT_TRUE(answer.outCleared);
            EXPECT_EQ(std::vector<std::string>{testCase.journal}, simwin::JournalEntries());
        }
    });
}

TEST_F(SdkMethodsTest, FaultRulesReachTheUnmodelledOnes) {
    // A failing rule answers instead of E_NOTIMPL, as it does for every other call.
    std::string error;
    const auto rule = simwin::ParseFaultRule("INetCfgBindingPath::GetDepth E_OUTOFMEMORY", &error);
    ASSERT_TRUE(rule.has_value()) << error;
    simwin::AddFaultRule(*rule);
    WithFamily([&](Family& family) {
        ULONG depth = 2;
        EXPECT_EQ(E_OUTOFMEMORY, family.path->GetDepth(&depth));
        EXPECT_EQ(0u, depth);
    });
}

TEST_F(SdkMethodsTest, SamePathIsTheSameTwoEnds) {
    WithFamily([&](Family& family) {
        // The same path handed out again, by a second enumeration, is another object.
        ComPtr<IEnumNetCfgBindingPath> again;
        ASSERT_EQ(S_OK, family.bindings->EnumBindingPaths(EBP_BELOW, again.Put()));
        ComPtr<INetCfgBindingPath> samePath;
        ComPtr<INetCfgBindingPath> secondAdapterPath;
        ASSERT_EQ(S_OK, again->Next(1, samePath.Put(), nullptr));
        ASSERT_EQ(S_OK, again->Next(1, secondAdapterPath.Put(), nullptr));
        ASSERT_NE(family.path.Get(), samePath.Get());
        struct SameCase {
            const char* name;
            INetCfgBindingPath* other;
            HRESULT expected;
            const char* journal;  // the call's journal line: both paths, and the answer
        };
        const SameCase cases[] = {
            {"itself", family.path.Get(), S_OK,
             "INetCfgBindingPath::IsSamePathAs ms_tcpip->pci\\ven_8086&dev_100e "
             "ms_tcpip->pci\\ven_8086&dev_100e -> 0x00000000"},
            {"the same ends, another object", samePath.Get(), S_OK,
             "INetCfgBindingPath::IsSamePathAs ms_tcpip->pci\\ven_8086&dev_100e "
             "ms_tcpip->pci\\ven_8086&dev_100e -> 0x00000000"},
            {"the path to the other adapter", secondAdapterPath.Get(), S_FALSE,
             "INetCfgBindingPath::IsSamePathAs ms_tcpip->pci\\ven_8086&dev_100e "
             "ms_tcpip->pci\\ven_10ec&dev_8139 -> 0x00000001"},
            {"no path", nullptr, E_POINTER,
             "INetCfgBindingPath::IsSamePathAs ms_tcpip->pci\\ven_8086&dev_100e (unknown) -> "
             "0x80004003"},
        };
        for (const SameCase& testCase : cases) {
            SCOPED_TRACE(testCase.name);
            simwin::ClearJournal();
            EXPECT_EQ(testCase.expected, family.path->IsSamePathAs(testCase.other));
            EXPECT_EQ(std::vector<std::string>{testCase.journal}, simwin::JournalEntries());
        }
    });
}

TEST_F(SdkMethodsTest, PathIsOwnedByItsUpperEnd) {
    WithFamily([&](Family& family) {
        // Seen from the adapter (EBP_ABOVE), the path still belongs to the protocol above it; the
        // adapter's first path above is IPv4's, since paths come in the store's order.
        ComPtr<IEnumNetCfgBindingPath> above;
        ASSERT_EQ(S_OK, EnumBindingPathsOf(family.adapter.Get(), EBP_ABOVE, &above));
        ComPtr<INetCfgBindingPath> fromAdapter;
        ASSERT_EQ(S_OK, above->Next(1, fromAdapter.Put(), nullptr));
        for (INetCfgBindingPath* path : {family.path.Get(), fromAdapter.Get()}) {
            ComPtr<INetCfgComponent> owner;
            ASSERT_EQ(S_OK, path->GetOwner(owner.Put()));
            TaskText id;
            ASSERT_EQ(S_OK, owner->GetId(id.Put()));
            EXPECT_EQ(kTcpIpId, id.str());
        }
        EXPECT_EQ(E_POINTER, family.path->GetOwner(nullptr));
    });
}

}  // namespace
}  // namespace netcfgtest
