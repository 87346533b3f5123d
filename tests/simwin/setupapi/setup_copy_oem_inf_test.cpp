// Publishing INF files into the machine's INF store, and reading INF files.
#include "base/utf8.h"
#include "machine/inf_file.h"
#include "support/temp_machine.h"

#include <setupapi.h>
#include <simwin/testing.h>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using testsupport::ReadFile;
using testsupport::WriteFile;

std::wstring Wide(const std::string& text) {
    return simwin::FromUtf8(text);
}

std::string RepositoryInf(const std::string& name) {
    return std::string(INF_FOLDER) + "/" + name;
}

BOOL CopyInf(const std::string& path, const std::string& location) {
    return SetupCopyOEMInfW(Wide(path).c_str(), Wide(location).c_str(), SPOST_PATH, 0, nullptr, 0,
                            nullptr, nullptr);
}

TEST(SetupCopyOemInfTest, PublishesEachInfOnceAndRecordsWhereItCameFrom) {
    testsupport::TempMachine machine;
    const std::string source = std::string(INF_FOLDER) + "/";
    ASSERT_TRUE(CopyInf(RepositoryInf("quorixvmini60.inf"), source));
    ASSERT_TRUE(CopyInf(RepositoryInf("quorixlwf.inf"), source));

    // The same INF again, from elsewhere: the same published name, the new location.
    const std::string elsewhere = machine.MakeFolder("elsewhere");
    WriteFile(elsewhere + "/renamed.inf", ReadFile(RepositoryInf("quorixvmini60.inf")));
    WCHAR destination[MAX_PATH] = {};
    DWORD required = 0;
    PWSTR component = nullptr;
    ASSERT_TRUE(SetupCopyOEMInfW(Wide(elsewhere + "/renamed.inf").c_str(),
                                 Wide(elsewhere + "/").c_str(), SPOST_PATH, 0, destination,
                                 MAX_PATH, &required, &component));
    const std::wstring expected = Wide(machine.root() + "/inf/oem0.inf");
    EXPECT_EQ(expected, destination);
    EXPECT_EQ(expected.size() + 1, required);
    ASSERT_NE(nullptr, component);
    EXPECT_EQ(std::wstring(L"oem0.inf"), component);

    const simwin::MachineState state = machine.State();
    ASSERT_EQ(2u, state.infs.size());
    EXPECT_EQ("oem0.inf", state.infs[0].publishedName);
    EXPECT_EQ("renamed.inf", state.infs[0].originalName);
    EXPECT_EQ(elsewhere + "/", state.infs[0].sourceLocation);
    EXPECT_EQ("oem1.inf", state.infs[1].publishedName);
    EXPECT_EQ("quorixlwf.inf", state.infs[1].originalName);
    EXPECT_EQ(source, state.infs[1].sourceLocation);
    EXPECT_EQ(ReadFile(RepositoryInf("quorixlwf.inf")), ReadFile(machine.root() + "/inf/oem1.inf"));

    // A buffer too small: the size it needs, and no text.
    WCHAR tiny[4] = {};
    EXPECT_FALSE(SetupCopyOEMInfW(Wide(RepositoryInf("quorixlwf.inf")).c_str(), nullptr, SPOST_PATH,
                                  0, tiny, 4, &required, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(expected.size() + 1, required);
}

struct BadInfCase {
    const char* name;
    std::string content;  // written as the INF; "(missing)" and "(folder)" make no file
    DWORD error;
};

TEST(SetupCopyOemInfTest, RefusesWhatIsNoReadableInf) {
    const BadInfCase cases[] = {
        {"missing", "(missing)", ERROR_FILE_NOT_FOUND},
        {"folder", "(folder)", ERROR_ACCESS_DENIED},
        {"empty", "", ERROR_WRONG_INF_STYLE},
        {"binary", std::string("MZ\x90\0\x03\0\0\0", 8), ERROR_GENERAL_SYNTAX},
        {"no signature", "[Version]\nClass = Net\n", ERROR_WRONG_INF_STYLE},
        {"other signature", "[Version]\nSignature = \"$Unix$\"\n", ERROR_WRONG_INF_STYLE},
        {"broken header", "[Version\nSignature = \"$Windows NT$\"\n", ERROR_GENERAL_SYNTAX},
        {"open quote", "[Version]\nSignature = \"$Windows NT$\n", ERROR_GENERAL_SYNTAX},
        {"text first", "Signature = x\n[Version]\nSignature = \"$Windows NT$\"\n",
         ERROR_GENERAL_SYNTAX},
        {"catalog missing", "[Version]\nSignature = \"$Windows NT$\"\nCatalogFile = absent.cat\n",
         ERROR_FILE_NOT_FOUND},
        {"catalog folder missing",
         "[Version]\nSignature = \"$Windows NT$\"\nCatalogFile = sub\\absent.cat\n",
         ERROR_PATH_NOT_FOUND},
        {"catalog unnamed", "[Version]\nSignature = \"$Windows NT$\"\nCatalogFile =\n",
         ERROR_ACCESS_DENIED},
    };
    testsupport::TempMachine machine;
    const std::string folder = machine.MakeFolder("bad");
    for (const BadInfCase& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const std::string path = folder + "/" + testCase.name + ".inf";
        if (testCase.content == "(folder)") {
            machine.MakeFolder(std::string("bad/") + testCase.name + ".inf");
        } else if (testCase.content != "(missing)") {
            WriteFile(path, testCase.content);
        }
        SetLastError(0);
        EXPECT_FALSE(CopyInf(path, folder + "/"));
        EXPECT_EQ(testCase.error, GetLastError());
    }
    EXPECT_TRUE(machine.State().infs.empty());
}

// The INF is named by its full path only, and the catalog it names must lie beside it.
TEST(SetupCopyOemInfTest, TakesAFullPathAndTheCatalogBesideTheInf) {
    testsupport::TempMachine machine;
    const std::string folder = machine.MakeFolder("signed");
    WriteFile(folder + "/signed.inf",
              "[Version]\nSignature = \"$Windows NT$\"\nCatalogFile = signed.cat\n");
    WriteFile(folder + "/signed.cat", "catalog");
    EXPECT_TRUE(CopyInf(folder + "/signed.inf", folder + "/"));

    // The same file through a path relative to the current folder is not found.
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);
    SetLastError(0);
    const BOOL relativeCopied = CopyInf("signed.inf", folder + "/");
    const DWORD relativeError = GetLastError();
    std::filesystem::current_path(previous);
    EXPECT_FALSE(relativeCopied);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), relativeError);
    EXPECT_EQ(1u, machine.State().infs.size());
}

