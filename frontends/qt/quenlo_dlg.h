// The main window: Search and Stop, and the device list the search worker fills.
#pragma once

#include "list_presenter.h"
#include "plan_loader.h"
#include "search_commands.h"
#include "search_session.h"
#include "site_messages.h"
#include "template_dialog.h"

#include <utility>
#include <vector>

class DeviceListModel;
class QLineEdit;
class QMenu;
class QTableView;

class CQuenloDlg : public CTemplateDialog
{
    Q_OBJECT

public:
    explicit CQuenloDlg(QWidget* parent = nullptr);
    ~CQuenloDlg() override;

    QTableView* DeviceList() const;
    QLineEdit* FilterField() const;
    DeviceListModel* DeviceModel() const { return model_; }
    const CListPresenter& Presenter() const { return presenter_; }
    // What the worker writes to; tests may feed it as a worker would.
    CDeviceListBridge& ListBridge() { return search_.Bridge(); }
    const CSearchWorker& Worker() const { return search_.Worker(); }
    const RowSnapshot& Snapshot() const { return presenter_.Snapshot(); }

    // Ends the search for good before the window closes.
    void done(int result) override;
    // Sizes and places the window in a work area, as it opens in the primary screen's.
    void FitIn(const QRect& workArea);

    void OnBnClickedSearch();
    void OnBnClickedStop();
    // The window menu's commands, numbered as system-menu commands are; the About command opens
    // the About box.
    void OnSysCommand(unsigned commandId);

    // Row commands. A right click on a row snapshots it and offers Edit and Delete; a double
    // click opens the device's web page.
    void OnNMRclickList(const QPoint& position);
    // Shift+F10 or the Menu key: the row menu of the focused row.
    void OnRowMenuKey();
    void OnRowEdit();
    void OnRowDelete();
    void OnNMDblclkList(const QModelIndex& index);
    // Copies the selected rows, as tab-separated lines, after the headings' line when asked for.
    void OnRowCopy(bool headings = false);
    // Copies one text of the right-clicked row.
    void OnRowCopyCell(int column);
    // Takes the texts the right-clicked row's device answers with now into the row.
    void OnRowTakeLatest();
    // The right-clicked row's web page: opened, or its URL copied.
    void OnRowOpenPage();
    void OnRowCopyUrl();
    // Shows the commands that reach the right-clicked row's device when it is outside every
    // subnet.
    void OnRowReach();
    // Ctrl+S and the heading menu: the rows shown, or the selected ones, to a file the operator
    // chooses, as CSV or JSON lines. A file that cannot be written is said so; the list stays.
    void OnSaveList(bool selectedOnly);
    // Writes the rows, all shown or those at the selected positions, to path.
    void SaveList(const QString& path, OutputFormat format,
                  std::optional<std::vector<int>> selected);
    // The cards the latest search request was meant for, in a small dialog.
    void OnNetworkCards();
    // Ctrl+O and the heading menu: an address plan the operator chooses, which the rows are
    // checked against from then on. It is read off the window's thread, and the window goes on
    // meanwhile; a file that is no plan is said so, and any plan open before stays; the lines
    // skipped are shown. While one plan is read, another is not started.
    void OnOpenPlan();
    void OpenPlan(const QString& path);
    // Takes the plan that has been read and shows what it holds.
    void OnPlanLoaded();
    // The planned devices that have not answered, in a small dialog.
    void OnMissingPlanned();
    // Every changed row shown takes its device's latest texts.
    void OnTakeAllLatest();
    // The text typed into the filter field.
    void OnFilterChanged(const QString& text);
    // A click on a heading: sorted by that column, reversed, then first-heard order again.
    void OnColumnClick(int column);
    // F5: Stop, then Search, keeping the order, the selection and the columns' widths.
    void OnRefresh();

    // Takes what the worker has done since the last time and shows it.
    void OnListUpdate();

signals:
    // A search worker has ended: its socket is closed and it touches the list no more.
    void searchEnded();
    // A plan asked for has been read, and what it holds shown or said.
    void planLoaded();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void OnInitDialog();
    void InitDeviceList();
    // The status line: searching or stopped, and how many devices are listed.
    void UpdateStatus();
    // The items of a menu template, each carrying its command id.
    static void AddMenuItems(QMenu& menu, int menuId);
    // Draws a change the presenter made, and the status line.
    void Show(const ListChange& change);
    // The sort arrow on the sorted column's heading.
    void ShowOrder();
    // Fits the columns again unless the operator has set their widths.
    void RefitColumns();
    // The window's own menu: the heading menu's commands and the About command.
    void ShowWindowMenu(const QPoint& globalPosition);
    // The selected rows' positions.
    std::vector<int> SelectedPositions() const;
    // Home, End, Ctrl+Home and Ctrl+End: the first or last row selected and made current.
    bool MoveToEnd(QKeyCombination key);
    void OpenWebPage(const DeviceUrl& page);

    CListPresenter presenter_;
    DeviceListModel* model_ = nullptr;
    // Set while the window itself sets the columns' widths.
    bool fittingColumns_ = false;
    // The controls that follow the window's size, with their places in the template's.
    QSize templateSize_;
    std::vector<std::pair<int, QRect>> templateRects_;
    bool fitted_ = false;
    CSearchSession search_;
    CSearchCommands commands_{search_, presenter_};
    CSiteMessages messages_;
    CPlanLoader planLoader_;
};
