#include "quenlo_dlg.h"

#include "about_dlg.h"
#include "app_message_box.h"
#include "firewall_hint.h"
#include "resource_text.h"
#include "ui_seams.h"
#include "window_fit.h"

#include <windowsx.h>

#include <algorithm>
#include <utility>

namespace {

// A column's heading, as the list view takes it.
std::wstring Heading(int column)
{
    const std::u16string heading = ColumnHeading(column);
    return std::wstring(heading.begin(), heading.end());
}

// Room a report cell leaves around its text, and around the heading's text and sort arrow, at
// 96 pixels per inch.
constexpr int CELL_MARGINS = 12;
constexpr int HEADING_MARGINS = 28;
constexpr int MARK_SIZE = 16;
constexpr int TIP_WIDTH = 480;

// A burst of rows has passed once none has come for BURST_QUIET_MS (the shortest a timer waits);
// rows are drawn at the latest HELD_DRAWING_LIMIT_MS after the first of a burst came.
constexpr UINT_PTR DRAW_HELD_ROWS_TIMER = 1;
constexpr UINT BURST_QUIET_MS = USER_TIMER_MINIMUM;
constexpr ULONGLONG HELD_DRAWING_LIMIT_MS = 50;

// Copies text into a buffer the list view lends, cut to fit.
void CopyInto(const std::u16string& text, wchar_t* buffer, int capacity)
{
    if (!buffer || capacity <= 0)
        return;
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
    std::copy_n(text.begin(), length, buffer);
    buffer[length] = L'\0';
}

// The marks' images, one for each CellMark but None, in its order: NotInPlan is the last.
constexpr int MARK_IMAGES = static_cast<int>(CellMark::NotInPlan);

int MarkImage(CellMark mark)
{
    return static_cast<int>(mark) - 1;
}

// A menu's glyph (a check mark, a bullet) in colour: the system draws it black on white, which
// is the icon's mask as it is.
HICON GlyphIcon(int size, UINT glyphKind, COLORREF tint)
{
    const HDC screen = ::GetDC(nullptr);
    const HDC maskDc = ::CreateCompatibleDC(screen);
    const HDC colourDc = ::CreateCompatibleDC(screen);
    const HBITMAP mask = ::CreateBitmap(size, size, 1, 1, nullptr);
    const HBITMAP colour = ::CreateCompatibleBitmap(screen, size, size);
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ maskBefore = ::SelectObject(maskDc, mask);
    const HGDIOBJ colourBefore = ::SelectObject(colourDc, colour);
    ::PatBlt(maskDc, 0, 0, size, size, WHITENESS);
    // A menu's check takes half its box: drawn in a larger one, it fills the icon as the others do.
    RECT glyph{-size / 3, -size / 3, size + size / 3, size + size / 3};
    ::DrawFrameControl(maskDc, &glyph, DFC_MENU, glyphKind);
    RECT box{0, 0, size, size};
    const HBRUSH brush = ::CreateSolidBrush(tint);
    ::FillRect(colourDc, &box, brush);
    ::DeleteObject(brush);
    // Black where the mask lets the background through, as an icon's colours are there.
    constexpr DWORD AND_NOT_SOURCE = 0x00220326;
    ::BitBlt(colourDc, 0, 0, size, size, maskDc, 0, 0, AND_NOT_SOURCE);
    ::SelectObject(maskDc, maskBefore);
    ::SelectObject(colourDc, colourBefore);
    ::DeleteDC(maskDc);
    ::DeleteDC(colourDc);
    ICONINFO parts{TRUE, 0, 0, mask, colour};
    const HICON icon = ::CreateIconIndirect(&parts);
    ::DeleteObject(mask);
    ::DeleteObject(colour);
    return icon;
}

// The icon of a mark: an address outside every local subnet or shared by several devices, a
// device that now answers with other settings, a device's verdict against the plan, and a text
// edited in the list alone.
HICON MarkIcon(CellMark mark, int size)
{
    LPCWSTR name = nullptr;
    switch (mark) {
    case CellMark::None:
        return nullptr;
    case CellMark::OddAddress:
        name = IDI_WARNING;
        break;
    case CellMark::Changed:
        name = IDI_INFORMATION;
        break;
    case CellMark::AsPlanned:
        return GlyphIcon(size, DFCS_MENUCHECK, RGB(0, 150, 0));
    case CellMark::Edited:
        return GlyphIcon(size, DFCS_MENUBULLET, RGB(0, 90, 200));
    case CellMark::PlanDiffers:
        name = IDI_ERROR;
        break;
    case CellMark::NotInPlan:
        name = IDI_QUESTION;
        break;
    }
    // Not shared: a shared icon keeps the size it was first loaded at.
    return static_cast<HICON>(::LoadImageW(nullptr, name, IMAGE_ICON, size, size, 0));
}

std::u16string TableText(int id)
{
    const std::wstring text = LoadResourceString(static_cast<unsigned>(id));
    return std::u16string(text.begin(), text.end());
}

} // namespace

