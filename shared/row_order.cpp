#include "row_order.h"

#include "ipv4_text.h"
#include "text_blanks.h"

#include <optional>
#include <string_view>

namespace {

// Texts that hold a value go first, by that value; the others after them, as texts.
int CompareByValue(std::optional<std::uint32_t> a, std::optional<std::uint32_t> b,
                   std::u16string_view textA, std::u16string_view textB)
{
    if (a && b)
        return *a < *b ? -1 : *a > *b ? 1 : 0;
    if (a || b)
        return a ? -1 : 1;
    return textA.compare(textB);
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// Runs of digits compare as the numbers they write, whatever their length, the rest as texts:
// 前门2 before 前门10, V2.9 before V2.10. Texts equal but for leading zeros compare as texts.
int CompareNatural(std::u16string_view a, std::u16string_view b)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (!IsDigit(a[i]) || !IsDigit(b[j])) {
            if (a[i] != b[j])
                return a[i] < b[j] ? -1 : 1;
            ++i;
            ++j;
            continue;
        }
        while (i < a.size() && a[i] == u'0')
            ++i;
        while (j < b.size() && b[j] == u'0')
            ++j;
        std::size_t endA = i;
        std::size_t endB = j;
        while (endA < a.size() && IsDigit(a[endA]))
            ++endA;
        while (endB < b.size() && IsDigit(b[endB]))
            ++endB;
        if (endA - i != endB - j)
            return endA - i < endB - j ? -1 : 1;
        if (const int c = a.substr(i, endA - i).compare(b.substr(j, endB - j)); c != 0)
            return c;
        i = endA;
        j = endB;
    }
    if (i < a.size() || j < b.size())
        return i < a.size() ? 1 : -1;
    return a.compare(b);
}

int Compare(const DeviceRow& a, const DeviceRow& b, int column)
{
    const std::u16string_view textA = TrimBlanks(a.cells[static_cast<std::size_t>(column)]);
    const std::u16string_view textB = TrimBlanks(b.cells[static_cast<std::size_t>(column)]);
    switch (column) {
    case COL_IP:
    case COL_GATEWAY:
        return CompareByValue(ParseIpv4(textA), ParseIpv4(textB), textA, textB);
    case COL_PORT:
        return CompareByValue(ParsePort(textA), ParsePort(textB), textA, textB);
    case COL_CHN:
    case COL_VERSION:
        return CompareNatural(textA, textB);
    default:
        return textA.compare(textB);
    }
}

} // namespace

RowOrder NextOrder(RowOrder current, int column)
{
    if (current.column != column)
        return {column, false};
    if (!current.descending)
        return {column, true};
    return {};
}

RowLess InOrder(RowOrder order)
{
    return [order](const DeviceRow& a, const DeviceRow& b) { return RowBefore(a, b, order); };
}

bool RowBefore(const DeviceRow& a, const DeviceRow& b, RowOrder order)
{
    if (order.Sorted()) {
        const int c = Compare(a, b, order.column);
        if (c != 0)
            return order.descending ? c > 0 : c < 0;
    }
    return a.id < b.id;
}
