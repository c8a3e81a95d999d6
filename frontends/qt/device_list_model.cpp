#include "device_list_model.h"

#include <utility>

namespace {

const char* const COLUMN_HEADINGS[COL_COUNT] = {"chn", "version", "IP", "port", "gateway", "mac"};

} // namespace

DeviceListModel::DeviceListModel(QObject* parent)
    : QAbstractTableModel(parent)
{
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows_.Size();
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : COL_COUNT;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return Cell(index.row(), index.column());
}

QVariant DeviceListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0
        || section >= COL_COUNT)
        return {};
    return QLatin1String(COLUMN_HEADINGS[section]);
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

QString DeviceListModel::Cell(int position, int column) const
{
    if (position < 0 || position >= rows_.Size() || column < 0 || column >= COL_COUNT)
        return {};
    return QString::fromStdU16String(rows_.At(position).cells[static_cast<std::size_t>(column)]);
}

void DeviceListModel::Apply(ListUpdate update)
{
    if (update.cleared) {
        beginResetModel();
        rows_.Clear();
        endResetModel();
    }
    if (!update.rows.empty()) {
        const int first = rows_.Size();
        beginInsertRows({}, first, first + static_cast<int>(update.rows.size()) - 1);
        rows_.Append(std::move(update.rows));
        endInsertRows();
    }
}

void DeviceListModel::RemoveAt(int position)
{
    if (position < 0 || position >= rows_.Size())
        return;
    beginRemoveRows({}, position, position);
    rows_.RemoveAt(position);
    endRemoveRows();
}

void DeviceListModel::WriteBack(const RowSnapshot& snapshot)
{
    ::WriteBack(snapshot, rows_);
    const int position = rows_.PositionOf(snapshot.row);
    if (position >= 0)
        emit dataChanged(index(position, 0), index(position, COL_COUNT - 1), {Qt::DisplayRole});
}