CQuenloDlg::CQuenloDlg()
    : CDialogWindow(IDD_MAIN),
      icon_(::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME))),
      // The firewall is where a Windows search that hears nothing most often loses its replies.
      presenter_(TableText, true),
      // The wake carries no data: the update itself crosses under the bridge's own lock.
      search_([this] { return ::PostMessageW(Handle(), WM_LIST_UPDATE, 0, 0) != FALSE; }),
      messages_(presenter_, TableText),
      planLoader_([this] { return ::PostMessageW(Handle(), WM_PLAN_LOADED, 0, 0) != FALSE; })
{
}

CQuenloDlg::~CQuenloDlg()
{
    search_.EndForGood();
    if (smallIcon_)
        ::DestroyIcon(smallIcon_);
    if (marks_)
        ::ImageList_Destroy(marks_);
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
    const HDC screen = ::GetDC(Handle());
    dpi_ = ::GetDeviceCaps(screen, LOGPIXELSX);
    ::ReleaseDC(Handle(), screen);
    InitDeviceList();
    for (int state = 0; state < ROW_STATE_COUNT; ++state) {
        const std::wstring name = LoadResourceString(
            static_cast<unsigned>(RowStateTextId(static_cast<RowState>(state))));
        ::SendDlgItemMessageW(Handle(), IDC_STATE, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(name.c_str()));
    }
    ::SendDlgItemMessageW(Handle(), IDC_STATE, CB_SETCURSEL, 0, 0);
    UpdateStatus();

    // Not the client area as made: where the template is larger than the screen, the window is
    // made smaller, and its controls are still where the template puts them.
    templateClient_ = TemplateClientSize();
    for (HWND control = ::GetWindow(Handle(), GW_CHILD); control;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        RECT place{};
        ::GetWindowRect(control, &place);
        ::MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&place), 2);
        // A combo box's window is as high as its open list, which a move must keep.
        if (::GetDlgCtrlID(control) == IDC_STATE) {
            RECT dropped{};
            ::SendMessageW(control, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
            place.bottom = place.top + (dropped.bottom - dropped.top);
        }
        templateRects_.emplace_back(control, place);
    }
    RECT workArea{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    FitIn(workArea);
    return true;
}

