#include "ui_language.h"

#include <gtest/gtest.h>

namespace {

struct LocaleCase {
    LocaleVariables variables;
    UiLanguage expected;
};

TEST(UiLanguage, TheLocaleChoosesAsForEveryProgramsMessagesAndNoChoiceIsChinese)
{
    constexpr UiLanguage zh = UiLanguage::Chinese;
    constexpr UiLanguage en = UiLanguage::English;
    const LocaleCase cases[] = {
        {{"", "", "", ""}, zh},
        {{"", "", "", "C"}, zh},
        {{"", "", "", "C.UTF-8"}, zh},
        {{"en_US", "", "", "POSIX"}, zh}, // LANGUAGE is no choice under the C locale
        {{"", "", "", "zh_CN.UTF-8"}, zh},
        {{"", "", "", "zh_TW.UTF-8"}, zh},
        {{"", "", "", "en_US.UTF-8"}, en},
        {{"", "", "", "de_DE.UTF-8"}, en},
        {{"", "", "", "zhx_XX"}, en},
        {{"", "", "zh_CN.UTF-8", "en_US.UTF-8"}, zh}, // LC_MESSAGES before LANG
        {{"", "en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8"}, en}, // LC_ALL before both
        {{"", "C", "zh_CN.UTF-8", ""}, zh},
        {{"en_US", "", "", "zh_CN.UTF-8"}, en}, // LANGUAGE before the locale
        {{"de:fr:zh_CN:en", "", "", "de_DE.UTF-8"}, zh}, // its first of our two
        {{"de::en_GB", "", "", "zh_CN.UTF-8"}, en},
        {{"de:fr", "", "", "zh_CN.UTF-8"}, zh}, // none of ours: the locale's own
        {{"zh@pinyin", "", "", "fr_FR"}, zh},
    };
    for (const LocaleCase& c : cases) {
        const LocaleVariables& v = c.variables;
        EXPECT_EQ(LanguageOfLocale(v), c.expected)
            << "LANGUAGE=" << v.language << " LC_ALL=" << v.lcAll
            << " LC_MESSAGES=" << v.lcMessages << " LANG=" << v.lang;
    }
}

TEST(UiLanguage, WindowsUiLanguagesOfChineseAreChineseAndEveryOtherIsEnglish)
{
    const std::pair<std::uint16_t, UiLanguage> cases[] = {
        {0x0804, UiLanguage::Chinese}, // zh-CN
        {0x0404, UiLanguage::Chinese}, // zh-TW
        {0x0c04, UiLanguage::Chinese}, // zh-HK
        {0x1004, UiLanguage::Chinese}, // zh-SG
        {0x0409, UiLanguage::English}, // en-US
        {0x0809, UiLanguage::English}, // en-GB
        {0x0411, UiLanguage::English}, // ja-JP
        {0x0007, UiLanguage::English}, // de, neutral
        {0x0000, UiLanguage::English}, // neutral
    };
    for (const auto& [langId, expected] : cases)
        EXPECT_EQ(LanguageOfWindowsUi(langId), expected) << std::hex << langId;
}

} // namespace
