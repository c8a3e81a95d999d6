#include "visible_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <iterator>

namespace {

constexpr char16_t REPLACEMENT = u'\uFFFD';
constexpr char16_t CONTROL_PICTURES = u'\u2400';
constexpr char16_t DELETE_PICTURE = u'\u2421';

struct Range {
    char32_t first;
    char32_t last;
};

// Unicode 15's format characters (category Cf), in order.
constexpr std::array<Range, 21> FORMAT_CHARACTERS = {{
    {0x00AD, 0x00AD},   {0x0600, 0x0605},   {0x061C, 0x061C},   {0x06DD, 0x06DD},
    {0x070F, 0x070F},   {0x0890, 0x0891},   {0x08E2, 0x08E2},   {0x180E, 0x180E},
    {0x200B, 0x200F},   {0x202A, 0x202E},   {0x2060, 0x2064},   {0x2066, 0x206F},
    {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD}, {0x110CD, 0x110CD},
    {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A}, {0xE0001, 0xE0001},
    {0xE0020, 0xE007F},
}};

bool IsFormat(char32_t c)
{
    const auto after =
        std::upper_bound(FORMAT_CHARACTERS.begin(), FORMAT_CHARACTERS.end(), c,
                         [](char32_t value, const Range& r) { return value < r.first; });
    return after != FORMAT_CHARACTERS.begin() && c <= std::prev(after)->last;
}

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

} // namespace

std::u16string VisibleText(std::u16string_view text)
{
    std::u16string visible;
    visible.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            const char32_t c = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            if (IsFormat(c)) {
                visible += REPLACEMENT;
            } else {
                visible += unit;
                visible += text[i + 1];
            }
            ++i;
        } else if (unit < 0x20) {
            visible += static_cast<char16_t>(CONTROL_PICTURES + unit);
        } else if (unit == 0x7F) {
            visible += DELETE_PICTURE;
        } else if ((unit >= 0x80 && unit <= 0x9F) || unit == 0x2028 || unit == 0x2029
                   || IsHighSurrogate(unit) || IsLowSurrogate(unit) || IsFormat(unit)) {
            visible += REPLACEMENT;
        } else {
            visible += unit;
        }
    }
    return visible;
}
