// The commands on single rows of the device list. None of them touches a device or the table of
// found devices.
#include "quenlo_dlg.h"

#include "app_message_box.h"
#include "edit_ip.h"
#include "resource.h"
#include "row_menu.h"
#include "visible_text.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableView>
#include <QUrl>

#include <vector>

void CQuenloDlg::OnNMRclickList(const QPoint& position)
{
    QTableView* list = DeviceList();
    const int row = list->indexAt(position).row();
    if (row < 0)
        return;

    const MenuTemplate rowMenu = LoadMenuTemplate(IDR_ROW_MENU);
    QMenu popup(this);
    for (const MenuItemTemplate& item : rowMenu.popups.value(0).items) {
        if (item.id == 0)
            popup.addSeparator();
        else
            popup.addAction(item.text)->setData(item.id);
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

void CQuenloDlg::OnRowCopy()
{
    const QModelIndexList selected = DeviceList()->selectionModel()->selectedRows();
    std::vector<int> positions;
    for (const QModelIndex& index : selected)
        positions.push_back(index.row());
    if (positions.empty())
        return;
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(presenter_.CopyRows(positions)));
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
    if (!index.isValid())
        return;
    const DeviceUrl page = presenter_.WebPage(index.row());
    if (page.url.empty()
        || !QDesktopServices::openUrl(QUrl(QString::fromStdU16String(page.url), QUrl::StrictMode)))
        AppMessageBox(this,
                      LoadResourceString(IDS_WEB_PAGE_FAILED)
                          + QString::fromStdU16String(VisibleText(page.text)),
                      QMessageBox::Warning);
}
