#include <simwin/testing.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

// The run-time lookup finds SetDefaultDllDirectories in kernel32 alone; a rule on GetProcAddress
// stands for a kernel32 without it.
TEST(SetDefaultDllDirectoriesTest, IsFoundInKernel32AtRunTime) {
    simwin::ClearFaultRules();
    const struct {
        const wchar_t* module;
        const char* function;
        const char* fault;  // a fault rule, or ""
        bool found;
        DWORD lastError;  // when not found
    } cases[] = {
        {L"kernel32.dll", "SetDefaultDllDirectories", "", true, 0},
        {L"KERNEL32.DLL", "SetDefaultDllDirectories", "", true, 0},
        {L"kernel32", "SetDefaultDllDirectories", "", false, ERROR_MOD_NOT_FOUND},
        {L"ntdll.dll", "SetDefaultDllDirectories", "", false, ERROR_MOD_NOT_FOUND},
        {L"kernel32.dll", "AddDllDirectory", "", false, ERROR_PROC_NOT_FOUND},
        {L"kernel32.dll", "SetDefaultDllDirectories", "GetProcAddress 0 error 127", false,
         ERROR_PROC_NOT_FOUND},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.function + std::string(" ") + c.fault);
        simwin::ClearFaultRules();
        if (*c.fault != '\0') {
            simwin::AddFaultRule(*simwin::ParseFaultRule(c.fault, nullptr));
        }
        SetLastError(0);
        const HMODULE module = GetModuleHandleW(c.module);
        const FARPROC address = module != nullptr ? GetProcAddress(module, c.function) : nullptr;
        EXPECT_EQ(address != nullptr, c.found);
        EXPECT_EQ(GetLastError(), c.lastError);
        if (address == nullptr) {
            continue;
        }
        simwin::ClearJournal();
        const auto call = reinterpret_cast<BOOL (*)(DWORD)>(reinterpret_cast<void (*)()>(address));
        EXPECT_EQ(call(LOAD_LIBRARY_SEARCH_SYSTEM32), TRUE);
        EXPECT_EQ(simwin::JournalEntries(),
                  std::vector<std::string>{"SetDefaultDllDirectories 0x00000800 -> 1"});
    }
    simwin::ClearFaultRules();
}

}  // namespace
