#include "clipboard_text.h"

#include "visible_text.h"

std::u16string ClipboardCell(std::u16string_view cell)
{
    if (!cell.empty() && cell.back() == u' ')
        cell.remove_suffix(1);
    std::u16string text(cell);
    for (char16_t& c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f' || c == 0x2028
            || c == 0x2029)
            c = u' ';
    }
    text = VisibleText(text);
    if (!text.empty()
        && (text.front() == u'=' || text.front() == u'+' || text.front() == u'-'
            || text.front() == u'@'))
        text.insert(text.begin(), u'\'');
    return text;
}

std::u16string ClipboardRows(const DeviceRows& rows, const std::vector<int>& positions)
{
    std::u16string text;
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
