// The main window whole on the screen and at the scaling winerun.sh gives it (--screen, --dpi):
// every control, the status line and the list's last visible row inside the client area and the
// work area as it opens, maximised, restored, and moved to a monitor of another scaling; no
// column cut under a horizontal scroll bar with a plan's marks in the MAC column.
#include "main_window_test.h"
#include "resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string Text(const RECT& r)
{
    char text[80];
    std::snprintf(text, sizeof text, "(%ld,%ld)-(%ld,%ld)", r.left, r.top, r.right, r.bottom);
    return text;
}

::testing::AssertionResult Inside(const RECT& inner, const RECT& outer)
{
    if (inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right
        && inner.bottom <= outer.bottom)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << Text(inner) << " is not inside " << Text(outer);
}

RECT OnScreen(HWND window, RECT r)
{
    ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

RECT ClientOnScreen(HWND window)
{
    RECT client{};
    ::GetClientRect(window, &client);
    return OnScreen(window, client);
}

class Win32Fit : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        const HDC screen = ::GetDC(nullptr);
        dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
        ::ReleaseDC(nullptr, screen);
        if (const char* asked = std::getenv("QUENLO_TEST_DPI")) {
            ASSERT_EQ(std::atoi(asked), dpi) << "the scaling winerun.sh was asked for";
        }
        // More rows than any of these lists shows, each marked against a plan.
        const std::filesystem::path plan =
            std::filesystem::temp_directory_path() / L"quenlo-fit-plan.csv";
        {
            std::ofstream out(plan);
            out << "mac,ip,port,chn\n";
            for (int n = 10; n < 70; ++n)
                out << "00:11:22:33:44:" << n << ",10.60.1." << (n == 11 ? 99 : n)
                    << ",80,Door " << n << "\n";
        }
        // The plan first, as it is opened before a search: the rows come marked.
        seams.openPath = plan.wstring();
        dialog.OnOpenPlan();
        ASSERT_TRUE(PumpUntil([&] { return dialog.Presenter().HasPlan(); }));
        CDeviceListBridge& bridge = dialog.ListBridge();
        bridge.DeleteAllRows();
        for (int n = 10; n < 70; ++n) {
            const int row = bridge.AppendRow();
            const std::u16string number = std::u16string(1, char16_t(u'0' + n / 10))
                                          + char16_t(u'0' + n % 10);
            const std::u16string texts[COL_COUNT] = {u"Door " + number + u" ", u"V2.3.1 ",
                                                     u"10.60.1." + number + u" ", u"80 ",
                                                     u"10.60.1.1 ", u"00:11:22:33:44:" + number
                                                     + u" "};
            for (int column = 0; column < COL_COUNT; ++column)
                bridge.SetCellText(row, column, texts[column]);
            bridge.TurnRedrawOn();
        }
        ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 60; }));
        ASSERT_TRUE(dialog.Presenter().Marked(0, COL_MAC));
        std::filesystem::remove(plan);
        ASSERT_TRUE(seams.boxes.empty());
    }

    // Lets the window finish what a change of size or scaling posts.
    void Settle()
    {
        ASSERT_TRUE(PumpUntil([&] {
            return !dialog.DrawingHeld() && HIWORD(::GetQueueStatus(QS_ALLINPUT)) == 0;
        }));
    }

    void ExpectWhole(const char* when)
    {
        SCOPED_TRACE(std::string(when) + " at " + std::to_string(dpi) + " dpi on "
                     + std::to_string(::GetSystemMetrics(SM_CXSCREEN)) + "x"
                     + std::to_string(::GetSystemMetrics(SM_CYSCREEN)));
        const HWND window = dialog.Handle();
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
        const RECT client = ClientOnScreen(window);
        EXPECT_TRUE(Inside(client, monitor.rcWork)) << "the client area";
        for (HWND control = ::GetWindow(window, GW_CHILD); control;
             control = ::GetWindow(control, GW_HWNDNEXT)) {
            RECT place{};
            ::GetWindowRect(control, &place);
            EXPECT_TRUE(Inside(place, client)) << "control " << ::GetDlgCtrlID(control);
            EXPECT_GT(place.right - place.left, 0) << "control " << ::GetDlgCtrlID(control);
        }
        RECT listPlace{};
        RECT status{};
        ::GetWindowRect(list, &listPlace);
        ::GetWindowRect(dialog.Item(IDC_STATUS), &status);
        EXPECT_LE(listPlace.bottom, status.top) << "the status line below the list";
        // The status line holds a line of its font.
        const HDC dc = ::GetDC(window);
        const HGDIOBJ old = ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(
                                                   dialog.Item(IDC_STATUS), WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc, &metrics);
        ::SelectObject(dc, old);
        ::ReleaseDC(window, dc);
        EXPECT_GE(status.bottom - status.top, metrics.tmHeight);

        const int shown = ListView_GetCountPerPage(list);
        EXPECT_GE(shown, 3) << "the list shows a few rows";
        const int last = ListView_GetTopIndex(list) + shown - 1;
        RECT row{};
        ASSERT_TRUE(ListView_GetItemRect(list, last, &row, LVIR_BOUNDS));
        RECT listClient{};
        ::GetClientRect(list, &listClient);
        row.right = std::min(row.right, listClient.right);
        EXPECT_TRUE(Inside(OnScreen(list, row), OnScreen(list, listClient))) << "the last row";

        // Every column whole in the list beside its vertical scroll bar, the MAC column beside
        // its mark.
        EXPECT_FALSE(::GetWindowLongPtrW(list, GWL_STYLE) & WS_HSCROLL) << "no horizontal bar";
        int columns = 0;
        for (int column = 0; column < COL_COUNT; ++column)
            columns += ListView_GetColumnWidth(list, column);
        EXPECT_EQ(listClient.right, columns) << "the columns fill the list, no more";
        const HDC listDc = ::GetDC(list);
        const HGDIOBJ listOld = ::SelectObject(
            listDc, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
        SIZE mac{};
        ::GetTextExtentPoint32W(listDc, L"00:11:22:33:44:10 ", 18, &mac);
        ::SelectObject(listDc, listOld);
        ::ReleaseDC(list, listDc);
        const int markAndMargins = ::MulDiv(16 + 12, dialog.Dpi(), 96);
        EXPECT_GE(ListView_GetColumnWidth(list, COL_MAC), mac.cx + markAndMargins);
    }

    int dpi = 96;
};

