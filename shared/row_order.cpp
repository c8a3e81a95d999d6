#include "row_order.h"

#include "ipv4_text.h"

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

int Compare(const DeviceRow& a, const DeviceRow& b, int column)
{
    const std::u16string_view textA = TrimBlanks(a.cells[static_cast<std::size_t>(column)]);
    const std::u16string_view textB = TrimBlanks(b.cells[static_cast<std::size_t>(column)]);
    switch (column) {
    case COL_IP:
    case COL_GATEWAY:
        return CompareByValue(ParseIpv4(textA), ParseIpv4(textB), textA, textB);
    case COL_PORT:
        return CompareByValue(ParseDecimal(textA, 5), ParseDecimal(textB, 5), textA, textB);
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
