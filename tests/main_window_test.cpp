#include "main_window_test.h"

#include <commctrl.h>

void MainWindowTest::SetUp()
{
    InitWindowTests();
    ASSERT_NE(nullptr, dialog.Create(nullptr));
    ::ShowWindow(dialog.Handle(), SW_SHOW);
    list = dialog.DeviceList();
}

std::wstring HoverToolTip(const CQuenloDlg& dialog, int item, int column)
{
    const HWND list = dialog.DeviceList();
    RECT cell{};
    ListView_GetSubItemRect(list, item, column, LVIR_BOUNDS, &cell);
    const LPARAM at = MAKELPARAM(cell.left + 4, (cell.top + cell.bottom) / 2);
    ::SendMessageW(list, WM_MOUSEMOVE, 0, at);
    ::SendMessageW(list, WM_MOUSEHOVER, 0, at);
    if (!PumpUntil([&] { return ::IsWindowVisible(dialog.ToolTip()) != FALSE; }))
        return {};
    wchar_t text[512] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = dialog.Handle();
    tool.uId = reinterpret_cast<UINT_PTR>(list);
    tool.lpszText = text;
    ::SendMessageW(dialog.ToolTip(), TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&tool));
    return text;
}
