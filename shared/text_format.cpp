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
