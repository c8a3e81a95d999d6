#include "clipboard_text.h"

#include "visible_text.h"

std::u16string_view WithoutCellBlank(std::u16string_view cell)
{
    if (!cell.empty() && cell.back() == u' ')
        cell.remove_suffix(1);
    return cell;
}

std::u16string SpreadsheetSafe(std::u16string text)
{
    constexpr std::u16string_view FORMULA_STARTS = u"=+-@";
    if (!text.empty() && FORMULA_STARTS.find(text.front()) != FORMULA_STARTS.npos)
        text.insert(text.begin(), u'\'');
    return text;
}

std::u16string ClipboardCell(std::u16string_view cell)
{
    std::u16string text(WithoutCellBlank(cell));
    for (char16_t& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x2028
            || c == 0x2029)
            c = u' ';
    }
    return SpreadsheetSafe(VisibleText(text));
}

std::u16string ClipboardRows(const DeviceRows& rows, const std::vector<int>& positions,
                             bool headings)
{
    std::u16string text;
    if (headings) {
        for (int column = 0; column < COL_COUNT; ++column) {
            if (column > 0)
                text += u'\t';
            text += ColumnHeading(column);
        }
        text += u'\n';
    }
    for (const int position : positions) {
        const RowCells& cells = rows.At(position).cells;
        for (int column = 0; column < COL_COUNT; ++column) {
            if (column > 0)
                text += u'\t';
            text += ClipboardCell(cells[static_cast<std::size_t>(column)]);
        }
        text += u'\n';
    }
    return text;
}