void CQuenloDlg::FitIn(const RECT& workArea)
{
    RECT outer{};
    RECT client{};
    ::GetWindowRect(Handle(), &outer);
    ::GetClientRect(Handle(), &client);
    const int frameWidth = outer.right - outer.left - client.right;
    const int frameHeight = outer.bottom - outer.top - client.bottom;
    const WindowRect area{workArea.left, workArea.top, workArea.right - workArea.left,
                          workArea.bottom - workArea.top};
    const WindowRect fitted =
        FitInWorkArea(templateClient_.cx + frameWidth, templateClient_.cy + frameHeight, area);
    minimum_ = SIZE{fitted.width, fitted.height};
    ::SetWindowPos(Handle(), nullptr, fitted.x, fitted.y, fitted.width, fitted.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    // The window may have been made at this size already, and then hears of no change of size.
    Layout();
}

void CQuenloDlg::Layout()
{
    if (templateRects_.empty())
        return;
    RECT client{};
    ::GetClientRect(Handle(), &client);
    const int dx = client.right - templateClient_.cx;
    const int dy = client.bottom - templateClient_.cy;
    for (const auto& [control, place] : templateRects_) {
        const WindowRect placed =
            Follow({place.left, place.top, place.right - place.left, place.bottom - place.top},
                   HowFollows(::GetDlgCtrlID(control)), dx, dy);
        ::MoveWindow(control, placed.x, placed.y, placed.width, placed.height, TRUE);
    }
    RefitColumns();
}

void CQuenloDlg::OnRowMenuKey()
{
    const HWND list = DeviceList();
    const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
    if (focused < 0)
        return;
    ListView_EnsureVisible(list, focused, FALSE);
    RECT row{};
    ListView_GetItemRect(list, focused, &row, LVIR_BOUNDS);
    POINT below{row.left + Scaled(CELL_MARGINS), row.bottom};
    ::ClientToScreen(list, &below);
    OnRowMenu(focused, below);
}

void CQuenloDlg::OnDpiChanged(int dpi, const RECT& suggested)
{
    const auto scale = [&](LONG& value) { value = ::MulDiv(value, dpi, dpi_); };
    scale(templateClient_.cx);
    scale(templateClient_.cy);
    scale(minimum_.cx);
    scale(minimum_.cy);
    for (auto& [control, place] : templateRects_) {
        scale(place.left);
        scale(place.top);
        scale(place.right);
        scale(place.bottom);
    }
    // The controls get the new font; the dialog keeps the one the dialog manager made, which it
    // deletes itself.
    LOGFONTW face{};
    const HFONT current =
        font_ ? font_ : reinterpret_cast<HFONT>(::SendMessageW(Handle(), WM_GETFONT, 0, 0));
    ::GetObjectW(current, sizeof face, &face);
    face.lfHeight = ::MulDiv(face.lfHeight, dpi, dpi_);
    const HFONT font = ::CreateFontIndirectW(&face);
    for (const auto& [control, place] : templateRects_)
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (font_)
        ::DeleteObject(font_);
    font_ = font;
    dpi_ = dpi;
    MakeMarks();
    MeasureColumns();
    // The place the system suggests may not fit the new monitor: twice the scaling on a small
    // screen.
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromRect(&suggested, MONITOR_DEFAULTTONEAREST), &monitor);
    const RECT& work = monitor.rcWork;
    const WindowRect kept = KeepInWorkArea(
        {suggested.left, suggested.top, suggested.right - suggested.left,
         suggested.bottom - suggested.top},
        {work.left, work.top, work.right - work.left, work.bottom - work.top});
    minimum_ = SIZE{std::min<LONG>(minimum_.cx, kept.width),
                    std::min<LONG>(minimum_.cy, kept.height)};
    ::SetWindowPos(Handle(), nullptr, kept.x, kept.y, kept.width, kept.height,
                   SWP_NOZORDER | SWP_NOACTIVATE);
    Layout();
    ::InvalidateRect(Handle(), nullptr, TRUE);
}

void CQuenloDlg::InitDeviceList()
{
    const HWND list = DeviceList();
    ::SetWindowLongPtrW(list, GWL_STYLE, ::GetWindowLongPtrW(list, GWL_STYLE) | LVS_SHOWSELALWAYS);
    // No image list: the list would keep room for an image before every text. The mark is drawn
    // in its cell alone, and the tooltips are the window's own, which Wine's list lacks.
    ListView_SetExtendedListViewStyleEx(
        list, 0,
        LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_TWOCLICKACTIVATE | LVS_EX_DOUBLEBUFFER);
    ::SetWindowSubclass(list, ListProc, 1, reinterpret_cast<DWORD_PTR>(this));
    tip_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0, 0, Handle(), nullptr,
                             ::GetModuleHandleW(nullptr), nullptr);
    TTTOOLINFOW tool = ListTool();
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE;
    tool.lpszText = const_cast<wchar_t*>(L"");
    ::SendMessageW(tip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));

    RECT outer{};
    ::GetWindowRect(list, &outer);
    for (int column = 0; column < COL_COUNT; ++column) {
        LVCOLUMNW heading{};
        heading.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        heading.fmt = LVCFMT_LEFT;
        heading.cx = (outer.right - outer.left) / COL_COUNT;
        std::wstring text = Heading(column);
        heading.pszText = text.data();
        heading.iSubItem = column;
        ListView_InsertColumn(list, column, &heading);
    }
    MakeMarks();
    MeasureColumns();
}

