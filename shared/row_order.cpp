#include "row_order.h"

#include <optional>
#include <string_view>

namespace {

std::u16string_view Trimmed(std::u16string_view text)
{
    while (!text.empty() && text.front() == u' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == u' ')
        text.remove_suffix(1);
    return text;
}

// The value of up to maxDigits decimal digits, or nothing.
std::optional<std::uint32_t> Number(std::u16string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    return value;
}

std::optional<std::uint32_t> Ipv4(std::u16string_view text)
{
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t dot = part < 3 ? text.find(u'.') : text.size();
        if (dot == std::u16string_view::npos)
            return std::nullopt;
        const std::optional<std::uint32_t> octet = Number(text.substr(0, dot), 3);
        if (!octet || *octet > 255)
            return std::nullopt;
        address = address << 8 | *octet;
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return address;
}

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
    const std::u16string_view textA = Trimmed(a.cells[static_cast<std::size_t>(column)]);
    const std::u16string_view textB = Trimmed(b.cells[static_cast<std::size_t>(column)]);
    switch (column) {
    case COL_IP:
    case COL_GATEWAY:
        return CompareByValue(Ipv4(textA), Ipv4(textB), textA, textB);
    case COL_PORT:
        return CompareByValue(Number(textA, 5), Number(textB, 5), textA, textB);
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

bool RowBefore(const DeviceRow& a, const DeviceRow& b, RowOrder order)
{
    if (order.Sorted()) {
        const int c = Compare(a, b, order.column);
        if (c != 0)
            return order.descending ? c > 0 : c < 0;
    }
    return a.id < b.id;
}
