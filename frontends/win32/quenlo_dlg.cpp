#include "quenlo_dlg.h"

#include "about_dlg.h"
#include "app_message_box.h"
#include "resource_text.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace {

// Room a report cell leaves around its text, and around the heading's text and sort arrow.
constexpr int CELL_MARGINS = 12;
constexpr int HEADING_MARGINS = 28;

// Copies text into a buffer the list view lends, cut to fit.
void CopyInto(const std::u16string& text, wchar_t* buffer, int capacity)
{
    if (!buffer || capacity <= 0)
        return;
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(text.begin(), length, buffer);
    buffer[length] = L'\0';
}

std::vector<RowId> IdsOf(const CListPresenter& presenter)
{
    std::vector<RowId> ids;
    for (int position = 0; position < presenter.Size(); ++position)
        ids.push_back(presenter.At(position).id);
    return ids;
}

} // namespace

CQuenloDlg::CQuenloDlg()
    : CDialogWindow(IDD_MAIN),
      icon_(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      presenter_(
          [](int id) {
              const std::wstring text = LoadResourceString(static_cast<unsigned>(id));
              return std::u16string(text.begin(), text.end());
          },
          // The firewall is where a Windows search that hears nothing most often loses its replies.
          true),
      // The wake carries no data: the update itself crosses under the bridge's own lock.
      search_([this] { return ::PostMessageW(Handle(), WM_LIST_UPDATE, 0, 0) != FALSE; })
{
}

CQuenloDlg::~CQuenloDlg()
{
    search_.EndForGood();
    if (smallIcon_)
        ::DestroyIcon(smallIcon_);
}

bool CQuenloDlg::OnInitDialog()
{
    const std::wstring about = LoadResourceString(IDS_ABOUTBOX);
    if (HMENU systemMenu = ::GetSystemMenu(Handle(), FALSE); systemMenu && !about.empty()) {
        ::AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(systemMenu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
    smallIcon_ = static_cast<HICON>(::LoadImageW(
        ::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
        ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
    ::SendMessageW(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageW(Handle(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    InitDeviceList();
    UpdateStatus();
    return true;
}

void CQuenloDlg::InitDeviceList()
{
    const HWND list = DeviceList();
    ::SetWindowLongPtrW(list, GWL_STYLE, ::GetWindowLongPtrW(list, GWL_STYLE) | LVS_SHOWSELALWAYS);
    ListView_SetExtendedListViewStyleEx(
        list, 0,
        LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_TWOCLICKACTIVATE | LVS_EX_INFOTIP
            | LVS_EX_SUBITEMIMAGES | LVS_EX_DOUBLEBUFFER);

    // The mark on addresses outside every local subnet or shared by several devices.
    const int cx = ::GetSystemMetrics(SM_CXSMICON);
    const int cy = ::GetSystemMetrics(SM_CYSMICON);
    HIMAGELIST marks = ::ImageList_Create(cx, cy, ILC_COLOR32 | ILC_MASK, 1, 0);
    ::ImageList_AddIcon(marks, static_cast<HICON>(::LoadImageW(nullptr, IDI_WARNING, IMAGE_ICON,
                                                               cx, cy, LR_SHARED)));
    ListView_SetImageList(list, marks, LVSIL_SMALL);

    RECT outer{};
    ::GetWindowRect(list, &outer);
    std::wstring headings[COL_COUNT];
    for (int column = 0; column < COL_COUNT; ++column) {
        const std::u16string text = ColumnHeading(column);
        headings[column].assign(text.begin(), text.end());
        LVCOLUMNW heading{};
        heading.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        heading.fmt = LVCFMT_LEFT;
        heading.cx = (outer.right - outer.left) / COL_COUNT;
        heading.pszText = headings[column].data();
        heading.iSubItem = column;
        ListView_InsertColumn(list, column, &heading);
    }
    // Tooltips of several lines: the cell's text, where the device answered, what is odd.
    ::SendMessageW(ListView_GetToolTips(list), TTM_SETMAXTIPWIDTH, 0, 480);

    ColumnMetrics metrics;
    metrics.textWidth = [list](const std::u16string& text) {
        return ListView_GetStringWidth(list, std::wstring(text.begin(), text.end()).c_str());
    };
    // Every cell keeps room for an image before its text: the IP cell's mark goes there.
    metrics.cellMargins = CELL_MARGINS + cx + 4;
    for (int column = 0; column < COL_COUNT; ++column)
        metrics.headings[static_cast<std::size_t>(column)] =
            ListView_GetStringWidth(list, headings[column].c_str()) + HEADING_MARGINS;
    presenter_.SetColumnMetrics(std::move(metrics));
    RefitColumns();
}

bool CQuenloDlg::OnCommand(int id, int code)
{
    switch (id) {
    case IDC_SEARCH:
        OnBnClickedSearch();
        return true;
    case IDC_STOP:
        OnBnClickedStop();
        return true;
    case IDOK:
        // Enter with no default button: never closes the window.
        return true;
    case IDC_FILTER:
        if (code == EN_CHANGE) {
            const std::wstring filter = ItemText(IDC_FILTER);
            Show(presenter_.SetFilter(std::u16string(filter.begin(), filter.end())));
        }
        return true;
    case IDCANCEL:
        if (ClearFilter())
            return true;
        search_.EndForGood();
        EndDialog(IDCANCEL);
        return true;
    default:
        return CDialogWindow::OnCommand(id, code);
    }
}

INT_PTR CQuenloDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled)
{
    switch (message) {
    case WM_LIST_UPDATE:
        OnListUpdate();
        return TRUE;
    case WM_PORT_BUSY:
        if (!search_.Ended())
            AppMessageBox(Handle(), LoadResourceString(IDS_PORT_BUSY), MB_ICONWARNING);
        return TRUE;
    case WM_SYSCOMMAND:
        handled = OnSysCommand(wParam);
        return TRUE;
    case WM_NOTIFY:
        ::SetWindowLongPtrW(Handle(), DWLP_MSGRESULT,
                            OnNotify(*reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_PAINT:
        if (!::IsIconic(Handle())) {
            handled = false;
            return FALSE;
        }
        OnPaint();
        return TRUE;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<INT_PTR>(icon_);
    default:
        return CDialogWindow::OnMessage(message, wParam, lParam, handled);
    }
}

bool CQuenloDlg::OnKeyDown(HWND control, WPARAM key)
{
    if (key == VK_F5) {
        OnRefresh();
        return true;
    }
    const bool withControl = ::GetKeyState(VK_CONTROL) < 0;
    if (withControl && key == 'F') {
        ::SetFocus(FilterField());
        ::SendMessageW(FilterField(), EM_SETSEL, 0, -1);
        return true;
    }
    if (withControl && key == 'S') {
        OnSaveList(false);
        return true;
    }
    if (control == DeviceList() && key == 'C' && withControl) {
        OnRowCopy(::GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    return CDialogWindow::OnKeyDown(control, key);
}

void CQuenloDlg::OnPaint()
{
    PAINTSTRUCT paint;
    const HDC dc = ::BeginPaint(Handle(), &paint);
    ::SendMessageW(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int x = (client.right - client.left - ::GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - client.top - ::GetSystemMetrics(SM_CYICON) + 1) / 2;
    ::DrawIcon(dc, x, y, icon_);
    ::EndPaint(Handle(), &paint);
}

bool CQuenloDlg::OnSysCommand(WPARAM commandId)
{
    if ((commandId & 0xFFF0) != IDM_ABOUTBOX)
        return false;
    CAboutDlg about;
    about.DoModal(Handle());
    return true;
}

LRESULT CQuenloDlg::OnNotify(const NMHDR& header)
{
    // The list passes its heading's notifications on as the heading's own, not the list's.
    if ((header.code == HDN_ENDTRACKW || header.code == HDN_ENDTRACKA)
        && header.hwndFrom == ListView_GetHeader(DeviceList())) {
        presenter_.KeepOperatorsColumnWidths();
        return 0;
    }
    if (header.code == NM_RCLICK && header.hwndFrom == ListView_GetHeader(DeviceList())) {
        const DWORD at = ::GetMessagePos();
        OnListMenu(POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)});
        return TRUE;
    }
    if (header.idFrom != IDC_DEVICE_LIST)
        return 0;
    switch (header.code) {
    case LVN_GETDISPINFOW:
        OnGetDispInfo(*reinterpret_cast<NMLVDISPINFOW*>(const_cast<NMHDR*>(&header)));
        return 0;
    case LVN_GETINFOTIPW:
        OnGetInfoTip(*reinterpret_cast<NMLVGETINFOTIPW*>(const_cast<NMHDR*>(&header)));
        return 0;
    case LVN_COLUMNCLICK:
        OnColumnClick(reinterpret_cast<const NMLISTVIEW*>(&header)->iSubItem);
        return 0;
    case NM_RCLICK:
        if (const int position = RowUnderMessage(); position >= 0) {
            const DWORD at = ::GetMessagePos();
            OnRowMenu(position, POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)});
        }
        return 0;
    case NM_DBLCLK:
        if (const int position = RowUnderMessage(); position >= 0)
            OnNMDblclkList(position);
        return 0;
    default:
        return 0;
    }
}

int CQuenloDlg::RowUnderMessage() const
{
    const DWORD at = ::GetMessagePos();
    LVHITTESTINFO hit{};
    hit.pt = POINT{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    ::ScreenToClient(DeviceList(), &hit.pt);
    return ListView_SubItemHitTest(DeviceList(), &hit);
}

void CQuenloDlg::OnGetDispInfo(NMLVDISPINFOW& info) const
{
    LVITEMW& item = info.item;
    if (item.iItem < 0 || item.iItem >= presenter_.Size() || item.iSubItem < 0
        || item.iSubItem >= COL_COUNT)
        return;
    if (item.mask & LVIF_TEXT)
        CopyInto(presenter_.CellText(item.iItem, item.iSubItem), item.pszText, item.cchTextMax);
    if (item.mask & LVIF_IMAGE)
        item.iImage = presenter_.Marked(item.iItem, item.iSubItem) ? 0 : I_IMAGENONE;
}

void CQuenloDlg::OnGetInfoTip(NMLVGETINFOTIPW& tip) const
{
    if (tip.iItem < 0 || tip.iItem >= presenter_.Size())
        return;
    std::u16string text;
    for (const std::u16string& line :
         presenter_.ToolTip(tip.iItem, std::clamp(tip.iSubItem, 0, COL_COUNT - 1)))
        text += (text.empty() ? u"" : u"\r\n") + line;
    CopyInto(text, tip.pszText, tip.cchTextMax);
}

void CQuenloDlg::OnListUpdate()
{
    Show(presenter_.Apply(search_.Bridge().TakeUpdate()));
}

void CQuenloDlg::Show(const ListChange& change)
{
    const HWND list = DeviceList();
    const bool appendedOnly = !change.reordered && change.steps.size() == 1
                              && change.steps.front().kind == ListStep::Kind::Insert
                              && change.steps.front().position == static_cast<int>(shown_.size());
    if (change.emptied) {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        shown_ = IdsOf(presenter_);
        ListView_SetItemCountEx(list, presenter_.Size(), 0);
        ShowOrder();
    } else if (appendedOnly) {
        // Rows after the last one move no selection: only the new rows are drawn.
        shown_ = IdsOf(presenter_);
        ListView_SetItemCountEx(list, presenter_.Size(), LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
    } else if (change.reordered || !change.steps.empty()) {
        std::vector<RowId> selected;
        for (const int item : SelectedPositions())
            selected.push_back(shown_[static_cast<std::size_t>(item)]);
        const int focusedItem = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
        const RowId focused =
            focusedItem >= 0 && focusedItem < static_cast<int>(shown_.size())
                ? shown_[static_cast<std::size_t>(focusedItem)]
                : NO_ROW;
        shown_ = IdsOf(presenter_);
        ListView_SetItemCountEx(list, presenter_.Size(), LVSICF_NOSCROLL);
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (const RowId id : selected) {
            if (const int position = presenter_.PositionOf(id); position >= 0)
                ListView_SetItemState(list, position, LVIS_SELECTED, LVIS_SELECTED);
        }
        if (const int position = presenter_.PositionOf(focused); focused != NO_ROW && position >= 0)
            ListView_SetItemState(list, position, LVIS_FOCUSED, LVIS_FOCUSED);
        ::InvalidateRect(list, nullptr, FALSE);
        if (change.reordered)
            ShowOrder();
    }
    if (change.repaint)
        ::InvalidateRect(list, nullptr, FALSE);
    if (change.columns)
        RefitColumns();
    UpdateStatus();
    if (change.portBusy) {
        // Shown after the rows are in, from a message of its own: the search goes on while the
        // operator reads it, and its rows keep coming.
        ::PostMessageW(Handle(), WM_PORT_BUSY, 0, 0);
    }
}

void CQuenloDlg::OnColumnClick(int column)
{
    Show(presenter_.SortBy(column));
}

void CQuenloDlg::ShowOrder()
{
    const RowOrder order = presenter_.Order();
    const HWND header = ListView_GetHeader(DeviceList());
    for (int column = 0; column < COL_COUNT; ++column) {
        HDITEMW heading{};
        heading.mask = HDI_FORMAT;
        Header_GetItem(header, column, &heading);
        heading.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (order.Sorted() && column == order.column)
            heading.fmt |= order.descending ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(header, column, &heading);
    }
}

bool CQuenloDlg::ClearFilter()
{
    if (::GetFocus() != FilterField() || ::GetWindowTextLengthW(FilterField()) == 0)
        return false;
    ::SetWindowTextW(FilterField(), L"");
    return true;
}

void CQuenloDlg::UpdateStatus()
{
    const std::u16string status = presenter_.StatusText(search_.Worker().IsSearching());
    ::SetDlgItemTextW(Handle(), IDC_STATUS, std::wstring(status.begin(), status.end()).c_str());
}

void CQuenloDlg::RefitColumns()
{
    if (presenter_.OperatorsColumnWidths())
        return;
    const HWND list = DeviceList();
    RECT client{};
    ::GetClientRect(list, &client);
    const ColumnWidths widths = presenter_.ColumnWidthsFor(client.right - client.left);
    for (int column = 0; column < COL_COUNT; ++column) {
        // Only a change: setting a column's width repaints the list.
        const int width = widths[static_cast<std::size_t>(column)];
        if (ListView_GetColumnWidth(list, column) != width)
            ListView_SetColumnWidth(list, column, width);
    }
}

void CQuenloDlg::OnBnClickedSearch()
{
    search_.Search();
    UpdateStatus();
}

void CQuenloDlg::OnBnClickedStop()
{
    search_.Stop();
    UpdateStatus();
}

void CQuenloDlg::OnRefresh()
{
    search_.Refresh();
    UpdateStatus();
}
