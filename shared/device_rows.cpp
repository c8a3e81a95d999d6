#include "device_rows.h"

#include <algorithm>
#include <iterator>
#include <utility>

std::u16string ColumnHeading(int column)
{
    static const char16_t* const HEADINGS[COL_COUNT] = {u"chn",  u"version", u"IP",
                                                        u"port", u"gateway", u"mac"};
    return HEADINGS[column];
}

int DeviceRows::PositionOf(RowId id) const
{
    const auto found = std::find_if(rows_.begin(), rows_.end(),
                                    [id](const DeviceRow& row) { return row.id == id; });
    return found == rows_.end() ? -1 : static_cast<int>(found - rows_.begin());
}

DeviceRow* DeviceRows::Find(RowId id)
{
    const int position = PositionOf(id);
    return position < 0 ? nullptr : &rows_[static_cast<std::size_t>(position)];
}

int DeviceRows::PlaceOf(const DeviceRow& row, const RowLess& before) const
{
    return static_cast<int>(std::upper_bound(rows_.begin(), rows_.end(), row, before)
                            - rows_.begin());
}

void DeviceRows::InsertAt(int position, DeviceRow row)
{
    rows_.insert(rows_.begin() + std::clamp(position, 0, Size()), std::move(row));
}

void DeviceRows::Sort(const RowLess& before)
{
    std::stable_sort(rows_.begin(), rows_.end(), before);
}

void DeviceRows::RemoveAt(int position)
{
    if (position >= 0 && position < Size())
        rows_.erase(rows_.begin() + position);
}

int DeviceRows::SetCell(RowId id, int column, std::u16string text)
{
    const int position = PositionOf(id);
    if (position >= 0 && column >= 0 && column < COL_COUNT)
        rows_[static_cast<std::size_t>(position)].cells[static_cast<std::size_t>(column)] =
            std::move(text);
    return position;
}
