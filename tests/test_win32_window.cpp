// The Windows window without sockets: built from the shared templates, its list fed as the search
// worker feeds it, and its row commands driven through messages and read back from the list view.
#include "dialog_window.h"
#include "main_window_test.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "resource_text.h"
#include "win32_driver.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Cells {
    std::u16string chn, version, ip, port, gateway, mac;
};

class Win32Window : public MainWindowTest
{
protected:
    void TearDown() override
    {
        EXPECT_TRUE(seams.boxes.empty()) << "a message box nobody expected";
    }

    // Lists rows as the worker does, then waits for the window to show them all.
    void ListRows(const std::vector<Cells>& rows, bool newSearch = true)
    {
        CDeviceListBridge& bridge = dialog.ListBridge();
        if (newSearch)
            bridge.DeleteAllRows();
        for (const Cells& cells : rows) {
            const int row = bridge.AppendRow();
            const std::u16string* texts[] = {&cells.chn,  &cells.version, &cells.ip,
                                             &cells.port, &cells.gateway, &cells.mac};
            for (int column = 0; column < COL_COUNT; ++column)
                bridge.SetCellText(row, column, *texts[column]);
            bridge.TurnRedrawOn();
        }
        const int expected = (newSearch ? 0 : ItemCount(list)) + static_cast<int>(rows.size());
        ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == expected; }));
    }

    std::wstring Cell(int item, int column) { return ItemText(list, item, column); }
    std::wstring Status() { return dialog.ItemText(IDC_STATUS); }

    void Select(const std::vector<int>& items)
    {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (const int item : items)
            ListView_SetItemState(list, item, LVIS_SELECTED, LVIS_SELECTED);
    }

};

const std::vector<Cells> THREE = {
    {u"前门 ", u"V2.3.1 ", u"10.60.1.101 ", u"80 ", u"10.60.1.254 ", u"00:11:22:33:44:01 "},
    {u"Lobby\x1b[2J ", u"V3.0.2 ", u"10.60.1.9 ", u"8080 ", u"10.60.1.254 ", u"00:11:22:33:44:02 "},
    {u"=cmd ", u"V1.0.0 ", u"192.168.1.64 ", u"80 ", u"192.168.1.1 ", u"00:11:22:33:44:03 "},
};

// The window as an operator whose Windows speaks English sees it; the other tests run in Chinese,
// the language resources are read in until told otherwise.
class Win32WindowInEnglish : public Win32Window
{
protected:
    void SetUp() override
    {
        UseResourceLanguage(UiLanguage::English);
        Win32Window::SetUp();
    }

    void TearDown() override
    {
        Win32Window::TearDown();
        UseResourceLanguage(UiLanguage::Chinese);
    }
};