TEST_F(Win32Fit, WholeAsItOpensMaximisedRestoredAndOnAMonitorOfAnotherScaling)
{
    Settle();
    ExpectWhole("as it opens");

    ::ShowWindow(dialog.Handle(), SW_MAXIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return ::IsZoomed(dialog.Handle()) != FALSE; }));
    Settle();
    ExpectWhole("maximised");
    ::ShowWindow(dialog.Handle(), SW_RESTORE);
    ASSERT_TRUE(PumpUntil([&] { return ::IsZoomed(dialog.Handle()) == FALSE; }));
    Settle();
    ExpectWhole("restored");

    // As the system suggests it: the same corner, the size scaled.
    const int other = dpi == 192 ? 96 : 192;
    RECT outer{};
    ::GetWindowRect(dialog.Handle(), &outer);
    const RECT suggested{outer.left, outer.top,
                         outer.left + ::MulDiv(outer.right - outer.left, other, dpi),
                         outer.top + ::MulDiv(outer.bottom - outer.top, other, dpi)};
    ::SendMessageW(dialog.Handle(), WM_DPICHANGED, MAKEWPARAM(other, other),
                   reinterpret_cast<LPARAM>(&suggested));
    Settle();
    ExpectWhole("moved to another scaling");
}

} // namespace
