// The commands on single rows of the device list. None of them touches a device or the table of
// found devices.
#include "quenlo_dlg.h"

#include "app_message_box.h"
#include "clipboard_text.h"
#include "device_list_model.h"
#include "device_url.h"
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

#include <algorithm>
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

    snapshot_ = TakeRowSnapshot(model_->Rows(), row);

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
    model_->RemoveAt(first);
    UpdateStatus();
}

void CQuenloDlg::OnRowCopy()
{
    const QModelIndexList selected = DeviceList()->selectionModel()->selectedRows();
    std::vector<int> positions;
    for (const QModelIndex& index : selected)
        positions.push_back(index.row());
    if (positions.empty())
        return;
    std::sort(positions.begin(), positions.end());
    QGuiApplication::clipboard()->setText(
        QString::fromStdU16String(ClipboardRows(model_->Rows(), positions)));
}

void CQuenloDlg::OnRowCopyCell(int column)
{
    const std::u16string& text = column == COL_IP ? snapshot_.ip : snapshot_.mac;
    QGuiApplication::clipboard()->setText(QString::fromStdU16String(ClipboardCell(text)));
}

void CQuenloDlg::OnRowEdit()
{
    CEditIP edit(snapshot_, this);
    edit.exec();
    // Written back whatever the outcome: after a cancel the snapshot still holds the row's texts.
    model_->WriteBack(snapshot_);
}

void CQuenloDlg::OnNMDblclkList(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const DeviceUrl page = DeviceWebPage(model_->Rows().At(index.row()).cells[COL_IP],
                                         model_->Rows().At(index.row()).cells[COL_PORT]);
    if (page.url.empty()
        || !QDesktopServices::openUrl(QUrl(QString::fromStdU16String(page.url), QUrl::StrictMode)))
        AppMessageBox(this,
                      LoadResourceString(IDS_WEB_PAGE_FAILED)
                          + QString::fromStdU16String(VisibleText(page.text)),
                      QMessageBox::Warning);
}