// The texts of a dialog's labels, buttons and choices that do not fit their control, with the
// width each needs.
std::wstring CutTexts(HWND dialog)
{
    std::wstring cut;
    const auto measure = [&](HWND control, std::wstring text, int room) {
        text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
        const HDC dc = ::GetDC(control);
        const HGDIOBJ font = ::SelectObject(dc, reinterpret_cast<HFONT>(
                                                    ::SendMessageW(control, WM_GETFONT, 0, 0)));
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        ::SelectObject(dc, font);
        ::ReleaseDC(control, dc);
        if (size.cx > room)
            cut += L"\"" + text + L"\" needs " + std::to_wstring(size.cx) + L" px of "
                   + std::to_wstring(room) + L"\n";
    };
    for (HWND control = ::GetWindow(dialog, GW_CHILD); control;
         control = ::GetWindow(control, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        ::GetClassNameW(control, className, 32);
        RECT inside{};
        ::GetClientRect(control, &inside);
        const std::wstring kind = className;
        const bool icon = (::GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
        if ((kind == L"Static" && !icon && ::GetDlgCtrlID(control) != IDC_STATUS)
            || kind == L"Button") {
            wchar_t text[256] = {};
            ::GetWindowTextW(control, text, 256);
            // A push button's text keeps off its edges by its border and focus frame.
            const int margin = kind == L"Button" ? 3 * ::GetSystemMetrics(SM_CXEDGE) : 0;
            measure(control, text, inside.right - 2 * margin);
        } else if (kind == L"ComboBox") {
            const int room = inside.right - ::GetSystemMetrics(SM_CXVSCROLL)
                             - 2 * ::GetSystemMetrics(SM_CXEDGE);
            const int items = static_cast<int>(::SendMessageW(control, CB_GETCOUNT, 0, 0));
            for (int item = 0; item < items; ++item) {
                wchar_t text[256] = {};
                ::SendMessageW(control, CB_GETLBTEXT, static_cast<WPARAM>(item),
                               reinterpret_cast<LPARAM>(text));
                measure(control, text, room);
            }
        }
    }
    return cut;
}

} // namespace

TEST_F(Win32Window, IsBuiltFromTheSharedTemplatesAndStrings)
{
    wchar_t title[64] = {};
    ::GetWindowTextW(dialog.Handle(), title, 64);
    EXPECT_EQ(std::wstring(L"Quenlo System"), title);
    EXPECT_EQ(L"Search", dialog.ItemText(IDC_SEARCH));
    EXPECT_EQ(L"Stop", dialog.ItemText(IDC_STOP));
    EXPECT_EQ(L"已停止    共 0 台设备", Status());

    const DWORD extended = ListView_GetExtendedListViewStyle(list);
    EXPECT_EQ(0xA1u, extended & 0xA1u) << "grid lines, full-row select, two-click activate";
    EXPECT_TRUE(::GetWindowLongPtrW(list, GWL_STYLE) & LVS_SHOWSELALWAYS);
    EXPECT_EQ(static_cast<LONG_PTR>(LVS_REPORT), ::GetWindowLongPtrW(list, GWL_STYLE) & LVS_TYPEMASK);
    const HWND header = ListView_GetHeader(list);
    ASSERT_EQ(COL_COUNT, Header_GetItemCount(header));
    const wchar_t* headings[] = {L"chn", L"version", L"IP", L"port", L"gateway", L"mac"};
    for (int column = 0; column < COL_COUNT; ++column) {
        wchar_t text[32] = {};
        LVCOLUMNW heading{};
        heading.mask = LVCF_TEXT | LVCF_FMT;
        heading.pszText = text;
        heading.cchTextMax = 32;
        ASSERT_TRUE(ListView_GetColumn(list, column, &heading));
        EXPECT_EQ(std::wstring(headings[column]), text);
        EXPECT_EQ(LVCFMT_LEFT, heading.fmt & LVCFMT_JUSTIFYMASK);
    }

    // The About item, last in the system menu after a separator.
    const HMENU system = ::GetSystemMenu(dialog.Handle(), FALSE);
    const int items = ::GetMenuItemCount(system);
    ASSERT_GE(items, 2);
    EXPECT_EQ(static_cast<UINT>(IDM_ABOUTBOX), ::GetMenuItemID(system, items - 1));
    wchar_t about[64] = {};
    ::GetMenuStringW(system, static_cast<UINT>(items - 1), about, 64, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(L"关于 Quenlo(&A)..."), about);
    EXPECT_TRUE(::GetMenuState(system, static_cast<UINT>(items - 2), MF_BYPOSITION) & MF_SEPARATOR);

    // F1 anywhere: no help to start, said with a warning, captioned with the program's name.
    SeamCatcher caught;
    ::SendMessageW(list, WM_KEYDOWN, VK_F1, 0);
    ASSERT_EQ(1u, caught.boxes.size());
    EXPECT_EQ(L"启动帮助失败。", caught.boxes[0].text);
    EXPECT_EQ(L"test_win32_window", caught.boxes[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), caught.boxes[0].type);
}

TEST_F(Win32Window, RowsShowTheirVisibleTextsAndSortByHeadingWithTheSelectionFollowing)
{
    ListRows(THREE);
    EXPECT_EQ(L"已停止    共 3 台设备", Status());
    EXPECT_EQ(L"前门 ", Cell(0, COL_CHN));
    EXPECT_EQ(L"Lobby\u241B[2J ", Cell(1, COL_CHN)) << "a control character is shown, not obeyed";
    EXPECT_EQ(L"00:11:22:33:44:03 ", Cell(2, COL_MAC));

    // The MAC, IP, port and gateway columns show their texts whole.
    for (const int column : {COL_IP, COL_PORT, COL_GATEWAY, COL_MAC})
        EXPECT_GE(ListView_GetColumnWidth(list, column),
                  ListView_GetStringWidth(list, Cell(2, column).c_str()));

    Select({1});
    const HWND header = ListView_GetHeader(list);
    const auto arrow = [&](int column) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, column, &item);
        return item.fmt & (HDF_SORTUP | HDF_SORTDOWN);
    };
    dialog.OnColumnClick(COL_IP);
    EXPECT_EQ(L"10.60.1.9 ", Cell(0, COL_IP)) << "addresses by value, not as texts";
    EXPECT_EQ(L"10.60.1.101 ", Cell(1, COL_IP));
    EXPECT_EQ(HDF_SORTUP, arrow(COL_IP));
    EXPECT_EQ(0, ListView_GetNextItem(list, -1, LVNI_SELECTED)) << "the selection follows its row";

    // A row that arrives while sorted takes its place.
    ListRows({{u"new ", u"", u"10.60.1.50 ", u"80 ", u"", u"00:11:22:33:44:04 "}}, false);
    EXPECT_EQ(L"10.60.1.50 ", Cell(1, COL_IP));

    dialog.OnColumnClick(COL_IP);
    EXPECT_EQ(L"192.168.1.64 ", Cell(0, COL_IP));
    EXPECT_EQ(HDF_SORTDOWN, arrow(COL_IP));
    dialog.OnColumnClick(COL_IP);
    EXPECT_EQ(L"10.60.1.101 ", Cell(0, COL_IP)) << "the third click: first-heard order";
    EXPECT_EQ(0, arrow(COL_IP));

    // A border the operator drags stays where it was put as rows come.
    ListView_SetColumnWidth(list, COL_VERSION, 40);
    NMHEADERW drag{};
    drag.hdr.hwndFrom = header;
    drag.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(header));
    drag.hdr.code = HDN_ENDTRACKW;
    drag.iItem = COL_VERSION;
    ::SendMessageW(dialog.Handle(), WM_NOTIFY, drag.hdr.idFrom, reinterpret_cast<LPARAM>(&drag));
    ListRows({{u"more ", u"", u"10.60.1.51 ", u"80 ", u"", u"00:11:22:33:44:05 "}}, false);
    EXPECT_EQ(40, ListView_GetColumnWidth(list, COL_VERSION));

    // A new search empties the list and the order.
    dialog.OnColumnClick(COL_PORT);
    ListRows({THREE[2]});
    EXPECT_EQ(0, arrow(COL_PORT));
    EXPECT_EQ(L"=cmd ", Cell(0, COL_CHN));
}

