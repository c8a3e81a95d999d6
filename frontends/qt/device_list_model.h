// The device list's rows as a Qt table model: six read-only text columns.
#pragma once

#include "device_list_bridge.h"
#include "device_rows.h"
#include "row_snapshot.h"

#include <QAbstractTableModel>

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

    // Applies the rows of what the worker did: one reset for an emptying, one insertion for all
    // the rows that came with it.
    void Apply(ListUpdate update);
    void RemoveAt(int position);
    void WriteBack(const RowSnapshot& snapshot);

private:
    DeviceRows rows_;
};
