// Which binding paths exist: the INF's Ndi\Interfaces values decide them. A path leads from a
// protocol to an adapter where the protocol's LowerRange meets the adapter's UpperRange, and from
// a filter to an adapter whose LowerRange is one of the filter's FilterMediaTypes (Microsoft's
// "Specifying Binding Interfaces" and "Intermediate Driver UpperRange And LowerRange INF File
// Entries": "NDIS will compare the interfaces that are listed for an intermediate driver's
// FilterMediaTypes with the medium that is listed by each miniport's LowerRange").
#include "netcfg_client.h"

#include "base/utf8.h"
#include "machine/inf_ndi_interfaces.h"

#include <filesystem>

namespace netcfgtest {
namespace {

// An INF of our own for one component of a class, its install section's registry lines given.
std::string TestInf(const std::string& className, const std::string& classGuid,
                    const std::string& hardwareId, const std::string& registryLines) {
    return "[Version]\nSignature = \"$WINDOWS NT$\"\nClass = " + className +
           "\nClassGUID = " + classGuid +
           "\nProvider = Test\n\n[Manufacturer]\nTest = Test, NTamd64\n\n[Test.NTamd64]\n"
           "%Desc% = Test.ndi, " +
           hardwareId + "\n\n[Test.ndi]\nAddReg = Test.Reg\n\n[Test.Reg]\n" + registryLines +
           "\n[Strings]\nDesc = \"Test " + hardwareId + "\"\n";
}

constexpr char kNetGuid[] = "{4d36e972-e325-11ce-bfc1-08002be10318}";
constexpr char kServiceGuid[] = "{4d36e974-e325-11ce-bfc1-08002be10318}";
constexpr char kTransportGuid[] = "{4d36e975-e325-11ce-bfc1-08002be10318}";

class BindingInterfacesTest : public NetCfgTest {
protected:
    // Publishes an INF written by the test.
    void PublishInf(const std::string& name, const std::string& text) {
        const std::string folder = machine_.MakeFolder("inf-" + name);
        testsupport::WriteFile(folder + "/" + name, text);
        ASSERT_TRUE(SetupCopyOEMInfW(simwin::FromUtf8(folder + "/" + name).c_str(),
                                     simwin::FromUtf8(folder + "/").c_str(), SPOST_PATH, 0, nullptr,
                                     0, nullptr, nullptr));
    }

