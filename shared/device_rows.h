// The device list's rows as values, in the order the list shows them.
#pragma once

#include "bc_protocol.h"
#include "heard_on.h"
#include "search_worker.h"

#include <array>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

// The heading of a column, as the list and the copies with a heading line name it.
std::u16string ColumnHeading(int column);

// A row's identity: it stays with the row whatever rows are added or removed around it.
using RowId = int;
constexpr RowId NO_ROW = -1;

using RowCells = std::array<std::u16string, COL_COUNT>;

struct DeviceRow {
    RowId id = NO_ROW;
    // What the list shows, which Edit may change.
    RowCells cells;
    // Where the device's latest reply came in.
    HeardOn heardOn;
    // The device's record as its first reply carried it.
    BCDevNetInfo record{};
    // The texts the row was listed with: the device's first reply, or a later one taken in.
    RowCells listed;
    // The texts of the device's latest reply.
    RowCells latest;
    // The latest reply's channel name in each decoding: the plan is checked against these.
    NameDecodings latestNames;
    // The device has not answered for a while; when it last did.
    bool silent = false;
    std::chrono::system_clock::time_point lastHeard;
};

// Whether one row goes before another.
using RowLess = std::function<bool(const DeviceRow&, const DeviceRow&)>;

class DeviceRows
{
public:
    int Size() const { return static_cast<int>(rows_.size()); }
    // The row at a position, 0 <= position < Size().
    const DeviceRow& At(int position) const { return rows_.at(static_cast<std::size_t>(position)); }
    const std::vector<DeviceRow>& All() const { return rows_; }
    // The row with that identity, or null when it is no longer listed.
    DeviceRow* Find(RowId id);
    // The position of a row, or -1 when it is no longer listed.
    int PositionOf(RowId id) const;

    void Clear() { rows_.clear(); }
    // Where a row would go to keep the list in order.
    int PlaceOf(const DeviceRow& row, const RowLess& before) const;
    void InsertAt(int position, DeviceRow row);
    // Puts the rows in order; rows that compare equal keep the order they were heard in.
    void Sort(const RowLess& before);
    // Removes the row at a position; a position outside the list removes nothing.
    void RemoveAt(int position);
    // Replaces one cell of a row; a row no longer listed is left alone. Returns its position.
    int SetCell(RowId id, int column, std::u16string text);

private:
    std::vector<DeviceRow> rows_;
};
