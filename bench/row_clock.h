// Times one search in a device list: from its start to the moment the list's model first holds a
// given row with every cell filled, and to the list's next paint after that, which the clock asks
// for: a row below the visible ones changes nothing in sight. It notes the times on the window's
// thread, in the model's signals and the viewport's paint events, so the timing neither polls nor
// holds that thread up.
#pragma once

#include <QElapsedTimer>
#include <QObject>

#include <cstddef>
#include <vector>

class QAbstractItemModel;
class QAbstractItemView;
class QWidget;

class RowClock : public QObject
{
    Q_OBJECT

public:
    // rows: the row counts to time, ascending, counted from 1.
    explicit RowClock(QAbstractItemView* list, std::vector<int> rows, QObject* parent = nullptr);

    // Starts timing a search that begins now. Rows left from an earlier search do not count: the
    // clock waits for the list to be emptied first.
    void Start();
    // Whether every row has been listed and painted since Start.
    bool Done() const;
    // Milliseconds from Start to each row, and to the next paint after it; negative until then.
    const std::vector<double>& RowMs() const { return rowMs_; }
    const std::vector<double>& PaintMs() const { return paintMs_; }

signals:
    void finished();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void OnModelChanged();
    bool RowComplete(int row) const;
    double ElapsedMs() const;

    QAbstractItemModel* model_;
    QWidget* viewport_;
    std::vector<int> rows_;
    std::vector<double> rowMs_;
    std::vector<double> paintMs_;
    // How many of rows_ have been listed since Start.
    std::size_t listed_ = 0;
    bool emptied_ = false;
    QElapsedTimer elapsed_;
};
