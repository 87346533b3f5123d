#include "support/case_name.h"
#include "support/process.h"
#include "support/temp_machine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct NetCase {
    const char* name;
    bool withNpf;
    std::vector<std::vector<std::string>> earlierRuns;  // run first, their output ignored
    std::vector<std::string> arguments;
    int exitCode;
    std::string output;
    bool npfRunningAfter;
};

class NetExeTest : public testsupport::CaseTest<NetCase> {};

TEST_P(NetExeTest, StartsRegisteredServicesAndReportsLikeNet) {
    const NetCase& c = GetParam();
    testsupport::TempMachine machine(simwin::MachineOptions{c.withNpf});
    const std::string output = machine.MakeFolder("out") + "/net.txt";
    for (const std::vector<std::string>& arguments : c.earlierRuns) {
        testsupport::RunProcess(SIMWIN_NET_EXE, arguments, {});
    }
    EXPECT_EQ(testsupport::RunProcess(SIMWIN_NET_EXE, c.arguments, {}, output), c.exitCode);
    EXPECT_EQ(testsupport::ReadFile(output), c.output);

    bool npfRunning = false;
    for (const simwin::ServiceInfo& service : machine.State().services) {
        npfRunning = npfRunning || (service.name == "npf" && service.running);
    }
    EXPECT_EQ(npfRunning, c.npfRunningAfter);
}

const char* const kUsage = "usage: net.exe start SERVICE\n";

INSTANTIATE_TEST_SUITE_P(
    Commands, NetExeTest,
    ::testing::Values(
        NetCase{"Starts",
                true,
                {},
                {"start", "npf"},
                0,
                "The npf service was started successfully.\n",
                true},
        NetCase{"AnyLetterCase",
                true,
                {},
                {"START", "NPF"},
                0,
                "The NPF service was started successfully.\n",
                true},
        NetCase{"AlreadyRunning",
                true,
                {{"start", "npf"}},
                {"start", "npf"},
                2,
                "The requested service has already been started.\n",
                true},
        NetCase{"Unknown", false, {}, {"start", "npf"}, 2, "The service name is invalid.\n", false},
        NetCase{"NoArguments", true, {}, {}, 1, kUsage, false},
        NetCase{"NoServiceName", true, {}, {"start"}, 1, kUsage, false},
        NetCase{"OtherCommand", true, {}, {"stop", "npf"}, 1, kUsage, false},
        NetCase{"ExtraArgument", true, {}, {"start", "npf", "now"}, 1, kUsage, false}),
    testsupport::CaseName{});

}  // namespace
