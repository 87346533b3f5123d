#include "support/fault_rules.h"

#include <simwin/testing.h>
#include <windows.h>

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

// Elevation as the platform reports it: 1 or 0, or -1 when a call failed.
int ReadElevation() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
        return -1;
    }
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    const BOOL ok =
        GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &returned);
    CloseHandle(token);
    return ok && returned == sizeof elevation ? static_cast<int>(elevation.TokenIsElevated) : -1;
}

// Replaces the effective capability set of the calling process (a forked child) with mask.
bool SetEffectiveCapabilities(std::uint64_t mask) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2] = {};
    if (::syscall(SYS_capget, &header, data) != 0) {
        return false;
    }
    data[0].effective = static_cast<std::uint32_t>(mask) & data[0].permitted;
    data[1].effective = static_cast<std::uint32_t>(mask >> 32) & data[1].permitted;
    return ::syscall(SYS_capset, &header, data) == 0;
}

constexpr std::uint64_t kNetAdmin = std::uint64_t{1} << CAP_NET_ADMIN;

class ElevationTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs a privileged (root) test process";
        }
    }
};

TEST_F(ElevationTest, RootProcessIsElevated) {
    EXPECT_EQ(ReadElevation(), 1);
}

struct CapabilityCase {
    const char* name;
    std::uint64_t effective;
    int elevation;
};

class CapabilityTest : public testsupport::CaseTest<CapabilityCase> {
protected:
    void SetUp() override {
        if (::geteuid() != 0) {
            GTEST_SKIP() << "needs a privileged (root) test process";
        }
    }
};

// Elevation follows CAP_NET_ADMIN alone: without it a root process is not elevated, and with it
// alone an otherwise powerless one is.
TEST_P(CapabilityTest, ElevationFollowsNetAdmin) {
    const CapabilityCase& c = GetParam();
    EXPECT_EXIT(
        {
            if (!SetEffectiveCapabilities(c.effective)) {
                ::_exit(100);
            }
            ::_exit(10 + ReadElevation());
        },
        ::testing::ExitedWithCode(10 + c.elevation), "");
}

INSTANTIATE_TEST_SUITE_P(Sets, CapabilityTest,
                         ::testing::Values(CapabilityCase{"NoCapabilities", 0, 0},
                                           CapabilityCase{"AllButNetAdmin", ~kNetAdmin, 0},
                                           CapabilityCase{"NetAdminOnly", kNetAdmin, 1}),
                         testsupport::CaseName{});

struct BufferCase {
    const char* name;
    DWORD length;
    bool withBuffer;
    BOOL result;
    DWORD error;  // when the call fails
};

class TokenBufferTest : public testsupport::CaseTest<BufferCase> {};

TEST_P(TokenBufferTest, ReportsTheSizeItNeeds) {
    const BufferCase& c = GetParam();
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    TOKEN_ELEVATION elevation{77};
    DWORD returned = 0;
    SetLastError(0);
    EXPECT_EQ(GetTokenInformation(token, TokenElevation, c.withBuffer ? &elevation : nullptr,
                                  c.length, &returned),
              c.result);
    EXPECT_EQ(returned, 4u);
    if (!c.result) {
        EXPECT_EQ(GetLastError(), c.error);
        EXPECT_EQ(elevation.TokenIsElevated, 77u);
    }
    EXPECT_TRUE(CloseHandle(token));
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, TokenBufferTest,
    ::testing::Values(BufferCase{"SizeQuery", 0, false, FALSE, ERROR_INSUFFICIENT_BUFFER},
                      BufferCase{"OneShort", 3, true, FALSE, ERROR_INSUFFICIENT_BUFFER},
                      BufferCase{"Exact", 4, true, TRUE, 0},
                      BufferCase{"Larger", 16, true, TRUE, 0}),
    testsupport::CaseName{});

TEST(TokenHandleTest, WrongHandlesClassesAndAccessAreRefused) {
    TOKEN_ELEVATION elevation{};
    DWORD returned = 0;
    HANDLE noQuery = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), 0, &noQuery));
    SetLastError(0);
    EXPECT_FALSE(GetTokenInformation(noQuery, TokenElevation, &elevation, 4, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(noQuery));

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    SetLastError(0);
    EXPECT_FALSE(GetTokenInformation(token, TokenUser, &elevation, 4, &returned));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(CloseHandle(token));
    SetLastError(0);
    EXPECT_FALSE(GetTokenInformation(token, TokenElevation, &elevation, 4, &returned))
        << "a closed token";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    int other = 0;
    SetLastError(0);
    EXPECT_FALSE(OpenProcessToken(static_cast<HANDLE>(&other), TOKEN_QUERY, &token));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(TokenFaultTest, RulesRefuseTheCallOrReportNotElevated) {
    simwin::ClearFaultRules();
    simwin::ClearJournal();
    testsupport::AddFault("GetTokenInformation TRUE nth 1 text not-elevated");
    testsupport::AddFault("OpenProcessToken FALSE nth 2 error 5");  // ERROR_ACCESS_DENIED

    EXPECT_EQ(ReadElevation(), 0);
    HANDLE token = nullptr;
    EXPECT_FALSE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    simwin::ClearFaultRules();
    EXPECT_EQ(simwin::JournalEntries(),
              (std::vector<std::string>{"OpenProcessToken 0x8 -> 1",
                                        "GetTokenInformation 20 4 -> 1", "CloseHandle -> 1",
                                        "OpenProcessToken 0x8 -> 0", "GetLastError -> 5"}));
}

}  // namespace
