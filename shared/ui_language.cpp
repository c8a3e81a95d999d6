#include "ui_language.h"

#include <optional>

namespace {

constexpr std::uint16_t LANG_ID_CHINESE = 0x04;
constexpr std::uint16_t PRIMARY_LANGUAGE_MASK = 0x3ff;

// The language part of a locale name: "zh" of "zh_CN.UTF-8@pinyin".
std::string_view LanguagePart(std::string_view locale)
{
    return locale.substr(0, locale.find_first_of("_.@"));
}

bool IsNoneChosen(std::string_view locale)
{
    const std::string_view language = LanguagePart(locale);
    return language.empty() || language == "C" || language == "POSIX";
}

// Chinese or English when the locale name is one of the two, nothing for any other language.
std::optional<UiLanguage> OneOfOurs(std::string_view locale)
{
    const std::string_view language = LanguagePart(locale);
    if (language == "zh")
        return UiLanguage::Chinese;
    if (language == "en")
        return UiLanguage::English;
    return std::nullopt;
}

} // namespace

UiLanguage LanguageOfLocale(const LocaleVariables& variables)
{
    std::string_view locale = variables.lcAll;
    if (locale.empty())
        locale = variables.lcMessages;
    if (locale.empty())
        locale = variables.lang;
    if (IsNoneChosen(locale))
        return UiLanguage::Chinese;
    std::string_view preferences = variables.language;
    while (!preferences.empty()) {
        const std::size_t colon = preferences.find(':');
        if (const std::optional<UiLanguage> language = OneOfOurs(preferences.substr(0, colon)))
            return *language;
        preferences = colon == std::string_view::npos ? std::string_view()
                                                       : preferences.substr(colon + 1);
    }
    return OneOfOurs(locale).value_or(UiLanguage::English);
}

UiLanguage LanguageOfWindowsUi(std::uint16_t langId)
{
    return (langId & PRIMARY_LANGUAGE_MASK) == LANG_ID_CHINESE ? UiLanguage::Chinese
                                                               : UiLanguage::English;
}
