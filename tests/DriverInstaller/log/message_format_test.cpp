// The message helpers: results print with the same digits whatever the width of long.
#include "log/message_format.h"

#include <netcfgx.h>

#include <gtest/gtest.h>

namespace {

struct HrCase {
    HRESULT hr;
    const wchar_t* expected;
};

TEST(FormatHrTest, PrintsSignedDecimalAndEightHexDigits) {
    const HrCase cases[] = {
        {NETCFG_E_NO_WRITE_LOCK, L" hr='-2147180508' / hr='0x8004a024'"},
        {NETCFG_S_REBOOT, L" hr='303136' / hr='0x0004a020'"},
        {S_FALSE, L" hr='1' / hr='0x00000001'"},
        {S_OK, L" hr='0' / hr='0x00000000'"},
        {HRESULT_FROM_WIN32(ERROR_CANCELLED), L" hr='-2147023673' / hr='0x800704c7'"},
    };
    for (const HrCase& c : cases) {
        EXPECT_EQ(FormatHr(c.hr), c.expected);
    }
    EXPECT_EQ(L"X returned" + FormatHr(E_FAIL), L"X returned hr='-2147467259' / hr='0x80004005'");
}

TEST(FormatTextTest, FillsWideStringsAndNumbers) {
    EXPECT_EQ(FormatText(L"path='%ls' result=%d id=%lu", L"C:\\x.inf", 901, 4294967295ul),
              L"path='C:\\x.inf' result=901 id=4294967295");
    EXPECT_EQ(FormatText(L"ret=%d", 0), L"ret=0");
}

// The runtimes answer a text that does not fit differently (glibc: -1; MinGW-w64: the length it
// needed), so the lengths around the first buffer of 256 characters are the ones that matter.
TEST(FormatTextTest, KeepsTextsAroundTheFirstBufferSizeWhole) {
    for (const std::size_t length :
         {std::size_t{15}, std::size_t{16}, std::size_t{253}, std::size_t{254}, std::size_t{255},
          std::size_t{256}, std::size_t{257}, std::size_t{511}, std::size_t{512},
          std::size_t{513}}) {
        SCOPED_TRACE(length);
        const std::wstring value(length, L'x');
        EXPECT_EQ(FormatText(L"%ls", value.c_str()), value);
        EXPECT_EQ(FormatText(L"[%ls] result=%d", value.c_str(), 901),
                  L"[" + value + L"] result=901");
    }
}

TEST(FormatTextTest, LongInfPathLineIsWhole) {
    const std::wstring path = L"C:\\Setup\\" + std::wstring(170, L'd') + L"\\quorixvmini60.inf";
    EXPECT_EQ(FormatText(L"DeviceManager::HrInstallNetComponent() Couldn't copy the setup INF "
                         L"file. lpszInfFullPath='%ls'",
                         path.c_str()),
              L"DeviceManager::HrInstallNetComponent() Couldn't copy the setup INF file. "
              L"lpszInfFullPath='" +
                  path + L"'");
}

TEST(FormatTextTest, GrowsForLongText) {
    const std::wstring longValue(5000, L'x');
    EXPECT_EQ(FormatText(L"<%ls>", longValue.c_str()), L"<" + longValue + L">");
}

// A text of a mebi-character or more is a fault in the caller: it gives an empty message rather
// than an ever larger buffer. One character less still fits.
TEST(FormatTextTest, GivesUpAtAMebiCharacter) {
    const std::size_t limit = std::size_t{1} << 20;
    const std::wstring fits(limit - 1, L'x');
    EXPECT_EQ(FormatText(L"%ls", fits.c_str()), fits);
    const std::wstring tooLong(limit, L'x');
    EXPECT_EQ(FormatText(L"%ls", tooLong.c_str()), L"");
}

// One rule for every control character, C0, DEL and C1 alike; nothing else changes, so that a
// description reads as its holder wrote it.
TEST(EscapeControlCharactersTest, WritesEachControlCharacterAsAVisibleEscape) {
    const struct {
        const wchar_t* text;
        const wchar_t* escaped;
    } cases[] = {
        {L"Other Setup Wizard", L"Other Setup Wizard"},
        {L"a\tb\nc\rd", L"a\\tb\\nc\\rd"},
        {L"\x01\x1b[2K\x1f\x7f", L"\\x01\\x1b[2K\\x1f\\x7f"},
        {L"\x85\x9f\xa0", L"\\x85\\x9f\xa0"},  // NEL and the last C1 control; NBSP stays
        {L"C:\\Setup\\n \u00e9 \u20ac", L"C:\\Setup\\n \u00e9 \u20ac"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EscapeControlCharacters(c.text), c.escaped);
    }
}

}  // namespace