TEST_F(Win32Window, RowMenuCopiesDeletesAndEditsOnlyWhatTheListShows)
{
    ListRows(THREE);
    SeamCatcher caught;
    Select({2, 0});

    caught.menuChoice = ID_ROW_COPY;
    dialog.OnRowMenu(0, POINT{10, 10});
    EXPECT_EQ(L"前门\tV2.3.1\t10.60.1.101\t80\t10.60.1.254\t00:11:22:33:44:01\r\n"
              L"'=cmd\tV1.0.0\t192.168.1.64\t80\t192.168.1.1\t00:11:22:33:44:03\r\n",
              ClipboardText())
        << "the selected rows in list order; a cell a spreadsheet would run is defused";
    caught.menuChoice = ID_ROW_COPY_MAC;
    dialog.OnRowMenu(2, POINT{10, 10});
    EXPECT_EQ(L"00:11:22:33:44:03", ClipboardText());
    caught.menuChoice = ID_ROW_COPY_IP;
    dialog.OnRowMenu(1, POINT{10, 10});
    EXPECT_EQ(L"10.60.1.9", ClipboardText());
    EXPECT_EQ(u"10.60.1.9 ", dialog.Snapshot().ip);

    // Delete takes the topmost selected row.
    caught.menuChoice = ID_ROW_DELETE;
    Select({2, 1});
    dialog.OnRowMenu(2, POINT{10, 10});
    ASSERT_EQ(2, ItemCount(list));
    EXPECT_EQ(L"00:11:22:33:44:01 ", Cell(0, COL_MAC));
    EXPECT_EQ(L"00:11:22:33:44:03 ", Cell(1, COL_MAC));
    EXPECT_EQ(L"已停止    共 2 台设备", Status());
    EXPECT_TRUE(caught.boxes.empty());
}

