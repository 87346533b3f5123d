#include <windows.h>

#include "support/case_name.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

struct SplitCase {
    const char* name;
    const wchar_t* path;
    const wchar_t* dir;
    const wchar_t* fname;
    const wchar_t* ext;
};

class SplitPathTest : public testsupport::CaseTest<SplitCase> {};

TEST_P(SplitPathTest, BothFormsSplitAtTheLastSlashAndDot) {
    const SplitCase& c = GetParam();
    wchar_t drive[_MAX_DRIVE] = {L'Z'};
    wchar_t dir[_MAX_DIR] = {L'Z'};
    wchar_t fname[_MAX_FNAME] = {L'Z'};
    wchar_t ext[_MAX_EXT] = {L'Z'};
    _wsplitpath(c.path, drive, dir, fname, ext);
    EXPECT_STREQ(drive, L"");
    EXPECT_STREQ(dir, c.dir);
    EXPECT_STREQ(fname, c.fname);
    EXPECT_STREQ(ext, c.ext);

    wchar_t dirS[_MAX_DIR] = {L'Z'};
    wchar_t fnameS[_MAX_FNAME] = {L'Z'};
    wchar_t extS[_MAX_EXT] = {L'Z'};
    ASSERT_EQ(_wsplitpath_s(c.path, drive, _MAX_DRIVE, dirS, _MAX_DIR, fnameS, _MAX_FNAME, extS,
                            _MAX_EXT),
              0);
    EXPECT_STREQ(dirS, c.dir);
    EXPECT_STREQ(fnameS, c.fname);
    EXPECT_STREQ(extS, c.ext);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SplitPathTest,
    ::testing::Values(SplitCase{"Full", L"/work/inf/quorixlwf.inf", L"/work/inf/", L"quorixlwf",
                                L".inf"},
                      SplitCase{"TwoDots", L"archive.tar.gz", L"", L"archive.tar", L".gz"},
                      SplitCase{"DotInFolderOnly", L"/a.b/name", L"/a.b/", L"name", L""},
                      SplitCase{"FolderOnly", L"/dir/", L"/dir/", L"", L""},
                      SplitCase{"LeadingDot", L".profile", L"", L"", L".profile"},
                      SplitCase{"Backslash", L"C:\\x.inf", L"", L"C:\\x", L".inf"},
                      SplitCase{"Empty", L"", L"", L"", L""}),
    testsupport::CaseName{});

TEST(SplitPathSecureTest, ExactFitSucceedsOneLessEmptiesEverything) {
    const wchar_t* path = L"/ab/name.inf";  // dir "/ab/" is 4 characters
    wchar_t drive[_MAX_DRIVE];
    wchar_t dir[5];
    wchar_t fname[16];
    wchar_t ext[16];
    EXPECT_EQ(_wsplitpath_s(path, drive, _MAX_DRIVE, dir, 5, fname, 16, ext, 16), 0);
    EXPECT_STREQ(dir, L"/ab/");

    wchar_t smallDir[4] = {L'Z'};
    fname[0] = L'Z';
    ext[0] = L'Z';
    errno = 0;
    EXPECT_EQ(_wsplitpath_s(path, drive, _MAX_DRIVE, smallDir, 4, fname, 16, ext, 16), ERANGE);
    EXPECT_EQ(errno, ERANGE);
    EXPECT_STREQ(smallDir, L"");
    EXPECT_STREQ(fname, L"") << "every output is emptied, also those that fitted";
    EXPECT_STREQ(ext, L"");
}

TEST(SplitPathSecureTest, InvalidArgumentsAreRefused) {
    wchar_t dir[8] = {L'Z'};
    wchar_t fname[8] = {L'Z'};
    EXPECT_EQ(_wsplitpath_s(nullptr, nullptr, 0, dir, 8, fname, 8, nullptr, 0), EINVAL);
    EXPECT_STREQ(dir, L"");
    EXPECT_EQ(_wsplitpath_s(L"/a/b", nullptr, 0, dir, 8, nullptr, 8, nullptr, 0), EINVAL)
        << "a size without a buffer";
    EXPECT_EQ(_wsplitpath_s(L"/a/b", nullptr, 0, dir, 0, nullptr, 0, nullptr, 0), EINVAL)
        << "a buffer without a size";
    EXPECT_EQ(_wsplitpath_s(L"/a/b.c", nullptr, 0, nullptr, 0, fname, 8, nullptr, 0), 0)
        << "parts not asked for are skipped";
    EXPECT_STREQ(fname, L"b");
}

struct CopyCase {
    const char* name;
    std::size_t destSize;
    const wchar_t* src;
    errno_t result;
    const wchar_t* expected;
};

class SafeCopyTest : public testsupport::CaseTest<CopyCase> {};

TEST_P(SafeCopyTest, CopiesWhatFitsAndEmptiesOnFailure) {
    const CopyCase& c = GetParam();
    wchar_t dest[8] = {L'Z', L'Z', L'Z', L'Z', L'Z', L'Z', L'Z', L'\0'};
    EXPECT_EQ(wcscpy_s(dest, c.destSize, c.src), c.result);
    EXPECT_STREQ(dest, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Sizes, SafeCopyTest,
                         ::testing::Values(CopyCase{"Fits", 8, L"abc", 0, L"abc"},
                                           CopyCase{"ExactFit", 4, L"abc", 0, L"abc"},
                                           CopyCase{"OneShort", 3, L"abc", ERANGE, L""},
                                           CopyCase{"NullSource", 8, nullptr, EINVAL, L""},
                                           CopyCase{"ZeroSizeLeavesDest", 0, L"abc", EINVAL,
                                                    L"ZZZZZZZ"}),
                         testsupport::CaseName{});

TEST(SafeCopyNullTest, NullDestinationIsRefused) {
    EXPECT_EQ(wcscpy_s(nullptr, 8, L"abc"), EINVAL);
}

}  // namespace