void CQuenloDlg::MakeMarks()
{
    const int size = Scaled(MARK_SIZE);
    if (marks_)
        ::ImageList_Destroy(marks_);
    marks_ = ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, MARK_IMAGES, 0);
    // Every mark keeps its place even when its icon cannot be made.
    ::ImageList_SetImageCount(marks_, MARK_IMAGES);
    for (int image = 0; image < MARK_IMAGES; ++image) {
        if (const HICON icon = MarkIcon(static_cast<CellMark>(image + 1), size)) {
            ::ImageList_ReplaceIcon(marks_, image, icon);
            ::DestroyIcon(icon);
        }
    }
    // Tooltips of several lines: the cell's text, where the device answered, what is odd.
    ::SendMessageW(tip_, TTM_SETMAXTIPWIDTH, 0, Scaled(TIP_WIDTH));
}

void CQuenloDlg::MeasureColumns()
{
    measure_.emplace(reinterpret_cast<HFONT>(::SendMessageW(DeviceList(), WM_GETFONT, 0, 0)));
    ColumnMetrics metrics;
    metrics.textWidth = [this](const std::u16string& text) { return measure_->Width(text); };
    metrics.cellMargins = Scaled(CELL_MARGINS);
    metrics.markWidth = Scaled(MARK_SIZE + 4);
    for (int column = 0; column < COL_COUNT; ++column)
        metrics.headings[static_cast<std::size_t>(column)] =
            measure_->Width(ColumnHeading(column)) + Scaled(HEADING_MARGINS);
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
    case IDC_STATE:
        if (code == CBN_SELCHANGE) {
            const LRESULT chosen = ::SendDlgItemMessageW(Handle(), IDC_STATE, CB_GETCURSEL, 0, 0);
            if (chosen >= 0 && chosen < ROW_STATE_COUNT)
                Show(presenter_.ShowState(static_cast<RowState>(chosen)));
        }
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
    case WM_TIMER:
        if (wParam != DRAW_HELD_ROWS_TIMER) {
            handled = false;
            return FALSE;
        }
        DrawHeldRows();
        return TRUE;
    case WM_PLAN_LOADED:
        OnPlanLoaded();
        return TRUE;
    case WM_PAGE_PROGRAM_ENDED:
        OnPageProgramEnded(lParam);
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
    case WM_SIZE:
        Layout();
        return TRUE;
    case WM_GETMINMAXINFO:
        if (minimum_.cx > 0) {
            auto& limits = *reinterpret_cast<MINMAXINFO*>(lParam);
            limits.ptMinTrackSize = POINT{minimum_.cx, minimum_.cy};
        }
        return TRUE;
    case WM_DPICHANGED:
        OnDpiChanged(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return TRUE;
    case WM_NCDESTROY:
        // The controls that used the font are gone.
        if (font_)
            ::DeleteObject(std::exchange(font_, nullptr));
        handled = false;
        return FALSE;
    case WM_CONTEXTMENU:
        // From the keyboard; a right click has opened its row's menu already.
        if (reinterpret_cast<HWND>(wParam) == DeviceList() && lParam == -1) {
            OnRowMenuKey();
            return TRUE;
        }
        handled = false;
        return FALSE;
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
    if (withControl && key == 'O') {
        OnOpenPlan();
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
    case NM_CUSTOMDRAW:
        return OnCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(const_cast<NMHDR*>(&header)));
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
}

LRESULT CQuenloDlg::OnCustomDraw(NMLVCUSTOMDRAW& draw) const
{
    switch (draw.nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM: {
        const int position = static_cast<int>(draw.nmcd.dwItemSpec);
        if (position >= presenter_.Size())
            return CDRF_DODEFAULT;
        if (presenter_.Marked(position, draw.iSubItem)) {
            DrawMarkedCell(draw.nmcd.hdc, position, draw.iSubItem);
            return CDRF_SKIPDEFAULT;
        }
        // A device that no longer answers is greyed, as a disabled text is; selected, it is drawn
        // as the selection is.
        const bool selected =
            ListView_GetItemState(DeviceList(), position, LVIS_SELECTED) & LVIS_SELECTED;
        if (!presenter_.Silent(position) || selected)
            return CDRF_DODEFAULT;
        draw.clrText = ::GetSysColor(COLOR_GRAYTEXT);
        return CDRF_NEWFONT;
    }
    default:
        return CDRF_DODEFAULT;
    }
}

void CQuenloDlg::DrawMarkedCell(HDC dc, int position, int column) const
{
    const HWND list = DeviceList();
    RECT cell{};
    ListView_GetSubItemRect(list, position, column, LVIR_BOUNDS, &cell);
    // As the list draws a selected row: in the selection's colours while it has the focus.
    const bool selected = ListView_GetItemState(list, position, LVIS_SELECTED) & LVIS_SELECTED;
    const bool focused = ::GetFocus() == list;
    const int back = !selected ? COLOR_WINDOW : focused ? COLOR_HIGHLIGHT : COLOR_BTNFACE;
    const int plain = presenter_.Silent(position) ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
    const int fore = !selected ? plain : focused ? COLOR_HIGHLIGHTTEXT : COLOR_BTNTEXT;
    ::FillRect(dc, &cell, ::GetSysColorBrush(back));
    const int margin = Scaled(CELL_MARGINS) / 2;
    const int size = Scaled(MARK_SIZE);
    ::ImageList_Draw(marks_, MarkImage(presenter_.Mark(position, column)), dc,
                     cell.left + margin / 2, cell.top + (cell.bottom - cell.top - size) / 2,
                     ILD_TRANSPARENT);
    RECT text = cell;
    text.left += margin + size;
    text.right -= margin;
    const std::u16string cellText = presenter_.CellText(position, column);
    ::SetTextColor(dc, ::GetSysColor(fore));
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, reinterpret_cast<const wchar_t*>(cellText.c_str()),
                static_cast<int>(cellText.size()), &text,
                DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

std::pair<int, int> CQuenloDlg::CellAt(POINT point) const
{
    LVHITTESTINFO hit{};
    hit.pt = point;
    if (ListView_SubItemHitTest(DeviceList(), &hit) < 0 || hit.iItem >= presenter_.Size())
        return {-1, -1};
    return {hit.iItem, std::clamp(hit.iSubItem, 0, COL_COUNT - 1)};
}

void CQuenloDlg::ShowToolTip(std::pair<int, int> cell)
{
    HideToolTip();
    hotCell_ = cell;
    if (cell.first < 0)
        return;
    std::u16string lines;
    for (const std::u16string& line : presenter_.ToolTip(cell.first, cell.second))
        lines += (lines.empty() ? u"" : u"\r\n") + line;
    if (lines.empty())
        return;
    std::wstring text(lines.begin(), lines.end());
    TTTOOLINFOW tool = ListTool();
    tool.lpszText = text.data();
    ::SendMessageW(tip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    // Below the pointer, clear of its arrow.
    POINT at{};
    ::GetCursorPos(&at);
    ::SendMessageW(tip_, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y + Scaled(20)));
    ::SendMessageW(tip_, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&tool));
}

TTTOOLINFOW CQuenloDlg::ListTool() const
{
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(DeviceList());
    return tool;
}

void CQuenloDlg::HideToolTip()
{
    TTTOOLINFOW tool = ListTool();
    ::SendMessageW(tip_, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&tool));
    hotCell_ = {-1, -1};
}

