#include "simwin/kernel/scratch_folder.h"
#include "support/fault_rules.h"

#include <simwin/testing.h>
#include <windows.h>

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using runtimetests::ScratchFolder;

// An open for appending as the log makes it, creating a missing file; access and flags as given.
HANDLE OpenForAppend(const std::wstring& path, DWORD access = FILE_APPEND_DATA,
                     DWORD flags = FILE_ATTRIBUTE_NORMAL) {
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_ALWAYS, flags, nullptr);
}

BOOL Write(HANDLE file, const std::string& text) {
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    if (ok) {
        EXPECT_EQ(written, text.size());
    }
    return ok;
}

TEST(CreateFileTest, AppendHandlesAlwaysWriteAtTheEnd) {
    ScratchFolder scratch;
    const std::wstring path = scratch.widePath() + L"/log.txt";
    SetLastError(1234);
    HANDLE first = OpenForAppend(path);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u) << "a created file clears the last error";
    HANDLE second = OpenForAppend(path);
    ASSERT_NE(second, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));

    // Without append semantics the first handle's second write would land at offset 4 and
    // overwrite what the second handle wrote.
    EXPECT_TRUE(Write(first, "one\n"));
    EXPECT_TRUE(Write(second, "two\n"));
    EXPECT_TRUE(Write(first, "three\n"));
    EXPECT_TRUE(CloseHandle(first));
    EXPECT_TRUE(CloseHandle(second));
    EXPECT_EQ(runtimetests::ReadText(scratch.path() + "/log.txt"), "one\ntwo\nthree\n");
}

struct OpenFailureCase {
    const char* name;
    const wchar_t* relativePath;
    DWORD disposition;
    DWORD error;
};

class CreateFileFailureTest : public testsupport::CaseTest<OpenFailureCase> {};

TEST_P(CreateFileFailureTest, GivesAnInvalidHandleAndTheWindowsError) {
    const OpenFailureCase& c = GetParam();
    ScratchFolder scratch;
    std::filesystem::create_directory(scratch.path() + "/folder");
    runtimetests::WriteText(scratch.path() + "/existing.txt", "x");
    SetLastError(0);
    const std::wstring path = scratch.widePath() + c.relativePath;
    EXPECT_EQ(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, c.disposition,
                          FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), c.error);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, CreateFileFailureTest,
    ::testing::Values(
        OpenFailureCase{"MissingFolder", L"/no-such-folder/log.txt", OPEN_ALWAYS,
                        ERROR_PATH_NOT_FOUND},
        OpenFailureCase{"MissingFile", L"/absent.txt", OPEN_EXISTING, ERROR_FILE_NOT_FOUND},
        OpenFailureCase{"MissingFileInMissingFolder", L"/no-such-folder/absent.txt", OPEN_EXISTING,
                        ERROR_PATH_NOT_FOUND},
        OpenFailureCase{"FolderAsFile", L"/folder", OPEN_ALWAYS, ERROR_ACCESS_DENIED},
        OpenFailureCase{"CreateNewOverExisting", L"/existing.txt", CREATE_NEW, ERROR_FILE_EXISTS},
        OpenFailureCase{"UnknownDisposition", L"/existing.txt", 9, ERROR_INVALID_PARAMETER}),
    testsupport::CaseName{});

TEST(CreateFileTest, CreateAlwaysTruncatesAndReportsTheOldFile) {
    ScratchFolder scratch;
    runtimetests::WriteText(scratch.path() + "/data.txt", "old content");
    const std::wstring path = scratch.widePath() + L"/data.txt";
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(Write(file, "new"));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(runtimetests::ReadText(scratch.path() + "/data.txt"), "new");
}

TEST(HandleTest, ClosedOrForeignHandlesAreRefused) {
    ScratchFolder scratch;
    HANDLE file = OpenForAppend(scratch.widePath() + L"/log.txt");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));

    SetLastError(0);
    EXPECT_FALSE(Write(token, "x")) << "a token is no file";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(token));
    EXPECT_TRUE(CloseHandle(file));

    int notAHandle = 0;
    for (HANDLE stale : {file, token, static_cast<HANDLE>(&notAHandle), HANDLE{nullptr}}) {
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(stale));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
    SetLastError(0);
    EXPECT_FALSE(Write(file, "x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(runtimetests::ReadText(scratch.path() + "/log.txt"), "");
}

// Run in a child: a file size limit of 10 bytes makes write(2) stop part-way. Exits 0 when
// WriteFile reported the short write as Windows would.
[[noreturn]] void WriteTwentyBytesUnderATenByteLimit(const std::wstring& path) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{10, 10};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    HANDLE file = OpenForAppend(path);
    DWORD written = 0;
    const BOOL ok = WriteFile(file, "0123456789ABCDEFGHIJ", 20, &written, nullptr);
    const bool asExpected =
        !ok && written == 10 && GetLastError() == static_cast<DWORD>(ERROR_DISK_FULL);
    ::_exit(asExpected ? 0 : 1);
}

