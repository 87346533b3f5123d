// References on behalf of tokens (OBO_TOKEN): INetCfgClassSetup::Install adds the token's
// reference, DeInstall removes it and removes the component only when none is left.
// Microsoft's documentation of INetCfgClassSetup::Install and ::DeInstall, and of OBO_TOKEN.
#include "netcfg_client.h"

#include "base/utf8.h"

#include <simwin/testing.h>

#include <algorithm>

namespace netcfgtest {
namespace {

OBO_TOKEN UserToken() {
    OBO_TOKEN token{};
    token.Type = OBO_USER;
    return token;
}

OBO_TOKEN SoftwareToken(const wchar_t* manufacturer, const wchar_t* product,
                        const wchar_t* displayName) {
    OBO_TOKEN token{};
    token.Type = OBO_SOFTWARE;
    token.pszwManufacturer = manufacturer;
    token.pszwProduct = product;
    token.pszwDisplayName = displayName;
    return token;
}

// The names in a list of null-ended strings ended by one more null.
std::vector<std::wstring> MultiText(const wchar_t* list) {
    std::vector<std::wstring> names;
    for (const wchar_t* at = list; *at != L'\0'; at += names.back().size() + 1) {
        names.emplace_back(at);
    }
    return names;
}

class ReferencesTest : public NetCfgTest {
protected:
    void SetUp() override {
        NetCfgTest::SetUp();
        CopyInf("quorixlwf.inf");
        CopyInf("quorixvmini60.inf");
        Open(true, &netCfg_);
        ASSERT_EQ(S_OK, netCfg_->QueryNetCfgClass(&GUID_DEVCLASS_NETSERVICE, IID_INetCfgClassSetup,
                                                  services_.PutVoid()));
    }
    void TearDown() override {
        services_.Reset();
        if (netCfg_.Get() != nullptr) {
            Close(netCfg_.Get(), true);
            netCfg_.Reset();
        }
        NetCfgTest::TearDown();
    }

    HRESULT InstallFilter(OBO_TOKEN* token, ComPtr<INetCfgComponent>* filter) {
        return services_->Install(kFilterId, token, 0, 0, nullptr, nullptr, filter->Put());
    }

    // The filter's references as the store keeps them, once applied.
    std::vector<std::string> AppliedReferences() {
        EXPECT_EQ(S_OK, netCfg_->Apply());
        for (const simwin::ComponentInfo& component : machine_.State().components) {
            if (component.id == L"quorix_ndislwf") {
                return component.references;
            }
        }
        return {"(not installed)"};
    }