LRESULT CALLBACK CQuenloDlg::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR, DWORD_PTR self)
{
    auto& dialog = *reinterpret_cast<CQuenloDlg*>(self);
    switch (message) {
    case WM_MOUSEMOVE:
        // A tooltip shows once the mouse has rested on a cell for the hover time.
        if (const auto cell = dialog.CellAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            cell != dialog.hotCell_) {
            dialog.HideToolTip();
            dialog.hotCell_ = cell;
            TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, list, HOVER_DEFAULT};
            ::TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSEHOVER:
        dialog.ShowToolTip(dialog.CellAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
        // Kept from the list view, whose hot tracking would select the row the mouse rests on:
        // pointing at a row to read it must not choose the row Delete and Save act on.
        return 0;
    case WM_KEYUP:
    case WM_KEYDOWN:
        dialog.HideToolTip();
        // The Menu key, taken whole: Wine's system turns it into no menu at all, and the system
        // must not turn it into a second one either.
        if (wParam != VK_APPS)
            break;
        if (message == WM_KEYUP)
            dialog.OnRowMenuKey();
        return 0;
    case WM_MOUSELEAVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEWHEEL:
        dialog.HideToolTip();
        break;
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(list, ListProc, 1);
        break;
    default:
        break;
    }
    return ::DefSubclassProc(list, message, wParam, lParam);
}

void CQuenloDlg::OnListUpdate()
{
    const ListChange change = commands_.TakeChange();
    if (std::any_of(change.steps.begin(), change.steps.end(),
                    [](const ListStep& step) { return step.kind == ListStep::Kind::Insert; }))
        HoldDrawingForRows();
    Show(change);
}

void CQuenloDlg::HoldDrawingForRows()
{
    // Wine's list view takes tens of milliseconds to draw, and a drawing between two batches of a
    // burst of replies holds back the next batch by as much: the whole burst comes into the list
    // first, then the list is drawn once.
    const ULONGLONG now = ::GetTickCount64();
    if (!drawingHeldSince_) {
        drawingHeldSince_ = now;
        SetWindowRedraw(DeviceList(), FALSE);
    }
    if (now - *drawingHeldSince_ < HELD_DRAWING_LIMIT_MS)
        ::SetTimer(Handle(), DRAW_HELD_ROWS_TIMER, BURST_QUIET_MS, nullptr);
}

void CQuenloDlg::DrawHeldRows()
{
    ::KillTimer(Handle(), DRAW_HELD_ROWS_TIMER);
    if (!drawingHeldSince_)
        return;
    drawingHeldSince_.reset();
    const HWND list = DeviceList();
    SetWindowRedraw(list, TRUE);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
    // The rows may have brought the vertical scroll bar, which the list shows only as it draws.
    RefitColumns();
}

void CQuenloDlg::Show(const ListChange& change)
{
    const HWND list = DeviceList();
    const bool appendedOnly = !change.reordered && change.steps.size() == 1
                              && change.steps.front().kind == ListStep::Kind::Insert
                              && change.steps.front().position == static_cast<int>(shown_.size());
    if (change.emptied) {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        shown_ = presenter_.ShownIds();
        ListView_SetItemCountEx(list, presenter_.Size(), 0);
        ShowOrder();
    } else if (appendedOnly) {
        // Rows after the last one move no selection: only the new rows are drawn.
        shown_ = presenter_.ShownIds();
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
        shown_ = presenter_.ShownIds();
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
    for (const RowId id : change.select) {
        if (const int position = presenter_.PositionOf(id); position >= 0)
            ListView_SetItemState(list, position, LVIS_SELECTED, LVIS_SELECTED);
    }
    if (change.repaint)
        ::InvalidateRect(list, nullptr, FALSE);
    // Also when the rows bring or take away the vertical scroll bar: the columns fit the width
    // the list has beside it, and no column is cut under a horizontal one.
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
        const int shown = heading.fmt;
        heading.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (order.Sorted() && column == order.column)
            heading.fmt |= order.descending ? HDF_SORTDOWN : HDF_SORTUP;
        // Only a change: each heading set makes the list lay out its columns again.
        if (heading.fmt != shown)
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
    // The firewall is asked once, as the hint comes up, not at every update after.
    const bool hearsNothing = presenter_.HearsNothing(search_.Worker().IsSearching());
    if (hearsNothing && !firewallAsked_)
        presenter_.SetNothingHeardText(NothingHeardText(Seams().askFirewall(), TableText));
    firewallAsked_ = hearsNothing;
    const std::u16string status = commands_.StatusText();
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
    std::vector<int> changed;
    for (int column = 0; column < COL_COUNT; ++column) {
        if (ListView_GetColumnWidth(list, column) != widths[static_cast<std::size_t>(column)])
            changed.push_back(column);
    }
    if (changed.empty())
        return;
    // Each width set while the list draws scrolls the columns after it and draws them again: with
    // drawing off the widths are set at once, and the list and its headings drawn once after.
    SetWindowRedraw(list, FALSE);
    for (const int column : changed)
        ListView_SetColumnWidth(list, column, widths[static_cast<std::size_t>(column)]);
    if (drawingHeldSince_)
        return; // drawn with the held rows
    SetWindowRedraw(list, TRUE);
    ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
}

void CQuenloDlg::OnBnClickedSearch()
{
    commands_.Search();
    UpdateStatus();
}

void CQuenloDlg::OnBnClickedStop()
{
    commands_.Stop();
    UpdateStatus();
}

void CQuenloDlg::OnRefresh()
{
    commands_.Refresh(SelectedPositions());
    UpdateStatus();
}
