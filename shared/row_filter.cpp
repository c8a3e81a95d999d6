#include "row_filter.h"

#include "text_blanks.h"
#include "visible_text.h"

#include <algorithm>
#include <string>

namespace {

// Only ASCII letters fold: the other texts a device sends have no case worth guessing at.
char16_t Folded(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

std::u16string FoldedText(std::u16string_view text)
{
    std::u16string folded(text);
    std::transform(folded.begin(), folded.end(), folded.begin(), Folded);
    return folded;
}

bool IsHexDigit(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f');
}

bool IsMacSeparator(char16_t c)
{
    return c == u'-' || c == u':';
}

// Whether folded text could be part of a MAC: hex digits and MAC separators alone. Anything else
// typed (a name, an address) is looked for as text only, so that 前门3 does not find every MAC
// that holds a 3.
bool LooksLikeMac(std::u16string_view text)
{
    return std::any_of(text.begin(), text.end(), IsHexDigit)
           && std::all_of(text.begin(), text.end(),
                          [](char16_t c) { return IsHexDigit(c) || IsMacSeparator(c); });
}

// A MAC's letters and digits alone: 00-1A-2B, 00:1a:2b and 001a2b are one address.
std::u16string WithoutSeparators(std::u16string_view text)
{
    std::u16string kept;
    for (const char16_t c : text) {
        if ((c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z'))
            kept += c;
    }
    return kept;
}

} // namespace

bool RowMatches(const RowCells& cells, std::u16string_view filter)
{
    const std::u16string needle = FoldedText(TrimBlanks(filter));
    if (needle.empty())
        return true;
    const std::u16string bareMac = LooksLikeMac(needle) ? WithoutSeparators(needle) : u"";
    for (int column = 0; column < COL_COUNT; ++column) {
        const std::u16string text = FoldedText(VisibleText(cells[static_cast<std::size_t>(column)]));
        if (text.find(needle) != std::u16string::npos)
            return true;
        if (column == COL_MAC && !bareMac.empty()
            && WithoutSeparators(text).find(bareMac) != std::u16string::npos)
            return true;
    }
    return false;
}