    ComPtr<INetCfg> netCfg_;
    ComPtr<INetCfgClassSetup> services_;
};

TEST_F(ReferencesTest, EachTokenAddsItsReferenceOnceAndTheComponentOnlyOnce) {
    OBO_TOKEN user = UserToken();
    OBO_TOKEN lab = SoftwareToken(L"Corvel", L"Packet Lab", L"Corvel Packet Lab 3");
    // The same product named in other letter case, and shown under another name, is one token.
    OBO_TOKEN labAgain = SoftwareToken(L"CORVEL", L"packet lab", L"Packet Lab (new name)");
    ComPtr<INetCfgComponent> filter;
    ASSERT_EQ(S_OK, InstallFilter(&user, &filter));
    ASSERT_EQ(S_OK, InstallFilter(&lab, &filter));
    ASSERT_EQ(S_OK, InstallFilter(&labAgain, &filter));
    ASSERT_EQ(S_OK, InstallFilter(&user, &filter));
    // Each install is journalled, the three that only add a token's reference or none too.
    const std::vector<std::string> journal = simwin::JournalEntries();
    EXPECT_EQ(4, std::count(journal.begin(), journal.end(),
                            "INetCfgClassSetup::Install QUORIX_NdisLwf 0 -> 0x00000000"));
    EXPECT_EQ((std::vector<std::string>{
                  "user", "software \"Corvel\" \"Packet Lab\" \"Corvel Packet Lab 3\""}),
              AppliedReferences());
    ComPtr<IEnumNetCfgComponent> services;
    ASSERT_EQ(S_OK, netCfg_->EnumComponents(&GUID_DEVCLASS_NETSERVICE, services.Put()));
    EXPECT_EQ((std::vector<std::wstring>{L"ms_pacer", L"quorix_ndislwf"}), Ids(services.Get()));
}

// "If the component's reference count on behalf of all tokens becomes zero, the network
// configuration subsystem removes the component"; until then DeInstall answers
// NETCFG_S_STILL_REFERENCED ("still required by other components") and names them in pmszwRefs.
TEST_F(ReferencesTest, DeInstallRemovesTheComponentWithItsLastReferenceOnly) {
    OBO_TOKEN user = UserToken();
    OBO_TOKEN lab = SoftwareToken(L"Corvel", L"Packet Lab", L"Corvel Packet Lab 3");
    ComPtr<INetCfgComponent> filter;
    ASSERT_EQ(S_OK, InstallFilter(&user, &filter));
    ASSERT_EQ(S_OK, InstallFilter(&lab, &filter));
    ASSERT_EQ(S_OK, netCfg_->Apply());

    TaskText remaining;
    EXPECT_EQ(NETCFG_S_STILL_REFERENCED,
              services_->DeInstall(filter.Get(), &user, remaining.Put()));
    ASSERT_FALSE(remaining.null());
    EXPECT_EQ(std::vector<std::wstring>{L"Corvel Packet Lab 3"}, MultiText(remaining.Get()));
    EXPECT_EQ(
        (std::vector<std::string>{"software \"Corvel\" \"Packet Lab\" \"Corvel Packet Lab 3\""}),
        AppliedReferences());

    // A token that holds no reference removes nothing, and the list is optional.
    EXPECT_EQ(NETCFG_S_STILL_REFERENCED, services_->DeInstall(filter.Get(), &user, nullptr));

    // The last reference goes, and the component with it, its binding paths too.
    EXPECT_EQ(S_OK, services_->DeInstall(filter.Get(), &lab, remaining.Put()));
    EXPECT_TRUE(remaining.null());
    EXPECT_EQ(std::vector<std::string>{"(not installed)"}, AppliedReferences());
    for (const std::string& path : DiskBindings()) {
        EXPECT_EQ(std::string::npos, path.find("quorix_ndislwf")) << path;
    }
}

// A component installed on behalf of another component keeps that reference until the other is
// removed; the user's reference is not listed by name.
TEST_F(ReferencesTest, AComponentsReferenceNamesItAndGoesWithIt) {
    ComPtr<INetCfgComponent> pacer;
    ASSERT_EQ(S_OK, netCfg_->FindComponent(L"ms_pacer", pacer.Put()));
    OBO_TOKEN byPacer{};
    byPacer.Type = OBO_COMPONENT;
    byPacer.pncc = pacer.Get();
    OBO_TOKEN user = UserToken();
    ComPtr<INetCfgComponent> filter;
    ASSERT_EQ(S_OK, InstallFilter(&byPacer, &filter));
    ASSERT_EQ(S_OK, InstallFilter(&user, &filter));
    EXPECT_EQ((std::vector<std::string>{"component ms_pacer", "user"}), AppliedReferences());

    OBO_TOKEN lab = SoftwareToken(L"Corvel", L"Packet Lab", L"Corvel Packet Lab 3");
    TaskText remaining;
    EXPECT_EQ(NETCFG_S_STILL_REFERENCED, services_->DeInstall(filter.Get(), &lab, remaining.Put()));
    ASSERT_FALSE(remaining.null());
    EXPECT_EQ(std::vector<std::wstring>{L"QoS Packet Scheduler"}, MultiText(remaining.Get()));

    ASSERT_EQ(S_OK, services_->DeInstall(pacer.Get(), &user, nullptr));
    EXPECT_EQ(std::vector<std::string>{"user"}, AppliedReferences());
    EXPECT_EQ(NETCFG_S_STILL_REFERENCED, services_->DeInstall(filter.Get(), &lab, remaining.Put()));
    ASSERT_FALSE(remaining.null());
    EXPECT_TRUE(MultiText(remaining.Get()).empty());
}

struct TokenCase {
    const char* name;
    bool nullToken;
    OBO_TOKEN token;
    HRESULT expected;
};

// "If the component to install is of the class GUID_DEVCLASS_NET, this parameter is optional and
// set to a NULL value. Otherwise, this parameter is mandatory": a missing token is E_POINTER, a
// token that does not describe its entity (OBO_TOKEN's members by type) E_INVALIDARG.
TEST_F(ReferencesTest, AServiceNeedsAWholeTokenAnAdapterNone) {
    OBO_TOKEN unknownType{};
    unknownType.Type = static_cast<OBO_TOKEN_TYPE>(7);
    OBO_TOKEN noComponent{};
    noComponent.Type = OBO_COMPONENT;
    const OBO_TOKEN noDisplayName = SoftwareToken(L"Corvel", L"Packet Lab", nullptr);
    const OBO_TOKEN emptyProduct = SoftwareToken(L"Corvel", L"", L"Lab");
    const TokenCase cases[] = {
        {"no token", true, {}, E_POINTER},
        {"unknown type", false, unknownType, E_INVALIDARG},
        {"OBO_COMPONENT without its component", false, noComponent, E_INVALIDARG},
        {"OBO_SOFTWARE without a display name", false, noDisplayName, E_INVALIDARG},
        {"OBO_SOFTWARE with an empty product", false, emptyProduct, E_INVALIDARG},
    };
    OBO_TOKEN user = UserToken();
    ComPtr<INetCfgComponent> filter;
    ASSERT_EQ(S_OK, InstallFilter(&user, &filter));
    for (const TokenCase& c : cases) {
        SCOPED_TRACE(c.name);
        OBO_TOKEN token = c.token;
        OBO_TOKEN* given = c.nullToken ? nullptr : &token;
        ComPtr<INetCfgComponent> installed;
        EXPECT_EQ(c.expected,
                  services_->Install(L"ms_pacer", given, 0, 0, nullptr, nullptr, installed.Put()));
        EXPECT_EQ(nullptr, installed.Get());
        TaskText remaining;
        EXPECT_EQ(c.expected, services_->DeInstall(filter.Get(), given, remaining.Put()));
        EXPECT_TRUE(remaining.null());
    }
    EXPECT_EQ(std::vector<std::string>{"user"}, AppliedReferences());

    // An adapter needs no token and keeps no reference: DeInstall removes it at once.
    ComPtr<INetCfgClassSetup> adapters;
    ASSERT_EQ(S_OK, netCfg_->QueryNetCfgClass(&GUID_DEVCLASS_NET, IID_INetCfgClassSetup,
                                              adapters.PutVoid()));
    ComPtr<INetCfgComponent> adapter;
    ASSERT_EQ(S_OK, adapters->Install(kAdapterId, nullptr, 0, 0, nullptr, nullptr, adapter.Put()));
    ASSERT_EQ(S_OK, netCfg_->Apply());
    EXPECT_TRUE(machine_.State().components.back().references.empty());
    EXPECT_EQ(S_OK, adapters->DeInstall(adapter.Get(), nullptr, nullptr));
    ASSERT_EQ(S_OK, netCfg_->Apply());
    EXPECT_EQ(6u, machine_.State().components.size());
}

}  // namespace
}  // namespace netcfgtest
