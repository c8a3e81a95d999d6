#include "quenlo_dlg.h"

#include "about_dlg.h"
#include "app_message_box.h"
#include "resource_text.h"
#include "visible_text.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace {

const wchar_t* const COLUMN_HEADINGS[COL_COUNT] = {L"chn", L"version", L"IP", L"port",
                                                   L"gateway", L"mac"};

// Room a report cell leaves around its text, and around the heading's text and sort arrow.
constexpr int CELL_MARGINS = 12;
constexpr int HEADING_MARGINS = 28;

std::wstring Visible(const std::u16string& text)
{
    const std::u16string visible = VisibleText(text);
    return std::wstring(visible.begin(), visible.end());
}

std::wstring Address(std::uint32_t address)
{
    const std::string text = FormatIpv4(address);
    return std::wstring(text.begin(), text.end());
}

// Orders the list's items, whose parameters are their rows' identities, as the rows stand.
int CALLBACK CompareItems(LPARAM a, LPARAM b, LPARAM rows)
{
    const DeviceRows& order = *reinterpret_cast<const DeviceRows*>(rows);
    return order.PositionOf(static_cast<RowId>(a)) - order.PositionOf(static_cast<RowId>(b));
}

std::wstring Trimmed(std::wstring text)
{
    text.erase(0, text.find_first_not_of(L' '));
    text.erase(text.find_last_not_of(L' ') + 1);
    return text;
}

} // namespace

CQuenloDlg::CQuenloDlg()
    : CDialogWindow(IDD_MAIN),
      icon_(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      // The wake carries no data: the update itself crosses under the bridge's own lock.
      search_([this] { ::PostMessageW(Handle(), WM_LIST_UPDATE, 0, 0); })
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
    for (int column = 0; column < COL_COUNT; ++column) {
        LVCOLUMNW heading{};
        heading.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        heading.fmt = LVCFMT_LEFT;
        heading.cx = (outer.right - outer.left) / COL_COUNT;
        heading.pszText = const_cast<wchar_t*>(COLUMN_HEADINGS[column]);
        heading.iSubItem = column;
        ListView_InsertColumn(list, column, &heading);
    }
    // Tooltips of several lines: the cell's text, where the device answered, what is odd.
    ::SendMessageW(ListView_GetToolTips(list), TTM_SETMAXTIPWIDTH, 0, 480);
    MeasureRows(0);
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
    case IDCANCEL:
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
    if (control == DeviceList() && key == 'C' && ::GetKeyState(VK_CONTROL) < 0) {
        OnRowCopy();
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
        columnsSetByOperator_ = true;
        return 0;
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
    if (item.iItem < 0 || item.iItem >= rows_.Size() || item.iSubItem < 0
        || item.iSubItem >= COL_COUNT)
        return;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
        // What a device sent, with nothing hidden: no override may reorder it, no control vanish.
        const std::wstring text =
            Visible(rows_.At(item.iItem).cells[static_cast<std::size_t>(item.iSubItem)]);
        const std::size_t length = std::min(text.size(), static_cast<std::size_t>(item.cchTextMax - 1));
        std::copy_n(text.begin(), length, item.pszText);
        item.pszText[length] = L'\0';
    }
    if (item.mask & LVIF_IMAGE)
        item.iImage = item.iSubItem == COL_IP && rows_.Marked(item.iItem) ? 0 : I_IMAGENONE;
}

void CQuenloDlg::OnGetInfoTip(NMLVGETINFOTIPW& tip) const
{
    if (tip.iItem < 0 || tip.iItem >= rows_.Size() || !tip.pszText || tip.cchTextMax <= 0)
        return;
    const std::wstring text = ToolTip(tip.iItem, std::clamp(tip.iSubItem, 0, COL_COUNT - 1));
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(tip.cchTextMax - 1));
    std::copy_n(text.begin(), length, tip.pszText);
    tip.pszText[length] = L'\0';
}

// The cell's whole text, then where the device answered and what is odd about its address.
std::wstring CQuenloDlg::ToolTip(int position, int column) const
{
    const DeviceRow& row = rows_.At(position);
    std::wstring tip = Trimmed(Visible(row.cells[static_cast<std::size_t>(column)]));
    if (!row.heardOn.interfaceName.empty()) {
        const std::u16string name(row.heardOn.interfaceName.begin(), row.heardOn.interfaceName.end());
        tip += L"\r\n"
               + FormatResourceString(IDS_TIP_HEARD_ON,
                                      {Visible(name), Address(row.heardOn.localAddress)});
    }
    if (row.heardOn.outsideLocalSubnets)
        tip += L"\r\n" + LoadResourceString(IDS_TIP_OUTSIDE);
    if (const int sharing = rows_.SharingIp(position); sharing > 1)
        tip += L"\r\n" + FormatResourceString(IDS_TIP_SHARED_IP, {std::to_wstring(sharing)});
    return tip;
}