TEST_F(Win32Window, ShrinksToASmallWorkAreaCentredAndItsListTakesTheRoom)
{
    const auto placeOf = [&](int id) {
        RECT place{};
        ::GetWindowRect(dialog.Item(id), &place);
        ::MapWindowPoints(nullptr, dialog.Handle(), reinterpret_cast<POINT*>(&place), 2);
        return place;
    };
    RECT full{};
    ::GetClientRect(dialog.Handle(), &full);
    const RECT list0 = placeOf(IDC_DEVICE_LIST);
    const RECT status0 = placeOf(IDC_STATUS);
    const RECT stop0 = placeOf(IDC_STOP);

    const RECT small{300, 40, 700, 460};
    dialog.FitIn(small);
    RECT outer{};
    ::GetWindowRect(dialog.Handle(), &outer);
    EXPECT_EQ(small.left, outer.left);
    EXPECT_EQ(small.top, outer.top);
    EXPECT_EQ(small.right, outer.right);
    EXPECT_EQ(small.bottom, outer.bottom);
    RECT client{};
    ::GetClientRect(dialog.Handle(), &client);
    const int dx = client.right - full.right;
    const int dy = client.bottom - full.bottom;
    ASSERT_LT(dy, 0);
    EXPECT_EQ(list0.right + dx, placeOf(IDC_DEVICE_LIST).right);
    EXPECT_EQ(list0.bottom + dy, placeOf(IDC_DEVICE_LIST).bottom);
    EXPECT_EQ(status0.top + dy, placeOf(IDC_STATUS).top) << "the status line keeps to the bottom";
    EXPECT_EQ(stop0.left + dx, placeOf(IDC_STOP).left) << "as far from the right edge";
    EXPECT_EQ(stop0.top, placeOf(IDC_STOP).top);

    // Made larger than the template, by the operator or maximised.
    EXPECT_TRUE(::GetWindowLongPtrW(dialog.Handle(), GWL_STYLE) & WS_MAXIMIZEBOX);
    ::SetWindowPos(dialog.Handle(), nullptr, 0, 0, outer.right - outer.left - dx + 200,
                   outer.bottom - outer.top - dy + 100, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(list0.bottom + 100, placeOf(IDC_DEVICE_LIST).bottom);
    EXPECT_EQ(status0.right + 200, placeOf(IDC_STATUS).right);
    RECT inside{};
    ::GetClientRect(list, &inside);
    int columns = 0;
    for (int column = 0; column < COL_COUNT; ++column)
        columns += ListView_GetColumnWidth(list, column);
    EXPECT_EQ(inside.right, columns) << "the columns fill the wider list";

    // Moved to a monitor of twice the scaling: the suggested place, the fonts twice as tall.
    TEXTMETRICW before{};
    TEXTMETRICW after{};
    const auto measure = [&](TEXTMETRICW& metrics) {
        const HDC dc = ::GetDC(list);
        const HGDIOBJ old = ::SelectObject(
            dc, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
        ::GetTextMetricsW(dc, &metrics);
        ::SelectObject(dc, old);
        ::ReleaseDC(list, dc);
    };
    measure(before);
    const RECT suggested{100, 80, 100 + 2 * (outer.right - outer.left),
                         80 + 2 * (outer.bottom - outer.top)};
    ::SendMessageW(dialog.Handle(), WM_DPICHANGED, MAKEWPARAM(192, 192),
                   reinterpret_cast<LPARAM>(&suggested));
    measure(after);
    ::GetWindowRect(dialog.Handle(), &outer);
    EXPECT_EQ(suggested.left, outer.left);
    EXPECT_EQ(suggested.bottom, outer.bottom);
    EXPECT_NEAR(2 * before.tmHeight, after.tmHeight, 2);
    EXPECT_NEAR(2 * (stop0.right - stop0.left),
                placeOf(IDC_STOP).right - placeOf(IDC_STOP).left, 2);
}

TEST_F(Win32Window, TheMarksAreInTheirCellsAloneAndExplainedByTooltips)
{
    // Two devices at one address: both IP cells are marked.
    ListRows({THREE[0], THREE[1], {u"twin ", u"", u"10.60.1.9 ", u"80 ", u"", u"AA "}});
    ASSERT_TRUE(dialog.Presenter().Marked(1, COL_IP));
    RECT bounds{};
    RECT label{};
    for (const int column : {COL_CHN, COL_VERSION}) {
        ListView_GetSubItemRect(list, 1, column, LVIR_BOUNDS, &bounds);
        ListView_GetSubItemRect(list, 1, column, LVIR_LABEL, &label);
        EXPECT_LE(label.left - bounds.left, 2) << "no room for an image in column " << column;
    }

    // The cell's text, then what is odd about it.
    const std::wstring shown = HoverToolTip(dialog, 1, COL_IP);
    EXPECT_EQ(0u, shown.rfind(L"10.60.1.9", 0)) << shown.size();
    EXPECT_NE(std::wstring::npos, shown.find(L"\r\n"));
    EXPECT_EQ(0u, ListView_GetSelectedCount(list))
        << "resting on a row explains it and selects nothing, which Delete would act on";

    const HWND tip = dialog.ToolTip();
    ListView_GetSubItemRect(list, 0, COL_MAC, LVIR_BOUNDS, &bounds);
    ::SendMessageW(list, WM_MOUSEMOVE, 0, MAKELPARAM(bounds.left + 4, bounds.top + 4));
    EXPECT_FALSE(::IsWindowVisible(tip)) << "another cell: the tooltip goes until the mouse rests";

    // Ctrl+O opens an address plan, even one a spreadsheet program holds open for writing; the
    // MAC cells then say each row's verdict, and the lines skipped are shown whole.
    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"站点计划.csv";
    const HANDLE held = ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const std::string plan = "mac,ip,port,chn\r\n"
                             "00-11-22-33-44-01,10.60.1.101,80,\xE5\x89\x8D\xE9\x97\xA8\r\n"
                             "00:11:22:33:44:02,10.60.1.9,80,\r\n"
                             "00:11:22:33:44:09,10.60.1.77,,\r\n"
                             "nonsense,10.60.1.5,,\r\n";
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(held, plan.data(), static_cast<DWORD>(plan.size()), &written, nullptr));
    const auto viewText = [](const std::wstring& title, std::wstring& text) {
        WhenModal([title, &text] {
            const HWND view = FindDialog(title);
            ASSERT_NE(nullptr, view) << "no view titled " << title.size();
            wchar_t contents[1024] = {};
            ::GetDlgItemTextW(view, IDC_TEXT_VIEW, contents, 1024);
            text = contents;
            ::SendMessageW(view, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        });
    };
    std::wstring skipped;
    seams.openPath = path;
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    ::SetKeyboardState(keys);
    ::SendMessageW(list, WM_KEYDOWN, 'O', 1);
    keys[VK_CONTROL] = 0;
    ::SetKeyboardState(keys);
    // Read off the window's thread: the view comes once the window takes the plan.
    ASSERT_TRUE(WaitUntilPosted(dialog.Handle(), CQuenloDlg::WM_PLAN_LOADED));
    viewText(L"地址计划中跳过的行", skipped);
    ASSERT_TRUE(PumpUntil([&skipped] { return !skipped.empty(); }));
    ::CloseHandle(held);
    EXPECT_EQ(L"地址计划 站点计划.csv 中有 1 行无法读取，已跳过，其中的设备不作检查：\r\n"
              L"第 5 行：MAC 地址“nonsense”无法识别\r\n",
              skipped);
    EXPECT_EQ(CellMark::AsPlanned, dialog.Presenter().Mark(0, COL_MAC));
    EXPECT_EQ(CellMark::PlanDiffers, dialog.Presenter().Mark(1, COL_MAC));
    EXPECT_EQ(CellMark::NotInPlan, dialog.Presenter().Mark(2, COL_MAC));
    EXPECT_NE(std::wstring::npos, HoverToolTip(dialog, 1, COL_MAC)
                                      .find(L"与地址计划第 3 行不符：\r\nport：计划 80，实际 8080"));
    EXPECT_EQ(L"已停止    共 3 台设备，2 台地址重复    计划 3 台：相符 1，不符 1，已无应答 0，未应答 1；不在计划中 1",
              Status());

    // From the heading menu: a file that cannot be read is said so by its name, and the plan
    // before stays.
    seams.menuChoice = ID_LIST_OPEN_PLAN;
    seams.openPath = std::wstring(folder) + L"没有这个计划.csv";
    dialog.OnListMenu(POINT{10, 10});
    ASSERT_TRUE(PumpUntil([this] { return !seams.boxes.empty(); }));
    ASSERT_EQ(1u, seams.boxes.size());
    EXPECT_EQ(0u, seams.boxes[0].text.rfind(L"无法读取地址计划 没有这个计划.csv：", 0))
        << seams.boxes[0].text.size();
    seams.boxes.clear();
    EXPECT_EQ(CellMark::AsPlanned, dialog.Presenter().Mark(0, COL_MAC));

    std::wstring missing;
    viewText(L"未应答的计划设备", missing);
    seams.menuChoice = ID_LIST_MISSING;
    dialog.OnListMenu(POINT{10, 10});
    EXPECT_NE(std::wstring::npos, missing.find(L"第 4 行：mac 00:11:22:33:44:09，IP 10.60.1.77\r\n"))
        << missing.size();
    ::DeleteFileW(path.c_str());
}

TEST_F(Win32Window, TheStateChoiceKeepsTheRowsThatNeedWork)
{
    ListRows({THREE[0], THREE[1], {u"twin ", u"", u"10.60.1.9 ", u"80 ", u"", u"AA "}});
    const HWND state = ::GetDlgItem(dialog.Handle(), IDC_STATE);
    ASSERT_EQ(ROW_STATE_COUNT, static_cast<int>(::SendMessageW(state, CB_GETCOUNT, 0, 0)));
    EXPECT_EQ(0, static_cast<int>(::SendMessageW(state, CB_GETCURSEL, 0, 0)));

    // The keyboard's next choice, all that needs work: the two devices at one address.
    ::SetFocus(state);
    ::SendMessageW(state, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(1, static_cast<int>(::SendMessageW(state, CB_GETCURSEL, 0, 0)));
    ASSERT_EQ(2, ItemCount(list));
    EXPECT_EQ(L"10.60.1.9 ", Cell(0, COL_IP));
    EXPECT_EQ(L"twin ", Cell(1, COL_CHN));
    EXPECT_EQ(L"已停止    显示 2 / 共 3 台设备，2 台地址重复", Status());

    ::SendMessageW(state, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(3, ItemCount(list));
}

TEST_F(Win32Window, ShiftF10AndTheMenuKeyOpenTheFocusedRowsMenu)
{
    ListRows(THREE);
    SeamCatcher caught;
    caught.menuChoice = ID_ROW_COPY_MAC;
    ::SetFocus(list);
    Select({0});
    ListView_SetItemState(list, 2, LVIS_FOCUSED, LVIS_FOCUSED);
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
    ::SendMessageW(list, WM_SYSKEYDOWN, VK_F10, 1);
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    EXPECT_EQ(L"00:11:22:33:44:03", ClipboardText()) << "the focused row's, not the selected one's";

    // The Menu key, as the system sends it.
    ListView_SetItemState(list, 1, LVIS_FOCUSED, LVIS_FOCUSED);
    ::SendMessageW(list, WM_KEYDOWN, VK_APPS, 1);
    ::SendMessageW(list, WM_KEYUP, VK_APPS, 0xC0000001);
    EXPECT_EQ(L"00:11:22:33:44:02", ClipboardText());
}

TEST_F(Win32Window, TheFilterNarrowsTheRowsTheCommandsAndTheSavedFile)
{
    ListRows(THREE);
    SeamCatcher caught;
    ::SetDlgItemTextW(dialog.Handle(), IDC_FILTER, L"10.60");
    ASSERT_EQ(2, ItemCount(list));
    EXPECT_EQ(L"已停止    显示 2 / 共 3 台设备", Status());

    // The row menu takes the row as shown.
    Select({1});
    caught.menuChoice = ID_ROW_DELETE;
    dialog.OnRowMenu(1, POINT{10, 10});
    ASSERT_EQ(1, ItemCount(list));
    EXPECT_EQ(L"00:11:22:33:44:01 ", Cell(0, COL_MAC));

    wchar_t folder[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, folder);
    caught.saveAs = std::wstring(folder) + L"quenlo-site.csv";
    dialog.OnSaveList(false);
    std::ifstream saved(std::filesystem::path(caught.saveAs), std::ios::binary);
    EXPECT_EQ("\xEF\xBB\xBF"
              "chn,version,ip,port,gateway,mac\r\n"
              "\xE5\x89\x8D\xE9\x97\xA8,V2.3.1,10.60.1.101,80,10.60.1.254,00:11:22:33:44:01\r\n",
              std::string(std::istreambuf_iterator<char>(saved), {}));
    saved.close();
    ::DeleteFileW(caught.saveAs.c_str());

    // A file that cannot be written is said to be so, and the list stays as it was.
    caught.saveAs = std::wstring(folder) + L"no such folder\\quenlo-site.csv";
    dialog.OnSaveList(false);
    ASSERT_EQ(1u, caught.boxes.size());
    EXPECT_EQ(0u, caught.boxes[0].text.rfind(L"无法保存", 0)) << caught.boxes[0].text;
    EXPECT_EQ(1, ItemCount(list));

    // Escape in the filter clears it, and closes nothing.
    ::SetFocus(dialog.Item(IDC_FILTER));
    ::SendMessageW(dialog.Handle(), WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(::IsWindowVisible(dialog.Handle()));
    EXPECT_EQ(L"", dialog.ItemText(IDC_FILTER));
    ASSERT_EQ(2, ItemCount(list));

    ::SetFocus(list);
    ::SendMessageW(list, WM_KEYDOWN, VK_END, 0);
    EXPECT_EQ(1, ListView_GetNextItem(list, -1, LVNI_SELECTED));
    ::SendMessageW(list, WM_KEYDOWN, VK_HOME, 0);
    EXPECT_EQ(0, ListView_GetNextItem(list, -1, LVNI_SELECTED));
}

TEST_F(Win32Window, EditDialogUnchangedChangedAndCancelled)
{
    ListRows(THREE);
    SeamCatcher caught;
    caught.menuChoice = ID_ROW_EDIT;

    // OK at once: the focus starts on OK, nothing changed is said without an icon.
    bool focusOnOk = false;
    WhenModal([&] {
        const HWND edit = FindDialog(L"地址编辑");
        ASSERT_NE(nullptr, edit);
        focusOnOk = ::GetFocus() == ::GetDlgItem(edit, IDC_EDIT_OK);
        EXPECT_EQ(dialog.Handle(), ::GetWindow(edit, GW_OWNER));
        RECT inner{};
        RECT outer{};
        ::GetWindowRect(edit, &inner);
        ::GetWindowRect(dialog.Handle(), &outer);
        EXPECT_LE(std::abs((inner.left + inner.right) - (outer.left + outer.right)), 2)
            << "centred over the main window";
        wchar_t ip[64] = {};
        ::GetDlgItemTextW(edit, IDC_EDIT_IP, ip, 64);
        EXPECT_EQ(std::wstring(L"10.60.1.9 "), ip) << "the cell's text, its blank included";
        EXPECT_NE(nullptr, ::FindWindowExW(edit, nullptr, L"Static", L"只修改列表，不会发送到设备。"));
        ::SendMessageW(edit, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    dialog.OnRowMenu(1, POINT{10, 10});
    EXPECT_TRUE(focusOnOk);
    ASSERT_EQ(1u, caught.boxes.size());
    EXPECT_EQ(L"未修改", caught.boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK), caught.boxes[0].type);
    EXPECT_EQ(L"10.60.1.9 ", Cell(1, COL_IP));

    // Changed: every field written back; the version stays.
    WhenModal([&] {
        const HWND edit = FindDialog(L"地址编辑");
        ASSERT_NE(nullptr, edit);
        ::SetDlgItemTextW(edit, IDC_EDIT_IP, L"10.0.0.7");
        ::SetDlgItemTextW(edit, IDC_EDIT_CHN, L"门厅");
        ::SendMessageW(edit, WM_COMMAND, MAKEWPARAM(IDC_EDIT_OK, BN_CLICKED), 0);
    });
    dialog.OnRowMenu(1, POINT{10, 10});
    EXPECT_EQ(1u, caught.boxes.size());
    EXPECT_EQ(L"10.0.0.7", Cell(1, COL_IP));
    EXPECT_EQ(L"门厅", Cell(1, COL_CHN));
    EXPECT_EQ(L"V3.0.2 ", Cell(1, COL_VERSION));
    EXPECT_EQ(L"8080 ", Cell(1, COL_PORT));
    // The edited cells say so, and what the device answers.
    EXPECT_EQ(CellMark::Edited, dialog.Presenter().Mark(1, COL_IP));
    EXPECT_NE(std::wstring::npos,
              HoverToolTip(dialog, 1, COL_IP).find(L"已编辑：只改了列表，设备应答的是 10.60.1.9"));

    // Cancelled after typing, by Escape: the row stays as it was.
    WhenModal([&] {
        const HWND edit = FindDialog(L"地址编辑");
        ASSERT_NE(nullptr, edit);
        ::SetDlgItemTextW(edit, IDC_EDIT_MAC, L"changed");
        ::SendMessageW(edit, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    dialog.OnRowMenu(1, POINT{10, 10});
    EXPECT_EQ(L"00:11:22:33:44:02 ", Cell(1, COL_MAC));
    EXPECT_EQ(1u, caught.boxes.size());
}

TEST_F(Win32Window, DoubleClickHandsTheShellOnlyAUrlBuiltFromTheParts)
{
    ListRows({THREE[0], {u"", u"", u"evil.example/x?", u"80 ", u"", u"AA "}, THREE[1]});
    SeamCatcher caught;
    dialog.OnNMDblclkList(0);
    ASSERT_EQ(1u, caught.urls.size());
    EXPECT_EQ(L"http://10.60.1.101:80", caught.urls[0]);
    EXPECT_TRUE(caught.boxes.empty());

    dialog.OnNMDblclkList(1);
    EXPECT_EQ(1u, caught.urls.size()) << "a host name never reaches the shell";
    ASSERT_EQ(1u, caught.boxes.size());
    EXPECT_EQ(0u, caught.boxes[0].text.rfind(L"无法打开设备网页：", 0));
    EXPECT_NE(std::wstring::npos, caught.boxes[0].text.find(L"evil.example/x?"));
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), caught.boxes[0].type);

    // A shell that refuses is said too: why, as the system says it, and the address, which the
    // row menu copies.
    caught.shellAccepts = false;
    dialog.OnNMDblclkList(2);
    EXPECT_EQ(L"http://10.60.1.9:8080", caught.urls.back());
    ASSERT_EQ(2u, caught.boxes.size());
    wchar_t reason[512] = {};
    ASSERT_NE(0u, ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, ERROR_NO_ASSOCIATION, 0, reason, 512, nullptr));
    std::wstring said = reason;
    said.erase(said.find_last_not_of(L"\r\n") + 1);
    EXPECT_EQ(L"无法打开设备网页 http://10.60.1.9:8080：" + said
                  + L"\n行菜单中的“复制网址”可复制这个地址，粘贴到浏览器中打开。",
              caught.boxes[1].text);

    // The shell opened it by starting a program that then fails, as winebrowser does with no
    // browser to hand the page to: said once the program has ended, with its name and code.
    caught.shellAccepts = true;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::wstring command = L"cmd.exe /c exit 3";
    ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE,
                                 CREATE_NO_WINDOW, nullptr, nullptr, &startup, &started));
    ::CloseHandle(started.hThread);
    caught.launched = started.hProcess;
    dialog.OnNMDblclkList(0);
    ASSERT_TRUE(PumpUntil([&] { return caught.boxes.size() == 3; }));
    EXPECT_EQ(L"无法打开设备网页 http://10.60.1.101:80：打开网页的程序 cmd.exe 出错退出（退出码 3），"
              L"可能没有安装浏览器。\n行菜单中的“复制网址”可复制这个地址，粘贴到浏览器中打开。",
              caught.boxes[2].text);
}

TEST_F(Win32Window, WhatTheWorkerReportsIsShownAfterTheRowsAndNeverAfterClosing)
{
    SeamCatcher caught;
    CDeviceListBridge& bridge = dialog.ListBridge();
    bridge.OnReplyPortUnavailable();
    ListRows(THREE);
    ASSERT_TRUE(PumpUntil([&] { return !caught.boxes.empty(); }));
    ASSERT_EQ(1u, caught.boxes.size());
    EXPECT_EQ(L"无法监听 UDP 端口 6061，收不到设备的应答。请关闭占用该端口的程序后重新搜索。",
              caught.boxes[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONWARNING), caught.boxes[0].type);

    // Closing: the bridge is detached, and nothing the worker does reaches the window any more.
    ::SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_EQ(nullptr, dialog.Handle());
    bridge.OnReplyPortUnavailable();
    ListRows({}, false);
    EXPECT_EQ(1u, caught.boxes.size());
}

TEST_F(Win32WindowInEnglish, SpeaksEnglishAndEveryTextIsWhole)
{
    EXPECT_EQ(L"Stopped    Devices: 0", Status());
    const HMENU system = ::GetSystemMenu(dialog.Handle(), FALSE);
    wchar_t about[64] = {};
    ::GetMenuStringW(system, static_cast<UINT>(::GetMenuItemCount(system) - 1), about, 64,
                     MF_BYPOSITION);
    EXPECT_EQ(std::wstring(L"&About Quenlo..."), about);

    SeamCatcher caught;
    ::SendMessageW(list, WM_KEYDOWN, VK_F1, 0);
    ASSERT_EQ(1u, caught.boxes.size());
    EXPECT_EQ(L"Help could not be started.", caught.boxes[0].text);
    caught.boxes.clear();

    ListRows(THREE);
    std::vector<std::wstring> items;
    Seams().trackMenu = [&](HMENU menu, HWND, POINT) {
        for (int item = 0; item < ::GetMenuItemCount(menu); ++item) {
            wchar_t text[128] = {};
            ::GetMenuStringW(menu, static_cast<UINT>(item), text, 128, MF_BYPOSITION);
            items.emplace_back(text);
        }
        return 0;
    };
    dialog.OnRowMenu(0, POINT{10, 10});
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(L"&Edit", items[0]);
    EXPECT_NE(items.end(), std::find(items.begin(), items.end(), L"Copy &URL"));

    // Every dialog in both languages, each text whole.
    for (const UiLanguage language : {UiLanguage::English, UiLanguage::Chinese}) {
        UseResourceLanguage(language);
        for (const int id : {IDD_MAIN, IDD_ABOUTBOX, IDD_ADDRESS_EDIT, IDD_TEXT_VIEW}) {
            std::wstring cut;
            if (id == IDD_MAIN) {
                CQuenloDlg window;
                ASSERT_NE(nullptr, window.Create(nullptr));
                cut = CutTexts(window.Handle());
            } else {
                CDialogWindow window(id);
                ASSERT_NE(nullptr, window.Create(dialog.Handle()));
                cut = CutTexts(window.Handle());
            }
            EXPECT_EQ(L"", cut) << "dialog " << id << " in "
                                << (language == UiLanguage::English ? "English" : "Chinese");
        }
    }
}
