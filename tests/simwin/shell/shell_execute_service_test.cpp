#include "support/temp_machine.h"

#include <shellapi.h>
#include <simwin/testing.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <sys/wait.h>
#include <thread>

namespace {

bool NpfRunning(const testsupport::TempMachine& machine) {
    for (const simwin::ServiceInfo& service : machine.State().services) {
        if (service.name == "npf") {
            return service.running;
        }
    }
    return false;
}

// The whole path the installer takes: net.exe from the machine's system folder, started in the
// drive's root, marks the service running on its own time.
TEST(ShellExecuteServiceTest, NetStartNpfMarksTheServiceRunning) {
    testsupport::TempMachine machine(simwin::MachineOptions{true});
    ASSERT_FALSE(NpfRunning(machine));
    SetLastError(0);
    const HINSTANCE result =
        ShellExecuteW(nullptr, L"open", L"net.exe", L"start npf", L"C:\\", SW_HIDE);
    EXPECT_EQ(reinterpret_cast<std::intptr_t>(result), 42);
    EXPECT_EQ(GetLastError(), 0u);

    bool running = false;
    for (int i = 0; i < 500 && !running; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        running = NpfRunning(machine);
    }
    EXPECT_TRUE(running) << "net.exe did not start npf within five seconds";

    int status = 0;
    errno = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << "a child was left behind";
    EXPECT_EQ(errno, ECHILD);
    EXPECT_EQ(simwin::JournalEntries(),
              (std::vector<std::string>{"ShellExecuteW open net.exe \"start npf\" C:\\ 0 -> 42",
                                        "GetLastError -> 0"}));
}

}  // namespace
