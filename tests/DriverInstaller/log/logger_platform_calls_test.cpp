// The log's platform calls, seen in the simulated platform's journal and failed by its fault
// rules: what cannot be arranged on Windows itself.
#include "log/Logger.h"
#include "support/installer_fixture.h"

#include <gtest/gtest.h>

namespace {

using installer_test::AddFault;
using installer_test::E;
using installer_test::ExpectLines;
using installer_test::InstallerTest;
using installer_test::JournalCalls;

using LoggerPlatformTest = InstallerTest;

TEST_F(LoggerPlatformTest, OneOpenWriteAndCloseForEveryLine) {
    logger_->Log(L"plain");
    logger_->Log(L"");
    logger_->LogError(L"broken");
    ExpectLines(Lines(), (std::vector<std::string>{"plain", "", E("broken")}));
    EXPECT_EQ(JournalCalls({"CreateFileW", "WriteFile", "CloseHandle"}),
              (std::vector<std::string>{"CreateFileW", "WriteFile", "CloseHandle", "CreateFileW",
                                        "WriteFile", "CloseHandle", "CreateFileW", "WriteFile",
                                        "CloseHandle"}));
}

TEST_F(LoggerPlatformTest, ConversionFailureWritesQuestionMarksAndGoesOn) {
    AddFault("WideCharToMultiByte", 0, 0, false, ERROR_INVALID_PARAMETER);
    logger_->Log(L"abc");
    logger_->LogError(L"de");
    ExpectLines(Lines(), (std::vector<std::string>{"???", E("??")}));
}

}  // namespace
