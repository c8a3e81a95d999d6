// The device list's rows as a Qt table model: six read-only text columns, in first-heard order or
// sorted by one column.
#pragma once

#include "device_list_bridge.h"
#include "device_rows.h"
#include "row_order.h"
#include "row_snapshot.h"

#include <QAbstractTableModel>
#include <QIcon>

class DeviceListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DeviceListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    const DeviceRows& Rows() const { return rows_; }
    // The text of a cell as the device sent it; the list shows it made visible.
    QString Cell(int position, int column) const;

    RowOrder Order() const { return order_; }
    // Puts the rows in order; selections and other persistent indexes follow their rows.
    void SetOrder(RowOrder order);

    // Applies the rows of what the worker did. An emptying starts a new search, in first-heard
    // order; rows then come in one insertion, or each at its sorted place.
    void Apply(ListUpdate update);
    void RemoveAt(int position);
    void WriteBack(const RowSnapshot& snapshot);

private:
    QString ToolTip(int position, int column) const;

    DeviceRows rows_;
    RowOrder order_;
    QIcon mark_;
};
