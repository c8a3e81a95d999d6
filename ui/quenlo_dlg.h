// The main window: Search and Stop, and the device list the search worker fills.
#pragma once

#include "search_worker.h"
#include "template_dialog.h"

#include <QPersistentModelIndex>

#include <atomic>

class QTableWidget;

// Gives the device list its six headed columns, each one sixth of the list's outer width.
void InsertDeviceColumns(QTableWidget* list);

class CQuenloDlg : public CTemplateDialog, public IDeviceListView, public ISearchObserver
{
    Q_OBJECT

public:
    explicit CQuenloDlg(QWidget* parent = nullptr);
    ~CQuenloDlg() override;

    QTableWidget* DeviceList() const;
    const CSearchWorker& Worker() const { return worker_; }

    // Called from the worker's thread; each runs on the window's thread while the worker waits.
    void DeleteAllRows() override;
    int AppendRow() override;
    void SetCellText(int row, int column, const std::u16string& text) override;
    void TurnRedrawOn() override;

    void OnReplyPortUnavailable() override;

    // Ends the search for good before the window closes.
    void done(int result) override;

    void OnBnClickedSearch();
    void OnBnClickedStop();
    // System-menu commands; the About command opens the About box.
    void OnSysCommand(unsigned commandId);

    // Row commands. A right click on a row snapshots it and offers Edit and Delete; a double
    // click opens the device's web page.
    void OnNMRclickList(const QPoint& position);
    void OnRowEdit();
    void OnRowDelete();
    void OnNMDblclkList(const QModelIndex& index);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
#ifdef _WIN32
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

private:
    void OnInitDialog();
    void InitDeviceList();
    // Replaces the text of one cell with a text the operator cannot edit in place.
    void WriteCell(int row, int column, const QString& text);
    // Runs operation on the window's thread and waits for it; does nothing once the window is
    // closing.
    template <class Operation>
    void OnWindowThread(Operation operation);
    // Stops the worker and serves its last list operations (as no-ops) until it has ended.
    void EndSearchForGood();

    std::atomic<bool> closing_{false};
    // The row the worker is filling, followed across rows the operator deletes meanwhile.
    QPersistentModelIndex fillingRow_;
    int fillingRowIndex_ = -1;
    CSearchWorker worker_{*this, this};
};