    // Installs and applies; the paths on disk that reach or leave the component.
    std::vector<std::string> InstallAndListPaths(const GUID& classGuid, const wchar_t* id) {
        EXPECT_EQ(S_OK, InstallAndApply(classGuid, id));
        std::vector<std::string> paths;
        const std::string wanted = simwin::ToUtf8(simwin::LowerCaseId(id));
        for (const std::string& path : DiskBindings()) {
            if (path.find(wanted) != std::string::npos) {
                paths.push_back(path);
            }
        }
        return paths;
    }
};

TEST_F(BindingInterfacesTest, OurInfFilesDeclareWhatAnEthernetMiniportAndALightweightFilterDo) {
    struct Expected {
        const char* inf;
        const wchar_t* hardwareId;
        simwin::BindingInterfaces interfaces;
    };
    const Expected cases[] = {
        {"quorixvmini60.inf", kAdapterId, {{L"ndis5"}, {L"ethernet"}, {}}},
        {"quorixlwf.inf", kFilterId, {{L"noupper"}, {L"nolower"}, {L"ethernet"}}},
    };
    for (const Expected& c : cases) {
        SCOPED_TRACE(c.inf);
        simwin::InfFile inf;
        std::string error;
        ASSERT_EQ(simwin::InfParseResult::Ok,
                  simwin::InfFile::Parse(
                      testsupport::ReadFile(std::string(INF_FOLDER) + "/" + c.inf), &inf, &error))
            << error;
        const auto model = inf.FindModel(c.hardwareId);
        ASSERT_TRUE(model.has_value());
        const auto interfaces = simwin::ReadNdiInterfaces(inf, model->installSection);
        ASSERT_TRUE(interfaces.has_value());
        EXPECT_EQ(c.interfaces, *interfaces);
    }
}

TEST_F(BindingInterfacesTest, RegistryLinesAreReadAsTheRegistryWouldTakeThem) {
    simwin::InfFile inf;
    std::string error;
    ASSERT_EQ(simwin::InfParseResult::Ok,
              simwin::InfFile::Parse(
                  "[Version]\nSignature = \"$Windows NT$\"\n"
                  "[Install]\nAddReg = First.Reg, Second.Reg\nAddReg = Third.Reg\n"
                  // Root and key in any letter case; the first LowerRange is overridden later.
                  "[First.Reg]\nhkr, NDI\\interfaces, LowerRange, 0, \"ethernet\"\n"
                  "HKR, Ndi, Service, 0, \"Other\"\n"
                  "HKLM, Ndi\\Interfaces, UpperRange, 0, \"not-ours\"\n"
                  // An unquoted list, blanks, a %string%, a name that is not one, and one of
                  // each kind of character a name may hold (letters, digits, underscores).
                  "[Second.Reg]\nHKR, Ndi\\Interfaces, FilterMediaTypes, , Ethernet, %Media% "
                  "tokenring, fd-di, Z_09\n"
                  "[Third.Reg]\nHKR, Ndi\\Interfaces, LowerRange, 0, \"nolower\"\n"
                  "[Strings]\nMedia = \"wan\"\n",
                  &inf, &error))
        << error;
    const auto interfaces = simwin::ReadNdiInterfaces(inf, L"install");
    ASSERT_TRUE(interfaces.has_value());
    EXPECT_TRUE(interfaces->upperRange.empty());
    EXPECT_EQ(std::vector<std::wstring>{L"nolower"}, interfaces->lowerRange);
    EXPECT_EQ((std::vector<std::wstring>{L"ethernet", L"wan", L"tokenring", L"z_09"}),
              interfaces->filterMediaTypes);
    EXPECT_FALSE(simwin::ReadNdiInterfaces(inf, L"NoSuchSection").has_value());
}

// The filter binds over the media it lists only: not at all to an adapter of another medium.
TEST_F(BindingInterfacesTest, AFilterIsNotBoundToAnAdapterOfAMediumItDoesNotList) {
    PublishInf("wan.inf", TestInf("Net", kNetGuid, "test_wan",
                                  "HKR, Ndi\\Interfaces, UpperRange, 0, \"ndiswan\"\n"
                                  "HKR, Ndi\\Interfaces, LowerRange, 0, \"wan\"\n"));
    CopyInf("quorixlwf.inf");
    // The baseline's protocols ("ndis5") do not meet "ndiswan"; the scheduler lists "wan".
    EXPECT_EQ(std::vector<std::string>{"ms_pacer->test_wan enabled"},
              InstallAndListPaths(GUID_DEVCLASS_NET, L"test_wan"));
    EXPECT_EQ((std::vector<std::string>{"quorix_ndislwf->pci\\ven_8086&dev_100e enabled",
                                        "quorix_ndislwf->pci\\ven_10ec&dev_8139 enabled"}),
              InstallAndListPaths(GUID_DEVCLASS_NETSERVICE, kFilterId));
}

TEST_F(BindingInterfacesTest, AProtocolBindsWhereItsLowerRangeMeetsAnAdaptersUpperRange) {
    PublishInf("ipadapter.inf", TestInf("Net", kNetGuid, "test_iponly",
                                        "HKR, Ndi\\Interfaces, UpperRange, 0, \"ndis5_ip\"\n"
                                        "HKR, Ndi\\Interfaces, LowerRange, 0, \"ethernet\"\n"));
    PublishInf("proto.inf", TestInf("NetTrans", kTransportGuid, "test_proto",
                                    "HKR, Ndi\\Interfaces, UpperRange, 0, \"winsock\"\n"
                                    "HKR, Ndi\\Interfaces, LowerRange, 0, \"ndis5\"\n"));
    // An adapter whose upper edge serves IP only: both IP protocols, and the scheduler over its
    // ethernet medium.
    EXPECT_EQ(
        (std::vector<std::string>{"ms_tcpip->test_iponly enabled", "ms_tcpip6->test_iponly enabled",
                                  "ms_pacer->test_iponly enabled"}),
        InstallAndListPaths(GUID_DEVCLASS_NET, L"test_iponly"));
    // A protocol of plain "ndis5" reaches the two physical adapters and not that one.
    EXPECT_EQ((std::vector<std::string>{"test_proto->pci\\ven_8086&dev_100e enabled",
                                        "test_proto->pci\\ven_10ec&dev_8139 enabled"}),
              InstallAndListPaths(GUID_DEVCLASS_NETTRANS, L"test_proto"));
}

// An INF that declares no Ndi\Interfaces values keeps what the engine implied before it read
// them (the choice the README's table gives, so that INF files written before still bind).
TEST_F(BindingInterfacesTest, AnInfWithoutInterfacesGetsWhatItsClassImplied) {
    PublishInf("plain.inf", TestInf("Net", kNetGuid, "test_plain", ""));
    PublishInf("service.inf", TestInf("NetService", kServiceGuid, "test_service", ""));
    EXPECT_EQ(
        (std::vector<std::string>{"ms_tcpip->test_plain enabled", "ms_tcpip6->test_plain enabled",
                                  "ms_pacer->test_plain enabled"}),
        InstallAndListPaths(GUID_DEVCLASS_NET, L"test_plain"));
    // A service that is no lightweight filter binds to nothing.
    EXPECT_TRUE(InstallAndListPaths(GUID_DEVCLASS_NETSERVICE, L"test_service").empty());
}

}  // namespace
}  // namespace netcfgtest