TEST(SetupCopyOemInfTest, FaultRuleFailsTheCopyWithItsError) {
    testsupport::TempMachine machine;
    std::string error;
    simwin::AddFaultRule(*simwin::ParseFaultRule("SetupCopyOEMInfW FALSE nth 1 error 5", &error));
    const std::string source = std::string(INF_FOLDER) + "/";
    EXPECT_FALSE(CopyInf(RepositoryInf("quorixlwf.inf"), source));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_TRUE(machine.State().infs.empty());
    EXPECT_TRUE(CopyInf(RepositoryInf("quorixlwf.inf"), source));
    EXPECT_EQ(1u, machine.State().infs.size());
    std::vector<std::string> copies;
    for (const std::string& entry : simwin::JournalEntries()) {
        if (entry.rfind("SetupCopyOEMInfW ", 0) == 0) {
            copies.push_back(entry);
        }
    }
    const std::string call =
        "SetupCopyOEMInfW \"" + RepositoryInf("quorixlwf.inf") + "\" \"" + source + "\" 1 0";
    EXPECT_EQ((std::vector<std::string>{call + " -> 0 error 5", call + " -> 1"}), copies);
}

// The media type decides what is recorded as the INF's source location: SPOST_PATH the folder
// given (the INF's own folder when none is), SPOST_NONE nothing at all.
TEST(SetupCopyOemInfTest, RecordsTheSourceLocationTheMediaTypeAsksFor) {
    testsupport::TempMachine machine;
    const std::string folder = machine.MakeFolder("media");
    const std::string elsewhere = machine.MakeFolder("elsewhere") + "/";
    WriteFile(folder + "/adapter.inf", ReadFile(RepositoryInf("quorixvmini60.inf")));
    const struct {
        const char* name;
        DWORD mediaType;
        const char* location;  // nullptr: none given
        std::string recorded;
    } cases[] = {
        {"path with a location", SPOST_PATH, elsewhere.c_str(), elsewhere},
        {"path without a location", SPOST_PATH, nullptr, folder + "/"},
        {"none with a location", SPOST_NONE, elsewhere.c_str(), ""},
        {"none without a location", SPOST_NONE, nullptr, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring location = c.location != nullptr ? Wide(c.location) : L"";
        ASSERT_TRUE(SetupCopyOEMInfW(Wide(folder + "/adapter.inf").c_str(),
                                     c.location != nullptr ? location.c_str() : nullptr,
                                     c.mediaType, 0, nullptr, 0, nullptr, nullptr));
        // The same bytes each time: one published INF, whose location is the last copy's.
        const simwin::MachineState state = machine.State();
        ASSERT_EQ(1u, state.infs.size());
        EXPECT_EQ(c.recorded, state.infs[0].sourceLocation);
    }
}

TEST(InfFileTest, ReadsModelsThroughDecorationsStringsQuotesAndContinuations) {
    const std::string text =
        "; a comment line\n"
        "[version]\n"
        "signature = \"$Windows NT$\" ; trailing comment\n"
        "ClassGuid = {4D36E972-E325-11CE-BFC1-08002BE10318}\n"
        "[Manufacturer]\n"
        "%Maker% = Models, NTx86, NTamd64.10.0\n"
        "[Models.NTx86]\n"
        "%Wrong% = Wrong.ndi, Root\\Card\n"
        "[Models.NTamd64.10.0]\n"
        "%Desc% = Card.ndi, \\\n"
        "    ROOT\\CARD, compat\\card\n"
        "[Models]\n"
        "%Old% = Old.ndi, root\\old\n"
        "[Strings]\n"
        "Maker = \"Maker\"\n"
        "desc = \"Card \"\"Deluxe\"\" 100% ready; really\"\n";
    simwin::InfFile inf;
    std::string error;
    ASSERT_EQ(simwin::InfParseResult::Ok, simwin::InfFile::Parse(text, &inf, &error)) << error;
    const auto guid = inf.ClassGuid();
    ASSERT_TRUE(guid.has_value());
    EXPECT_EQ(0x4D36E972u, guid->Data1);
    EXPECT_EQ(0x18, guid->Data4[7]);

    const auto card = inf.FindModel(L"root\\card");
    ASSERT_TRUE(card.has_value());
    EXPECT_EQ(L"Card \"Deluxe\" 100% ready; really", card->description);
    EXPECT_EQ(L"Card.ndi", card->installSection);
    EXPECT_EQ(L"ROOT\\CARD", card->hardwareId);

    const auto old = inf.FindModel(L"ROOT\\OLD");
    ASSERT_TRUE(old.has_value());
    EXPECT_EQ(L"%Old%", old->description);  // no such string: left as written
    EXPECT_FALSE(inf.FindModel(L"compat\\card").has_value());
    EXPECT_FALSE(inf.FindModel(L"root\\nothing").has_value());
}

}  // namespace
