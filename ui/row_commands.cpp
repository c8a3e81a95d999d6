// The commands on single rows of the device list. None of them touches a device or the table of
// found devices.
#include "quenlo_dlg.h"

#include "app_message_box.h"
#include "device_url.h"
#include "edit_ip.h"
#include "resource.h"
#include "row_snapshot.h"

#include <QDesktopServices>
#include <QMenu>
#include <QTableWidget>

namespace {

QString CellText(const QTableWidget* list, int row, int column)
{
    const QTableWidgetItem* item = list->item(row, column);
    return item ? item->text() : QString();
}

} // namespace

void CQuenloDlg::OnNMRclickList(const QPoint& position)
{
    QTableWidget* list = DeviceList();
    const int row = list->indexAt(position).row();
    if (row < 0)
        return;

    const MenuTemplate rowMenu = LoadMenuTemplate(IDR_ROW_MENU);
    QMenu popup(this);
    for (const MenuItemTemplate& item : rowMenu.popups.value(0).items)
        popup.addAction(item.text)->setData(item.id);

    RowSnapshot& snapshot = TheRowSnapshot();
    snapshot.row = row;
    snapshot.chn = CellText(list, row, COL_CHN);
    snapshot.ip = CellText(list, row, COL_IP);
    snapshot.port = CellText(list, row, COL_PORT);
    snapshot.gateway = CellText(list, row, COL_GATEWAY);
    snapshot.mac = CellText(list, row, COL_MAC);

    const QAction* chosen = popup.exec(list->viewport()->mapToGlobal(position));
    if (!chosen)
        return;
    switch (chosen->data().toInt()) {
    case ID_ROW_EDIT:
        OnRowEdit();
        break;
    case ID_ROW_DELETE:
        OnRowDelete();
        break;
    }
}

void CQuenloDlg::OnRowDelete()
{
    QTableWidget* list = DeviceList();
    const QModelIndexList selected = list->selectionModel()->selectedRows();
    if (selected.isEmpty())
        return;
    int first = selected.first().row();
    for (const QModelIndex& index : selected)
        first = qMin(first, index.row());
    list->removeRow(first);
}

void CQuenloDlg::OnRowEdit()
{
    CEditIP edit(this);
    edit.exec();
    // Written back whatever the outcome: after a cancel the snapshot still holds the row's texts.
    const RowSnapshot& snapshot = TheRowSnapshot();
    WriteCell(snapshot.row, COL_CHN, snapshot.chn);
    WriteCell(snapshot.row, COL_IP, snapshot.ip);
    WriteCell(snapshot.row, COL_PORT, snapshot.port);
    WriteCell(snapshot.row, COL_GATEWAY, snapshot.gateway);
    WriteCell(snapshot.row, COL_MAC, snapshot.mac);
}

void CQuenloDlg::OnNMDblclkList(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const QTableWidget* list = DeviceList();
    const DeviceUrl page = DeviceWebPage(CellText(list, index.row(), COL_IP),
                                         CellText(list, index.row(), COL_PORT));
    if (!page.url.isValid() || !QDesktopServices::openUrl(page.url))
        AppMessageBox(this, LoadResourceString(IDS_WEB_PAGE_FAILED) + page.text,
                      QMessageBox::Warning);
}
