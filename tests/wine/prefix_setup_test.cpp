// The Wine prefix registrations of the test-only Windows tools, run by prefix_setup_probe.exe in a
// prefix of their own, and read back with Wine's own reg.exe, net.exe and sc.exe: the in-process
// server of CLSID_CNetCfg, and an "npf" service that Wine's net.exe starts and stops.
//
// CTest empties the prefix before these tests and removes it after them; the first test that
// runs creates it. The tests leave values behind for each other, so each writes values unique to
// its run and compares what it reads with what was there before it.
#include "support/text_file.h"
#include "wine/wine_session.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <map>
#include <ostream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

constexpr char kNetCfgServerKey[] =
    R"(HKLM\Software\Classes\CLSID\{5B035261-40F9-11D1-AAEC-00805FC1270E}\InprocServer32)";
constexpr char kNpfServiceKey[] = R"(HKLM\System\CurrentControlSet\Services\npf)";
constexpr char kRefusal[] =
    "not running under Wine: these registrations change only a Wine prefix, never a Windows "
    "machine";

// The probe's exit code when its command did what it names.
constexpr int kProbeOk = 0;

// A registry value as reg.exe lists it.
struct RegistryValue {
    std::string type;
    std::string data;
    bool operator==(const RegistryValue& other) const {
        return type == other.type && data == other.data;
    }
};
void PrintTo(const RegistryValue& value, std::ostream* out) {
    *out << value.type << " '" << value.data << "'";
}
using RegistryValues = std::map<std::string, RegistryValue>;

struct ProcessRun {
    int exitCode;
    std::string output;  // standard output and error, CR LF turned into LF
};

std::string UnixLineEnds(std::string text) {
    std::string unix;
    for (char ch : text) {
        if (ch != '\r') {
            unix += ch;
        }
    }
    return unix;
}

// The prefix these tests set up, apart from the other Wine tests' prefixes.
const winetest::WinePrefix& Prefix() {
    static const winetest::WinePrefix prefix(PREFIX_SETUP_PREFIX);
    return prefix;
}

// Runs a Windows program under Wine in the prefix: its words as Wine takes them.
ProcessRun Wine(const std::vector<std::string>& words) {
    const std::string outputPath =
        std::string(PREFIX_SETUP_PREFIX) + ".output-" + std::to_string(::getpid()) + ".txt";
    const int exitCode = Prefix().Run(words, "", {}, {}, outputPath);
    ProcessRun run{exitCode, UnixLineEnds(testsupport::ReadFile(outputPath))};
    fs::remove(outputPath);
    return run;
}

ProcessRun Probe(const std::vector<std::string>& arguments) {
    std::vector<std::string> words = {PREFIX_SETUP_PROBE_EXE};
    words.insert(words.end(), arguments.begin(), arguments.end());
    return Wine(words);
}

// The values of a key as "reg query KEY" lists them, one "    NAME    TYPE    DATA" line each;
// empty when the key does not exist.
RegistryValues QueryKey(const std::string& key) {
    RegistryValues values;
    std::istringstream lines(Wine({"reg", "query", key}).output);
    const std::regex valueLine(R"(^    (.+?)    (REG_\w+)    (.*)$)");
    for (std::string line; std::getline(lines, line);) {
        std::smatch match;
        if (std::regex_match(line, match, valueLine)) {
            values[match[1]] = {match[2], match[3]};
        }
    }
    return values;
}

// The state word of "sc query npf" (RUNNING, STOPPED, ...), or what sc printed when it has none.
std::string NpfState() {
    const ProcessRun query = Wine({"sc", "query", "npf"});
    std::smatch match;
    if (!std::regex_search(query.output, match, std::regex(R"(STATE\s+:\s+\d+\s+(\w+))"))) {
        return "no state in: " + query.output;
    }
    return match[1];
}

// A Windows path that no earlier run of these tests wrote: the values read back must be this
// run's.
std::string FreshWindowsPath(const std::string& name) {
    return R"(C:\prefix setup )" + std::to_string(::getpid()) + R"(\)" + name;
}

class PrefixSetupTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Prefix().Ensure()) << "Wine could not create the prefix"; }
    // The next test, and CTest's removal of the prefix, find its server gone.
    void TearDown() override { Prefix().Server({"--wait"}); }
};

