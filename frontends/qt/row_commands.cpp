// The commands on single rows of the device list. None of them touches a device or the table of
// found devices.
#include "quenlo_dlg.h"

#include "app_message_box.h"
#include "edit_ip.h"
#include "resource.h"
#include "row_menu.h"
#include "text_format.h"
#include "text_view.h"
#include "visible_text.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QSysInfo>
#include <QTableView>
#include <QUrl>

#include <vector>

void CQuenloDlg::OnNMRclickList(const QPoint& position)
{
    QTableView* list = DeviceList();
    const int row = list->indexAt(position).row();
    if (row < 0)
        return;

    QMenu popup(this);
    AddMenuItems(popup, IDR_ROW_MENU);
    for (QAction* action : popup.actions()) {
        if (action->data().toInt() == ID_ROW_REACH)
            action->setEnabled(presenter_.Outside(row));
    }
    for (QAction* action : popup.actions()) {
        if (action->data().toInt() == ID_ROW_TAKE_LATEST)
            action->setEnabled(presenter_.Changed(row));
    }

    presenter_.TakeSnapshot(row);

    const QAction* chosen = popup.exec(list->viewport()->mapToGlobal(position));
    if (!chosen)
        return;
    RunRowCommand(*this, chosen->data().toInt());
}

void CQuenloDlg::AddMenuItems(QMenu& menu, int menuId)
{
    for (const MenuItemTemplate& item : LoadMenuTemplate(menuId).popups.value(0).items) {
        if (item.id == 0)
            menu.addSeparator();
        else
            menu.addAction(item.text)->setData(item.id);
    }
}

std::vector<int> CQuenloDlg::SelectedPositions() const
{
    std::vector<int> positions;
    for (const QModelIndex& index : DeviceList()->selectionModel()->selectedRows())
        positions.push_back(index.row());
    return positions;
}

void CQuenloDlg::OnRowDelete()
{
    const QModelIndexList selected = DeviceList()->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    int first = selected.first().row();
    for (const QModelIndex& index : selected)
        first = qMin(first, index.row());
    Show(presenter_.Remove(first));
}

void CQuenloDlg::OnRowCopy(bool headings)
{
    const std::vector<int> positions = SelectedPositions();
    if (positions.empty())
        return;
    QGuiApplication::clipboard()->setText(
        QString::fromStdU16String(presenter_.CopyRows(positions, headings)));
}

void CQuenloDlg::OnRowCopyCell(int column)
{
    QGuiApplication::clipboard()->setText(
        QString::fromStdU16String(presenter_.CopySnapshotCell(column)));
}

void CQuenloDlg::OnRowTakeLatest()
{
    Show(presenter_.TakeLatest(presenter_.PositionOf(presenter_.Snapshot().row)));
}

void CQuenloDlg::OnRowEdit()
{
    CEditIP edit(presenter_.Snapshot(), this);
    edit.exec();
    // Written back whatever the outcome: after a cancel the snapshot still holds the row's texts.
    Show(presenter_.WriteBackSnapshot());
}

void CQuenloDlg::OnNMDblclkList(const QModelIndex& index)
{
    if (index.isValid())
        OpenWebPage(presenter_.WebPage(index.row()));
}

void CQuenloDlg::OnRowOpenPage()
{
    OpenWebPage(presenter_.SnapshotWebPage());
}

void CQuenloDlg::OnRowCopyUrl()
{
    const DeviceUrl page = presenter_.SnapshotWebPage();
    if (page.url.empty())
        OpenWebPage(page); // which tells the operator why there is none
    else
        QGuiApplication::clipboard()->setText(QString::fromStdU16String(page.url));
}

void CQuenloDlg::OnRowReach()
{
    const int position = presenter_.PositionOf(presenter_.Snapshot().row);
    if (!presenter_.Outside(position))
        return;
    // The Qt window also builds natively on Windows, where the commands are netsh's.
    const CommandShell shell = QSysInfo::kernelType() == QLatin1String("winnt")
                                   ? CommandShell::Windows
                                   : CommandShell::Linux;
    ShowTextView(this, LoadResourceString(IDS_REACH_TITLE),
                 QString::fromStdU16String(messages_.ReachText(position, shell)));
}

void CQuenloDlg::OpenWebPage(const DeviceUrl& page)
{
    if (page.url.empty()) {
        AppMessageBox(this,
                      LoadResourceString(IDS_WEB_PAGE_FAILED)
                          + QString::fromStdU16String(VisibleText(page.text)),
                      QMessageBox::Warning);
        return;
    }
    if (QDesktopServices::openUrl(QUrl(QString::fromStdU16String(page.url), QUrl::StrictMode)))
        return;
    // Qt gives no reason of its own: it fails when no program for web pages can be started. The
    // address is said, and the row menu's Copy URL copies it.
    const std::u16string text =
        FormatText(LoadResourceString(IDS_WEB_PAGE_NOT_OPENED).toStdU16String(),
                   {page.url, LoadResourceString(IDS_NO_WEB_BROWSER).toStdU16String()});
    AppMessageBox(this, QString::fromStdU16String(text), QMessageBox::Warning);
}