TEST(WriteFileTest, ShortWriteIsAFailure) {
    ScratchFolder scratch;
    const std::wstring path = scratch.widePath() + L"/small.txt";
    EXPECT_EXIT(WriteTwentyBytesUnderATenByteLimit(path), ::testing::ExitedWithCode(0), "");
    EXPECT_EQ(runtimetests::ReadText(scratch.path() + "/small.txt"), "0123456789");
}

TEST(FileJournalTest, RecordsOpenWriteClose) {
    ScratchFolder scratch;
    const std::wstring path = scratch.widePath() + L"/log.txt";
    simwin::ClearFaultRules();
    simwin::ClearJournal();
    HANDLE file = OpenForAppend(path);
    Write(file, "line\n");
    CloseHandle(file);
    testsupport::AddFault("CreateFileW 0 error 5");  // ERROR_ACCESS_DENIED
    EXPECT_EQ(OpenForAppend(path), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    simwin::ClearFaultRules();

    const std::string shown = scratch.path() + "/log.txt";
    EXPECT_EQ(
        simwin::JournalEntries(),
        (std::vector<std::string>{"CreateFileW " + shown + " 0x4 4 0x80 -> handle",
                                  "WriteFile 5 -> 1", "CloseHandle -> 1",
                                  "CreateFileW " + shown + " 0x4 4 0x80 -> INVALID_HANDLE_VALUE",
                                  "GetLastError -> 5"}));
}

// A handle opened for deletion and marked goes with its name when it is closed, whatever name
// the file has by then; a mark can be taken back, and a handle without DELETE access or a rule
// gets none. The name is left alone while the handle is open, as on Windows.
TEST(FileDispositionTest, AMarkedFileGoesAtTheCloseOfAHandleOpenedForDeletion) {
    ScratchFolder scratch;
    const std::wstring path = scratch.widePath() + L"/made.txt";
    const auto mark = [](HANDLE file, BOOLEAN deleteFile) {
        FILE_DISPOSITION_INFO disposition{};
        disposition.DeleteFile = deleteFile;
        return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                          sizeof disposition);
    };
    const std::string made = scratch.path() + "/made.txt";
    const std::string moved = scratch.path() + "/moved.txt";
    simwin::ClearFaultRules();
    simwin::ClearJournal();

    HANDLE file = OpenForAppend(path, FILE_APPEND_DATA | DELETE);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(mark(file, TRUE));
    std::filesystem::rename(made, moved);
    EXPECT_TRUE(std::filesystem::exists(moved));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(std::filesystem::exists(moved));

    file = OpenForAppend(path, FILE_APPEND_DATA | DELETE);
    EXPECT_TRUE(mark(file, TRUE));
    EXPECT_TRUE(mark(file, FALSE));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(std::filesystem::exists(made));

    file = OpenForAppend(path);
    SetLastError(0);
    EXPECT_FALSE(mark(file, TRUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    SetLastError(0);
    EXPECT_FALSE(SetFileInformationByHandle(file, FileBasicInfo, nullptr, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(CloseHandle(file));
    file = OpenForAppend(path, FILE_APPEND_DATA | DELETE);
    testsupport::AddFault("SetFileInformationByHandle 0 error 5");
    EXPECT_FALSE(mark(file, TRUE));
    simwin::ClearFaultRules();
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(std::filesystem::exists(made));

    const std::vector<std::string> entries = simwin::JournalEntries();
    EXPECT_EQ(
        std::count(entries.begin(), entries.end(), "SetFileInformationByHandle 4 delete -> 1"), 2);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "SetFileInformationByHandle 4 keep -> 1"),
              1);
    EXPECT_EQ(
        std::count(entries.begin(), entries.end(), "SetFileInformationByHandle 4 delete -> 0"), 2);
    EXPECT_EQ(std::count(entries.begin(), entries.end(), "SetFileInformationByHandle 0 -> 0"), 1);
}

// What an open handle tells about the file behind it, for files reached in the ways a link can
// arrange: directly, through a second name, through a symbolic link followed or opened itself, in
// a folder named through a link, and a folder.
struct FileQueryCase {
    const char* name;
    const char* opened;  // under the scratch folder
    DWORD flags;
    DWORD attributes;       // FILE_ATTRIBUTE_REPARSE_POINT and FILE_ATTRIBUTE_DIRECTORY as reported
    DWORD links;            // 0: not compared (a folder's count depends on the file system)
    const char* finalPath;  // under the scratch folder
};

class FileQueryTest : public testsupport::CaseTest<FileQueryCase> {};

TEST_P(FileQueryTest, ReportsTypeAttributesLinksAndFinalPath) {
    const FileQueryCase& c = GetParam();
    ScratchFolder scratch;
    // The final path names the folder as the kernel does, with any link above it resolved.
    const std::string base = std::filesystem::canonical(scratch.path()).string();
    std::filesystem::create_directory(base + "/real");
    runtimetests::WriteText(base + "/real/file.txt", "x");
    std::filesystem::create_hard_link(base + "/real/file.txt", base + "/real/second.txt");
    runtimetests::WriteText(base + "/alone.txt", "x");
    std::filesystem::create_symlink(base + "/alone.txt", base + "/link.txt");
    std::filesystem::create_directory_symlink(base + "/real", base + "/via");

    const std::wstring path = scratch.widePath() + L"/" + std::filesystem::path(c.opened).wstring();
    HANDLE file = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, c.flags, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileType(file), static_cast<DWORD>(FILE_TYPE_DISK));
    BY_HANDLE_FILE_INFORMATION information{};
    ASSERT_TRUE(GetFileInformationByHandle(file, &information));
    EXPECT_EQ(
        information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY),
        c.attributes);
    if (c.links != 0) {
        EXPECT_EQ(information.nNumberOfLinks, c.links);
    }
    const std::wstring expected = std::filesystem::path(base + "/" + c.finalPath).wstring();
    std::wstring finalPath(MAX_PATH, L'\0');
    const DWORD length =
        GetFinalPathNameByHandleW(file, &finalPath[0], MAX_PATH, FILE_NAME_NORMALIZED);
    finalPath.resize(length < MAX_PATH ? length : 0);
    EXPECT_EQ(finalPath, expected);
    EXPECT_TRUE(CloseHandle(file));
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileQueryTest,
    ::testing::Values(FileQueryCase{"PlainFile", "alone.txt", FILE_FLAG_OPEN_REPARSE_POINT, 0, 1,
                                    "alone.txt"},
                      FileQueryCase{"FileWithASecondName", "real/second.txt",
                                    FILE_FLAG_OPEN_REPARSE_POINT, 0, 2, "real/second.txt"},
                      FileQueryCase{"LinkFollowed", "link.txt", 0, 0, 1, "alone.txt"},
                      FileQueryCase{"LinkOpenedItself", "link.txt", FILE_FLAG_OPEN_REPARSE_POINT,
                                    FILE_ATTRIBUTE_REPARSE_POINT, 1, "link.txt"},
                      // Only the last name is opened itself: a link on the way is followed.
                      FileQueryCase{"FileInAFolderNamedThroughALink", "via/file.txt",
                                    FILE_FLAG_OPEN_REPARSE_POINT, 0, 2, "real/file.txt"},
                      FileQueryCase{"Folder", "via", FILE_FLAG_BACKUP_SEMANTICS,
                                    FILE_ATTRIBUTE_DIRECTORY, 0, "real"}),
    testsupport::CaseName{});

