#include <simwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

namespace {

TEST(SetDefaultDllDirectoriesTest, TakesFolderFlagsOnlyAndIsJournalled) {
    simwin::ClearFaultRules();
    simwin::ClearJournal();
    const struct {
        DWORD flags;
        BOOL expected;
    } cases[] = {
        {LOAD_LIBRARY_SEARCH_SYSTEM32, TRUE},
        {LOAD_LIBRARY_SEARCH_DEFAULT_DIRS, TRUE},
        {LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32, TRUE},
        {0, FALSE},
        {0x00000008, FALSE},  // LOAD_WITH_ALTERED_SEARCH_PATH: a LoadLibraryEx flag, no folder
        {LOAD_LIBRARY_SEARCH_SYSTEM32 | 0x00000100, FALSE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        SetLastError(0);
        EXPECT_EQ(SetDefaultDllDirectories(c.flags), c.expected);
        EXPECT_EQ(GetLastError(), c.expected ? 0u : static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    }
    std::vector<std::string> calls;
    for (const std::string& entry : simwin::JournalEntries()) {
        if (entry.rfind("SetDefaultDllDirectories", 0) == 0) {
            calls.push_back(entry);
        }
    }
    EXPECT_EQ(calls, (std::vector<std::string>{"SetDefaultDllDirectories 0x00000800 -> 1",
                                               "SetDefaultDllDirectories 0x00001000 -> 1",
                                               "SetDefaultDllDirectories 0x00000a00 -> 1",
                                               "SetDefaultDllDirectories 0x00000000 -> 0",
                                               "SetDefaultDllDirectories 0x00000008 -> 0",
                                               "SetDefaultDllDirectories 0x00000900 -> 0"}));
}

}  // namespace
