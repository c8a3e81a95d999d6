// The device list as a Qt table model: draws what the list's presenter holds, six read-only text
// columns, and tells the views of each change the presenter made.
#pragma once

#include "list_presenter.h"

#include <QAbstractTableModel>
#include <QIcon>

#include <vector>

class DeviceListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit DeviceListModel(const CListPresenter& presenter, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Tells the views what the presenter changed; selections follow their rows.
    void Show(const ListChange& change);

private:
    // The presenter's position of a model row. They are the same but while a change's steps are
    // told one by one, when the model still shows the rows of the steps before.
    int PositionOf(int row) const;
    void ShowSteps(const std::vector<ListStep>& steps);
    void ShowNewOrder();
    QString ToolTip(int position, int column) const;

    const CListPresenter& presenter_;
    // The identities of the rows the views know of, in their order.
    std::vector<RowId> shown_;
    bool stepping_ = false;
    QIcon oddAddress_;
    QIcon changed_;
    QIcon asPlanned_;
    QIcon planDiffers_;
    QIcon notInPlan_;
    QIcon edited_;
};
