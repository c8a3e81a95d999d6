#include "text_format.h"

std::u16string FormatText(std::u16string_view pattern,
                          std::initializer_list<std::u16string_view> arguments)
{
    std::u16string text;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const bool placeholder =
            pattern[i] == u'%' && i + 1 < pattern.size() && pattern[i + 1] >= u'1'
            && pattern[i + 1] <= u'9'
            && static_cast<std::size_t>(pattern[i + 1] - u'1') < arguments.size();
        if (placeholder) {
            text += *(arguments.begin() + (pattern[i + 1] - u'1'));
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::u16string AsciiText(std::string_view text)
{
    return std::u16string(text.begin(), text.end());
}

std::u16string Utf8Text(std::string_view text)
{
    std::u16string wide;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 && lead < 0xF5 ? 4
                                   : lead >= 0xE0                 ? 3
                                   : lead >= 0xC2 && lead < 0xE0  ? 2
                                                                  : 0;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        bool whole = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; whole && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            whole = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no characters either.
        whole = whole && !(length == 3 && c < 0x800) && !(length == 4 && (c < 0x10000 || c > 0x10FFFF))
                && !(c >= 0xD800 && c <= 0xDFFF);
        if (!whole) {
            wide += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            wide += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            wide += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            wide += static_cast<char16_t>(c);
        }
        i += length;
    }
    return wide;
}
