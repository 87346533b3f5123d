// Replacing and appending to machine files: what ends up on disk, what a reader that opened
// the file earlier still sees, and what is left beside it.
#include "base/atomic_file.h"

#include "support/temp_machine.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::WriteFile;

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

std::string ReadDescriptor(int fd) {
    std::string text;
    char buffer[256];
    ssize_t got = 0;
    while ((got = ::pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

class AtomicFileTest : public ::testing::Test {
protected:
    testsupport::TempMachine machine_;
    std::string folder_ = machine_.MakeFolder("files");
    std::string path_ = folder_ + "/store";
};

TEST_F(AtomicFileTest, WriteCreatesOrReplacesTheFileWholeAndLeavesNothingBeside) {
    std::string error;
    ASSERT_TRUE(simwin::WriteFileAtomically(path_, "first\n", &error)) << error;
    EXPECT_EQ("first\n", ReadFile(path_));

    // A reader that opened the old file keeps reading the old text: the file is replaced,
    // never rewritten in place.
    const int reader = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(reader, 0);
    ASSERT_TRUE(simwin::WriteFileAtomically(path_, "second, longer\n", &error)) << error;
    EXPECT_EQ("first\n", ReadDescriptor(reader));
    ::close(reader);
    EXPECT_EQ("second, longer\n", ReadFile(path_));
    EXPECT_EQ(std::vector<std::string>{"store"}, FolderEntries(folder_));

    EXPECT_FALSE(simwin::WriteFileAtomically(folder_ + "/missing/store", "x", &error));
    EXPECT_EQ(0u, error.find("cannot create " + folder_ + "/missing/store.tmp."));
}

struct AppendCase {
    const char* name;
    std::size_t expectedLength;
    bool appended;
};

TEST_F(AtomicFileTest, AppendHappensOnlyWhenTheFileIsStillAsLongAsExpected) {
    const AppendCase cases[] = {
        {"as long as expected", 6, true},
        {"shorter than expected", 7, false},
        {"longer than expected", 5, false},
    };
    for (const AppendCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        WriteFile(path_, "first\n");
        std::string error;
        EXPECT_EQ(testCase.appended,
                  simwin::AppendToFileOfLength(path_, testCase.expectedLength, "more\n", &error));
        EXPECT_EQ(testCase.appended ? "first\nmore\n" : "first\n", ReadFile(path_));
        EXPECT_EQ(testCase.appended ? "" : path_ + " changed since it was read: Stale file handle",
                  error);
    }
    std::string error;
    EXPECT_FALSE(simwin::AppendToFileOfLength(folder_ + "/none", 0, "more\n", &error));
    EXPECT_EQ("cannot open " + folder_ + "/none: No such file or directory", error);
}

}  // namespace
