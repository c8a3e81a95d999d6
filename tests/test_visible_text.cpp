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
