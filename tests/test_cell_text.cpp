#include "ansi_text.h"
#include "search_worker.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct CellCase {
    const char* name;
    std::string slot;  // the slot's bytes
    std::u16string cell;
};

class CellText : public testing::TestWithParam<CellCase>
{
};

std::string CaseName(const testing::TestParamInfo<CellCase>& caseInfo)
{
    return caseInfo.param.name;
}

// GBK texts, read as the Chinese code page reads them: on Linux whenever a text is not UTF-8, on
// Windows under code page 936.
std::vector<CellCase> GbkCases()
{
    return {
        CellCase{"Gbk", "\xC9\xE3\xCF\xF1\xBB\xFA" "1", u"摄像机1 "},
        CellCase{"GbkCutInTheMiddle", "\xC9\xE3\xCF", u"摄\uFFFD "},
        CellCase{"LeadByteAtTheSlotEndKeepsTheBlank", "abcdefghi\xC9", u"abcdefghi\uFFFD "},
        CellCase{"Undecodable", "A\xFF" "B", u"A\uFFFDB "},
    };
}

// Device texts as this system decodes them: valid UTF-8 as UTF-8 everywhere, anything else with
// the legacy code page (on Windows the ANSI code page, elsewhere GB18030).
std::vector<CellCase> DecodedBySystem()
{
    std::vector<CellCase> cases = {
        CellCase{"Utf8", "\xE5\x89\x8D\xE9\x97\xA8", u"前门 "},
        CellCase{"Utf8Latin", "Caf\xC3\xA9", u"Café "},
        CellCase{"Utf8Astral", "\xF0\x9F\x93\xB7", u"\U0001F4F7 "},
    };
#ifdef _WIN32
    if (::GetACP() == 936) {
        const std::vector<CellCase> gbk = GbkCases();
        cases.insert(cases.end(), gbk.begin(), gbk.end());
    } else if (::GetACP() == 1252) {
        cases.insert(cases.end(), {
            CellCase{"GbkReadAsLatin", "\xC9\xE3\xCF\xF1\xBB\xFA" "1", u"ÉãÏñ»ú1 "},
            CellCase{"ByteAtTheSlotEnd", "abcdefghi\xC9", u"abcdefghiÉ "},
            CellCase{"WindowsCharacters", "\x80\x99", u"€™ "},
        });
    }
#else
    const std::vector<CellCase> gbk = GbkCases();
    cases.insert(cases.end(), gbk.begin(), gbk.end());
    cases.push_back(CellCase{"Gb18030FourByte", "\x81\x30\x81\x30", u"\u0080 "});
#endif
    return cases;
}

} // namespace

TEST_P(CellText, IsTheDecodedTextAndOneBlank)
{
    const std::string& slot = GetParam().slot;
    EXPECT_EQ(GetParam().cell, FormatCellText(slot.data(), slot.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Slots, CellText,
    testing::Values(
        CellCase{"Ascii", std::string("192.168.1.10\0\0\0\0", 16), u"192.168.1.10 "},
        CellCase{"Empty", std::string(10, '\0'), u" "},
        CellCase{"FullWidthWithoutNul", std::string(6, '9'), u"999999 "},
        CellCase{"StopsAtFirstNul", std::string("ab\0cd", 5), u"ab "}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(DecodedBySystem, CellText, testing::ValuesIn(DecodedBySystem()), CaseName);

TEST(DecodeUtf8, RejectsWhatIsNotUtf8)
{
    std::u16string out = u"untouched";
    for (const char* bad : {"\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE5\x89", "\x80"})
        EXPECT_FALSE(DecodeUtf8(bad, &out)) << bad;
    EXPECT_EQ(u"untouched", out);
}