TEST_F(PrefixSetupTest, RegistersTheDllAsTheInprocServerOfCNetCfg) {
    const std::string firstDll = FreshWindowsPath("first engine.dll");
    ASSERT_EQ(Probe({"register-server", firstDll}).exitCode, kProbeOk);
    EXPECT_EQ(QueryKey(kNetCfgServerKey), (RegistryValues{{"(Default)", {"REG_SZ", firstDll}},
                                                          {"ThreadingModel", {"REG_SZ", "Both"}}}));

    // A prefix set up again takes the new server.
    const std::string secondDll = FreshWindowsPath("second engine.dll");
    ASSERT_EQ(Probe({"register-server", secondDll}).exitCode, kProbeOk);
    EXPECT_EQ(QueryKey(kNetCfgServerKey), (RegistryValues{{"(Default)", {"REG_SZ", secondDll}},
                                                          {"ThreadingModel", {"REG_SZ", "Both"}}}));
}

class NpfServiceTest : public PrefixSetupTest {
protected:
    // Wine stops a prefix's services when its last process ends: a persistent server keeps the
    // started service alive between the steps of the test.
    void SetUp() override {
        PrefixSetupTest::SetUp();
        ASSERT_EQ(Prefix().Server({"-p"}), 0);
    }
    void TearDown() override { Prefix().StopServer(); }
};

TEST_F(NpfServiceTest, WinesNetExeStartsAndStopsTheRegisteredService) {
    // Registered first with a program that does not exist, then again with ours: the second
    // registration must replace the first, or the start below fails.
    ASSERT_EQ(Probe({"register-service", FreshWindowsPath("npf-service.exe")}).exitCode, kProbeOk);
    const ProcessRun registered =
        Probe({"register-service", winetest::WindowsPath(NPF_SERVICE_EXE)});
    ASSERT_EQ(registered.exitCode, kProbeOk) << registered.output;

    const RegistryValues service = QueryKey(kNpfServiceKey);
    const std::map<std::string, std::string> expected = {
        {"ImagePath", "\"" + winetest::WindowsPath(NPF_SERVICE_EXE) + "\""},
        {"Start", "0x3"},         // SERVICE_DEMAND_START
        {"Type", "0x10"},         // SERVICE_WIN32_OWN_PROCESS
        {"ErrorControl", "0x1"},  // SERVICE_ERROR_NORMAL
    };
    for (const auto& [name, data] : expected) {
        ASSERT_EQ(service.count(name), 1u) << name;
        EXPECT_EQ(service.at(name).data, data) << name;
    }
    EXPECT_EQ(NpfState(), "STOPPED") << "a demand-start service waits to be started";

    // As DriverInstaller.exe asks for it: "net.exe start npf".
    const ProcessRun start = Wine({"net", "start", "npf"});
    EXPECT_EQ(start.exitCode, 0) << start.output;
    EXPECT_EQ(NpfState(), "RUNNING");

    // The service's control handler answers the stop request.
    const ProcessRun stop = Wine({"net", "stop", "npf"});
    EXPECT_EQ(stop.exitCode, 0) << stop.output;
    EXPECT_EQ(NpfState(), "STOPPED");
}

TEST_F(PrefixSetupTest, RegistrationsRefusedOutsideWineChangeNothing) {
    const RegistryValues serverBefore = QueryKey(kNetCfgServerKey);
    const RegistryValues serviceBefore = QueryKey(kNpfServiceKey);
    ASSERT_FALSE(serverBefore.empty()) << "Wine registers its own CNetCfg server";

    const std::string dll = FreshWindowsPath("refused engine.dll");
    const std::string program = FreshWindowsPath("refused npf-service.exe");
    const ProcessRun refused = Probe({"refuse", dll, program});
    // The probe exits 0 only when both registrations returned false.
    EXPECT_EQ(refused.exitCode, kProbeOk);
    EXPECT_EQ(refused.output, std::string(kRefusal) + "\n" + kRefusal + "\n");

    EXPECT_EQ(QueryKey(kNetCfgServerKey), serverBefore);
    EXPECT_EQ(QueryKey(kNpfServiceKey), serviceBefore);
}

}  // namespace
