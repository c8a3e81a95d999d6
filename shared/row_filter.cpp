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
    for (int column = 0; column < COL_COUNT; ++column) {
        const std::u16string text = FoldedText(VisibleText(cells[static_cast<std::size_t>(column)]));
        if (text.find(needle) != std::u16string::npos)
            return true;
        if (column == COL_MAC) {
            const std::u16string bare = WithoutSeparators(needle);
            if (!bare.empty() && WithoutSeparators(text).find(bare) != std::u16string::npos)
                return true;
        }
    }
    return false;
}
