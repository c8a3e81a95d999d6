// Which of the windows' two languages the operator reads, decided once at start-up from what the
// system says the operator prefers.
#pragma once

#include <cstdint>
#include <string_view>

enum class UiLanguage { Chinese, English };

// The locale variables as the C library and Qt read them on Linux; unset ones are empty.
struct LocaleVariables {
    std::string_view language;   // LANGUAGE: a colon-separated list of preferences
    std::string_view lcAll;      // LC_ALL
    std::string_view lcMessages; // LC_MESSAGES
    std::string_view lang;       // LANG
};

// As every program's messages choose: when no locale is chosen (unset, C or POSIX) Chinese, and
// LANGUAGE counts for nothing; otherwise the first of LANGUAGE's preferences that is Chinese or
// English, else the messages locale's own language (LC_ALL, else LC_MESSAGES, else LANG). Chinese
// when that is Chinese, English for every other language.
UiLanguage LanguageOfLocale(const LocaleVariables& variables);

// Chinese when the Windows user interface language (a LANGID) is Chinese, English for any other.
UiLanguage LanguageOfWindowsUi(std::uint16_t langId);
