#include "device_list_model.h"

#include "dialog_template.h"
#include "resource.h"
#include "visible_text.h"

#include <QApplication>
#include <QStyle>

#include <algorithm>
#include <utility>

namespace {

const char* const COLUMN_HEADINGS[COL_COUNT] = {"chn", "version", "IP", "port", "gateway", "mac"};

QString Visible(const std::u16string& text)
{
    return QString::fromStdU16String(VisibleText(text));
}

} // namespace

DeviceListModel::DeviceListModel(QObject* parent)
    : QAbstractTableModel(parent),
      mark_(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning))
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
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int position = index.row();
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole:
        // What a device sent, with nothing hidden: no override may reorder it, no control vanish.
        return Visible(rows_.At(position).cells[static_cast<std::size_t>(column)]);
    case Qt::ToolTipRole:
        return ToolTip(position, column);
    case Qt::DecorationRole:
        if (column == COL_IP && rows_.Marked(position))
            return mark_;
        return {};
    case Qt::AccessibleDescriptionRole:
        if (column == COL_IP && rows_.Marked(position))
            return ToolTip(position, column);
        return {};
    default:
        return {};
    }
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

// The cell's whole text, then where the device answered and what is odd about its address.
QString DeviceListModel::ToolTip(int position, int column) const
{
    const DeviceRow& row = rows_.At(position);
    QStringList lines{Visible(row.cells[static_cast<std::size_t>(column)]).trimmed()};
    if (!row.heardOn.interfaceName.empty()) {
        lines << LoadResourceString(IDS_TIP_HEARD_ON)
                     .arg(Visible(std::u16string(row.heardOn.interfaceName.begin(),
                                                 row.heardOn.interfaceName.end())),
                          QString::fromStdString(FormatIpv4(row.heardOn.localAddress)));
    }
    if (row.heardOn.outsideLocalSubnets)
        lines << LoadResourceString(IDS_TIP_OUTSIDE);
    if (const int sharing = rows_.SharingIp(position); sharing > 1)
        lines << LoadResourceString(IDS_TIP_SHARED_IP).arg(sharing);
    return lines.join(QLatin1Char('\n'));
}

void DeviceListModel::SetOrder(RowOrder order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<RowId> ids;
    for (const QModelIndex& index : before)
        ids.push_back(rows_.At(index.row()).id);
    order_ = order;
    rows_.Sort(order_);
    QModelIndexList after;
    for (std::size_t i = 0; i < ids.size(); ++i)
        after << index(rows_.PositionOf(ids[i]), before[static_cast<int>(i)].column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DeviceListModel::Apply(ListUpdate update)
{
    if (update.cleared) {
        beginResetModel();
        rows_.Clear();
        order_ = {};
        endResetModel();
    }
    if (update.rows.empty())
        return;
    if (!order_.Sorted()) {
        const int first = rows_.Size();
        beginInsertRows({}, first, first + static_cast<int>(update.rows.size()) - 1);
        rows_.Append(std::move(update.rows));
        endInsertRows();
        return;
    }
    for (DeviceRow& row : update.rows) {
        const int place = rows_.PlaceOf(row, order_);
        beginInsertRows({}, place, place);
        rows_.InsertAt(place, std::move(row));
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
    if (position < 0)
        return;
    // Another IP text changes which rows share one, so every row's mark may change.
    emit dataChanged(index(0, 0), index(rows_.Size() - 1, COL_COUNT - 1));
    if (order_.Sorted())
        SetOrder(order_);
}