// A link opened itself takes no line: nothing is written through it, to it or to its target.
// A folder opens only for a caller that asks for one.
TEST(FileQueryTest, ALinkOpenedItselfTakesNoWriteAndAFolderNeedsBackupSemantics) {
    ScratchFolder scratch;
    runtimetests::WriteText(scratch.path() + "/target.txt", "kept");
    std::filesystem::create_symlink(scratch.path() + "/target.txt", scratch.path() + "/log.txt");
    const std::wstring link = scratch.widePath() + L"/log.txt";
    HANDLE file = OpenForAppend(link, FILE_APPEND_DATA, FILE_FLAG_OPEN_REPARSE_POINT);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_FALSE(Write(file, "line\n"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(runtimetests::ReadText(scratch.path() + "/target.txt"), "kept");

    SetLastError(0);
    EXPECT_EQ(CreateFileW(scratch.widePath().c_str(), 0, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

// The answers for a buffer too small, flags that are not known, and no file at all.
TEST(FileQueryTest, FollowsWindowsRulesForBuffersFlagsAndBadHandles) {
    ScratchFolder scratch;
    HANDLE file = OpenForAppend(scratch.widePath() + L"/log.txt");
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const std::wstring expected = std::filesystem::canonical(scratch.path() + "/log.txt").wstring();
    const auto length = static_cast<DWORD>(expected.size());
    std::wstring buffer(length + 1, L'Z');
    EXPECT_EQ(GetFinalPathNameByHandleW(file, &buffer[0], length, 0), length + 1);
    EXPECT_EQ(buffer[0], L'Z');
    EXPECT_EQ(GetFinalPathNameByHandleW(file, &buffer[0], length + 1, 0), length);
    SetLastError(0);
    EXPECT_EQ(GetFinalPathNameByHandleW(file, &buffer[0], length + 1, 0x8),
              0u);  // FILE_NAME_OPENED
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(CloseHandle(file));

    BY_HANDLE_FILE_INFORMATION information{};
    SetLastError(0);
    EXPECT_EQ(GetFileType(file), static_cast<DWORD>(FILE_TYPE_UNKNOWN));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(GetFileInformationByHandle(file, &information));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_EQ(GetFinalPathNameByHandleW(file, &buffer[0], length + 1, 0), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