void CQuenloDlg::OnListUpdate()
{
    ListUpdate update = search_.Bridge().TakeUpdate();
    const HWND list = DeviceList();
    if (update.cleared) {
        // A new search: first-heard order, and columns fitted to it.
        ListView_DeleteAllItems(list);
        rows_.Clear();
        order_ = {};
        ShowOrder();
        MeasureRows(0);
        columnsSetByOperator_ = false;
        nothingHeard_ = false;
    }
    nothingHeard_ = nothingHeard_ || update.nothingHeard;
    if (!update.rows.empty()) {
        // A new row's IP may be one another row has already, which marks both.
        bool sharing = false;
        // One redraw for the whole batch, not one for every row inserted.
        ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
        const int before = rows_.Size();
        if (!order_.Sorted()) {
            const int count = static_cast<int>(update.rows.size());
            rows_.Append(std::move(update.rows));
            InsertItems(before, count);
            for (int position = before; position < rows_.Size(); ++position)
                sharing = sharing || rows_.SharingIp(position) > 1;
            MeasureRows(before);
        } else {
            for (DeviceRow& row : update.rows) {
                const int place = rows_.PlaceOf(row, order_);
                rows_.InsertAt(place, std::move(row));
                InsertItems(place, 1);
                sharing = sharing || rows_.SharingIp(place) > 1;
            }
            MeasureRows(0);
        }
        ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
        if (sharing)
            ::InvalidateRect(list, nullptr, FALSE);
        RefitColumns();
    }
    UpdateStatus();
    if (update.replyPortUnavailable) {
        // Shown after the rows are in, from a message of its own: the search goes on while the
        // operator reads it, and its rows keep coming.
        ::PostMessageW(Handle(), WM_PORT_BUSY, 0, 0);
    }
}

void CQuenloDlg::InsertItems(int position, int count)
{
    for (int i = 0; i < count; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
        item.iItem = position + i;
        item.pszText = LPSTR_TEXTCALLBACKW;
        item.iImage = I_IMAGECALLBACK;
        // The row's identity follows the item wherever sorting takes it.
        item.lParam = rows_.At(position + i).id;
        ListView_InsertItem(DeviceList(), &item);
    }
}

void CQuenloDlg::OnColumnClick(int column)
{
    order_ = NextOrder(order_, column);
    rows_.Sort(order_);
    ShowOrder();
}

// Puts the items in the order of rows_, the selection following its rows, and the arrow on the
// sorted column's heading.
void CQuenloDlg::ShowOrder()
{
    const HWND list = DeviceList();
    ListView_SortItems(list, CompareItems, reinterpret_cast<LPARAM>(&rows_));
    const HWND header = ListView_GetHeader(list);
    for (int column = 0; column < COL_COUNT; ++column) {
        HDITEMW heading{};
        heading.mask = HDI_FORMAT;
        Header_GetItem(header, column, &heading);
        heading.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (order_.Sorted() && column == order_.column)
            heading.fmt |= order_.descending ? HDF_SORTDOWN : HDF_SORTUP;
        Header_SetItem(header, column, &heading);
    }
}

void CQuenloDlg::UpdateStatus()
{
    std::wstring status;
    const bool searching = search_.Worker().IsSearching();
    if (nothingHeard_ && rows_.Size() == 0 && searching) {
        status = LoadResourceString(IDS_NOTHING_HEARD);
    } else {
        status = LoadResourceString(searching ? IDS_STATUS_SEARCHING : IDS_STATUS_STOPPED)
                 + L"    "
                 + FormatResourceString(IDS_STATUS_COUNT, {std::to_wstring(rows_.Size())});
    }
    ::SetDlgItemTextW(Handle(), IDC_STATUS, status.c_str());
}

void CQuenloDlg::MeasureRows(int first)
{
    const HWND list = DeviceList();
    if (first == 0) {
        for (int column = 0; column < COL_COUNT; ++column)
            needed_[static_cast<std::size_t>(column)] =
                ListView_GetStringWidth(list, COLUMN_HEADINGS[column]) + HEADING_MARGINS;
    }
    const int mark = ::GetSystemMetrics(SM_CXSMICON) + 4;
    for (int position = first; position < rows_.Size(); ++position) {
        for (int column = 0; column < COL_COUNT; ++column) {
            const std::wstring text =
                Visible(rows_.At(position).cells[static_cast<std::size_t>(column)]);
            // Every cell keeps room for an image before its text: the IP cell's mark goes there.
            const int width = ListView_GetStringWidth(list, text.c_str()) + CELL_MARGINS + mark;
            int& most = needed_[static_cast<std::size_t>(column)];
            most = std::max(most, width);
        }
    }
}

void CQuenloDlg::RefitColumns()
{
    if (columnsSetByOperator_)
        return;
    const HWND list = DeviceList();
    RECT client{};
    ::GetClientRect(list, &client);
    const ColumnWidths widths = FitColumns(client.right - client.left, needed_);
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
