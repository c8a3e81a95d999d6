#include "device_list_model.h"

#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QStyle>

namespace {

// A blue dot: a text edited in the list alone, as the Windows window marks it.
QIcon EditedIcon()
{
    QPixmap dot(16, 16);
    dot.fill(Qt::transparent);
    QPainter painter(&dot);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 90, 200));
    painter.drawEllipse(QRectF(4, 4, 8, 8));
    return QIcon(dot);
}

} // namespace

DeviceListModel::DeviceListModel(const CListPresenter& presenter, QObject* parent)
    : QAbstractTableModel(parent),
      presenter_(presenter),
      shown_(presenter.ShownIds()),
      oddAddress_(QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning)),
      changed_(QApplication::style()->standardIcon(QStyle::SP_BrowserReload)),
      asPlanned_(QApplication::style()->standardIcon(QStyle::SP_DialogApplyButton)),
      planDiffers_(QApplication::style()->standardIcon(QStyle::SP_MessageBoxCritical)),
      notInPlan_(QApplication::style()->standardIcon(QStyle::SP_MessageBoxQuestion)),
      edited_(EditedIcon())
{
}

int DeviceListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(shown_.size());
}

int DeviceListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : COL_COUNT;
}

int DeviceListModel::PositionOf(int row) const
{
    return stepping_ ? presenter_.PositionOf(shown_[static_cast<std::size_t>(row)]) : row;
}

QVariant DeviceListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const int position = PositionOf(index.row());
    const int column = index.column();
    if (position < 0)
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdU16String(presenter_.CellText(position, column));
    case Qt::ToolTipRole:
        return ToolTip(position, column);
    case Qt::DecorationRole:
        switch (presenter_.Mark(position, column)) {
        case CellMark::OddAddress:
            return oddAddress_;
        case CellMark::Changed:
            return changed_;
        case CellMark::AsPlanned:
            return asPlanned_;
        case CellMark::PlanDiffers:
            return planDiffers_;
        case CellMark::NotInPlan:
            return notInPlan_;
        case CellMark::Edited:
            return edited_;
        case CellMark::None:
            return {};
        }
        return {};
    case Qt::ForegroundRole:
        // A device that no longer answers is greyed, as a disabled text is.
        if (presenter_.Silent(position))
            return QApplication::palette().color(QPalette::Disabled, QPalette::Text);
        return {};
    case Qt::AccessibleDescriptionRole:
        if (presenter_.Marked(position, column) || presenter_.Silent(position))
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
    return QString::fromStdU16String(ColumnHeading(section));
}

Qt::ItemFlags DeviceListModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

QString DeviceListModel::ToolTip(int position, int column) const
{
    QStringList lines;
    for (const std::u16string& line : presenter_.ToolTip(position, column))
        lines << QString::fromStdU16String(line);
    return lines.join(QLatin1Char('\n'));
}

void DeviceListModel::Show(const ListChange& change)
{
    if (change.emptied) {
        // An emptying, then the new search's rows as one insertion, as a screen reader hears them.
        beginResetModel();
        shown_.clear();
        endResetModel();
        if (presenter_.Size() > 0) {
            beginInsertRows({}, 0, presenter_.Size() - 1);
            shown_ = presenter_.ShownIds();
            endInsertRows();
        }
        return;
    }
    if (change.reordered)
        ShowNewOrder();
    ShowSteps(change.steps);
    if (change.repaint && !shown_.empty())
        emit dataChanged(index(0, 0), index(static_cast<int>(shown_.size()) - 1, COL_COUNT - 1));
}

void DeviceListModel::ShowSteps(const std::vector<ListStep>& steps)
{
    if (steps.empty())
        return;
    stepping_ = true;
    for (const ListStep& step : steps) {
        const auto at = shown_.begin() + step.position;
        if (step.kind == ListStep::Kind::Insert) {
            beginInsertRows({}, step.position, step.position + static_cast<int>(step.ids.size()) - 1);
            shown_.insert(at, step.ids.begin(), step.ids.end());
            endInsertRows();
        } else {
            const int count = static_cast<int>(step.ids.size());
            beginRemoveRows({}, step.position, step.position + count - 1);
            shown_.erase(at, at + count);
            endRemoveRows();
        }
    }
    stepping_ = false;
}

void DeviceListModel::ShowNewOrder()
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    for (const QModelIndex& index : before)
        after << this->index(presenter_.PositionOf(shown_[static_cast<std::size_t>(index.row())]),
                             index.column());
    shown_ = presenter_.ShownIds();
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}
