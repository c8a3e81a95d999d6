#include "row_clock.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QEvent>
#include <QWidget>

#include <algorithm>
#include <utility>

RowClock::RowClock(QAbstractItemView* list, std::vector<int> rows, QObject* parent)
    : QObject(parent),
      model_(list->model()),
      viewport_(list->viewport()),
      rows_(std::move(rows)),
      rowMs_(rows_.size(), -1),
      paintMs_(rows_.size(), -1)
{
    // A row may arrive empty and be filled cell by cell, or arrive whole.
    connect(model_, &QAbstractItemModel::rowsInserted, this, &RowClock::OnModelChanged);
    connect(model_, &QAbstractItemModel::dataChanged, this, &RowClock::OnModelChanged);
    connect(model_, &QAbstractItemModel::rowsRemoved, this, &RowClock::OnModelChanged);
    connect(model_, &QAbstractItemModel::modelReset, this, &RowClock::OnModelChanged);
    viewport_->installEventFilter(this);
}

void RowClock::Start()
{
    std::fill(rowMs_.begin(), rowMs_.end(), -1);
    std::fill(paintMs_.begin(), paintMs_.end(), -1);
    listed_ = 0;
    emptied_ = model_->rowCount() == 0;
    elapsed_.start();
}

bool RowClock::Done() const
{
    return listed_ == rows_.size() && paintMs_.back() >= 0;
}

double RowClock::ElapsedMs() const
{
    return static_cast<double>(elapsed_.nsecsElapsed()) / 1e6;
}

bool RowClock::RowComplete(int row) const
{
    if (row >= model_->rowCount())
        return false;
    for (int column = 0; column < model_->columnCount(); ++column) {
        if (model_->data(model_->index(row, column)).toString().isEmpty())
            return false;
    }
    return true;
}

void RowClock::OnModelChanged()
{
    if (!elapsed_.isValid())
        return;
    emptied_ = emptied_ || model_->rowCount() == 0;
    if (!emptied_)
        return;
    // Rows are appended in order, and several may arrive at once.
    const std::size_t before = listed_;
    while (listed_ < rows_.size() && RowComplete(rows_[listed_] - 1))
        rowMs_[listed_++] = ElapsedMs();
    if (listed_ > before)
        viewport_->update();
}

bool RowClock::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && listed_ > 0 && paintMs_[listed_ - 1] < 0) {
        const double now = ElapsedMs();
        for (std::size_t i = 0; i < listed_; ++i) {
            if (paintMs_[i] < 0)
                paintMs_[i] = now;
        }
        if (Done())
            emit finished();
    }
    return QObject::eventFilter(watched, event);
}
