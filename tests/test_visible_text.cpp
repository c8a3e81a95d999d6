// Device texts that would hide or disguise themselves are shown as what they are.
#include "visible_text.h"

#include <gtest/gtest.h>

namespace {

struct VisibleCase {
    const char* name;
    std::u16string sent;
    std::u16string shown;
};

class VisibleTextCases : public testing::TestWithParam<VisibleCase>
{
};

} // namespace

TEST_P(VisibleTextCases, ShowsWhatTheDeviceSent)
{
    EXPECT_TRUE(GetParam().shown == VisibleText(GetParam().sent));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, VisibleTextCases,
    testing::Values(
        VisibleCase{"PlainTextAndTheCellBlankStay", u"前门 10.0.0.1 ", u"前门 10.0.0.1 "},
        VisibleCase{"RightToLeftOverride", u"\u202E1.77.0.34", u"\uFFFD1.77.0.34"},
        VisibleCase{"IsolatesAndZeroWidth", u"a\u2066b\u200Bc\uFEFF", u"a\uFFFDb\uFFFDc\uFFFD"},
        VisibleCase{"ControlsAsPictures", u"a\tb\r\n\x1B\x7F", u"a\u2409b\u240D\u240A\u241B\u2421"},
        VisibleCase{"NulAsPicture", std::u16string(u"a\0b", 3), u"a\u2400b"},
        VisibleCase{"C1ControlsAndSeparators", u"\u0085x\u2028y\u2029", u"\uFFFDx\uFFFDy\uFFFD"},
        VisibleCase{"TagCharactersOutsideTheBasicPlane", u"id\U000E0041", u"id\uFFFD"},
        VisibleCase{"OtherAstralCharactersStay", u"\U0001F4F7 cam", u"\U0001F4F7 cam"},
        VisibleCase{"UnpairedSurrogates", std::u16string{u'a', char16_t(0xD83D), u'b', char16_t(0xDC37)},
                    u"a\uFFFDb\uFFFD"}),
    [](const testing::TestParamInfo<VisibleCase>& param) { return std::string(param.param.name); });

// Format characters (Unicode category Cf) are hidden to the edges of their runs; the characters
// just outside a run show as they are.
TEST(VisibleText, FormatCharactersToTheEdgesOfTheirRuns)
{
    const auto shown = [](char32_t c) {
        std::u16string text;
        if (c < 0x10000) {
            text += static_cast<char16_t>(c);
        } else {
            text += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            text += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        return VisibleText(text) == text;
    };
    for (const char32_t hidden : {0x00AD, 0x0600, 0x0605, 0x061C, 0x180E, 0x200B, 0x200F, 0x202A,
                                  0x202E, 0x2060, 0x2064, 0x2066, 0x206F, 0xFEFF, 0xFFF9, 0xFFFB,
                                  0x13430, 0x1343F, 0x1D173, 0x1D17A, 0xE0001, 0xE0020, 0xE007F})
        EXPECT_FALSE(shown(hidden)) << std::hex << static_cast<unsigned>(hidden);
    for (const char32_t plain : {0x00AC, 0x00AE, 0x05FF, 0x0606, 0x200A, 0x2010, 0x202F, 0x205F,
                                 0x2065, 0x2070, 0xFEFE, 0xFFF8, 0xFFFC, 0x1342F, 0x13440, 0xE0000,
                                 0xE0002, 0xE001F, 0xE0080})
        EXPECT_TRUE(shown(plain)) << std::hex << static_cast<unsigned>(plain);
}
