// The order the list shows its rows in: first heard, or sorted by one column.
#pragma once

#include "device_rows.h"

struct RowOrder {
    int column = -1; // -1: first-heard order
    bool descending = false;

    bool Sorted() const { return column >= 0; }
    bool operator==(const RowOrder&) const = default;
};

// The order after a click on a column's heading: ascending, then descending, then first heard.
RowOrder NextOrder(RowOrder current, int column);

// Whether a goes before b: IPv4 addresses by their value in the IP and gateway columns, numbers by
// their value in the port column, channel names and versions with their runs of digits compared
// as numbers, other texts as they compare; ties, and first-heard order, by the order the rows
// were heard in.
bool RowBefore(const DeviceRow& a, const DeviceRow& b, RowOrder order);

// RowBefore in that order, for DeviceRows to sort and place by.
RowLess InOrder(RowOrder order);
