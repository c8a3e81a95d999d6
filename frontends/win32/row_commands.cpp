// The commands on single rows of the device list. None of them touches a device or the table of
// found devices.
#include "quenlo_dlg.h"

#include "app_message_box.h"
#include "edit_ip.h"
#include "resource_text.h"
#include "row_menu.h"
#include "text_format.h"
#include "text_view.h"
#include "ui_seams.h"
#include "visible_text.h"

#include <cstring>
#include <optional>
#include <string>

void CQuenloDlg::OnRowMenu(int position, POINT screen)
{
    if (position < 0 || position >= presenter_.Size())
        return;
    const HMENU menu = LoadResourceMenu(IDR_ROW_MENU);
    if (!menu)
        return;
    presenter_.TakeSnapshot(position);
    const HMENU popup = ::GetSubMenu(menu, 0);
    ::EnableMenuItem(popup, ID_ROW_TAKE_LATEST,
                     MF_BYCOMMAND | (presenter_.Changed(position) ? MF_ENABLED : MF_GRAYED));
    if (!presenter_.Outside(position))
        ::EnableMenuItem(popup, ID_ROW_REACH, MF_BYCOMMAND | MF_GRAYED);
    const int chosen = Seams().trackMenu(popup, Handle(), screen);
    ::DestroyMenu(menu);
    RunRowCommand(*this, chosen);
}

std::vector<int> CQuenloDlg::SelectedPositions() const
{
    std::vector<int> positions;
    for (int item = ListView_GetNextItem(DeviceList(), -1, LVNI_SELECTED); item >= 0;
         item = ListView_GetNextItem(DeviceList(), item, LVNI_SELECTED))
        positions.push_back(item);
    return positions;
}

void CQuenloDlg::OnRowDelete()
{
    Show(presenter_.Remove(ListView_GetNextItem(DeviceList(), -1, LVNI_SELECTED)));
}

void CQuenloDlg::OnRowCopy(bool headings)
{
    const std::vector<int> positions = SelectedPositions();
    if (!positions.empty())
        PutOnClipboard(presenter_.CopyRows(positions, headings));
}

void CQuenloDlg::OnRowCopyCell(int column)
{
    PutOnClipboard(presenter_.CopySnapshotCell(column));
}

void CQuenloDlg::PutOnClipboard(const std::u16string& text)
{
    const std::wstring lines = WindowsLines(text);
    const std::size_t bytes = (lines.size() + 1) * sizeof(wchar_t);
    const HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory)
        return;
    std::memcpy(::GlobalLock(memory), lines.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (!::OpenClipboard(Handle())) {
        ::GlobalFree(memory);
        return;
    }
    ::EmptyClipboard();
    if (!::SetClipboardData(CF_UNICODETEXT, memory))
        ::GlobalFree(memory);
    ::CloseClipboard();
}

void CQuenloDlg::OnRowTakeLatest()
{
    Show(presenter_.TakeLatest(presenter_.PositionOf(presenter_.Snapshot().row)));
}

void CQuenloDlg::OnRowEdit()
{
    CEditIP edit(presenter_.Snapshot());
    edit.DoModal(Handle());
    // Written back whatever the outcome: after a cancel the snapshot still holds the row's texts.
    Show(presenter_.WriteBackSnapshot());
}

void CQuenloDlg::OnNMDblclkList(int position)
{
    if (position >= 0 && position < presenter_.Size())
        OpenWebPage(presenter_.WebPage(position));
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
        PutOnClipboard(page.url);
}

void CQuenloDlg::OnRowReach()
{
    const int position = presenter_.PositionOf(presenter_.Snapshot().row);
    if (!presenter_.Outside(position))
        return;
    CTextViewDlg view(LoadResourceString(IDS_REACH_TITLE),
                      messages_.ReachText(position, CommandShell::Windows));
    view.DoModal(Handle());
}

void CQuenloDlg::OpenWebPage(const DeviceUrl& page)
{
    if (page.url.empty()) {
        const std::u16string shown = VisibleText(page.text);
        AppMessageBox(Handle(),
                      LoadResourceString(IDS_WEB_PAGE_FAILED)
                          + std::wstring(shown.begin(), shown.end()),
                      MB_ICONWARNING);
        return;
    }
    HANDLE launched = nullptr;
    const DWORD error =
        Seams().openUrl(Handle(), std::wstring(page.url.begin(), page.url.end()), launched);
    if (launched)
        launches_.Watch(Handle(), launched, page.url);
    if (error != 0)
        SayPageNotOpened(page.url, Utf16(SystemErrorText(error)));
}

void CQuenloDlg::OnPageProgramEnded(LPARAM launch)
{
    if (const std::optional<CLaunchWatch::Failure> failure = launches_.Take(launch)) {
        const std::u16string code = AsciiText(std::to_string(failure->exitCode));
        SayPageNotOpened(failure->url,
                         FormatText(Utf16(LoadResourceString(IDS_PAGE_PROGRAM_FAILED)),
                                    {Utf16(failure->program), code}));
    }
}

void CQuenloDlg::SayPageNotOpened(const std::u16string& url, const std::u16string& reason)
{
    // The address is said whole, and the row menu's Copy URL copies it.
    const std::u16string text =
        FormatText(Utf16(LoadResourceString(IDS_WEB_PAGE_NOT_OPENED)), {url, reason});
    AppMessageBox(Handle(), std::wstring(text.begin(), text.end()), MB_ICONWARNING);
}
