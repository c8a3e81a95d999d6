// The main window: Search and Stop, the device list the search worker fills, and the status line.
#pragma once

#include "dialog_window.h"
#include "launch_watch.h"
#include "list_presenter.h"
#include "plan_loader.h"
#include "resource.h"
#include "search_commands.h"
#include "search_session.h"
#include "site_messages.h"
#include "text_measure.h"

#include <commctrl.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

class CQuenloDlg : public CDialogWindow
{
public:
    // Posted by the bridge's wake: what the worker did waits in the bridge.
    static constexpr UINT WM_LIST_UPDATE = WM_APP + 1;
    // Posted when a search could not open the reply port, to say so outside the list's update.
    static constexpr UINT WM_PORT_BUSY = WM_APP + 2;
    // Posted by the plan loader's wake: a plan has been read and waits in the loader.
    static constexpr UINT WM_PLAN_LOADED = WM_APP + 3;
    // Posted by the launch watch: a program started to open a web page has ended.
    static constexpr UINT WM_PAGE_PROGRAM_ENDED = WM_APP + 4;

    explicit CQuenloDlg();
    ~CQuenloDlg() override;

    HWND DeviceList() const { return Item(IDC_DEVICE_LIST); }
    // The list's tooltip, shown while the mouse rests on a cell that has one.
    HWND ToolTip() const { return tip_; }
    HWND FilterField() const { return Item(IDC_FILTER); }
    const CListPresenter& Presenter() const { return presenter_; }
    // What the worker writes to; tests may feed it as a worker would.
    CDeviceListBridge& ListBridge() { return search_.Bridge(); }
    const CSearchWorker& Worker() const { return search_.Worker(); }
    // Whether the list's drawing waits for a burst of rows to pass.
    bool DrawingHeld() const { return drawingHeldSince_.has_value(); }
    const RowSnapshot& Snapshot() const { return presenter_.Snapshot(); }
    // Pixels per inch of the monitor the window is on.
    int Dpi() const { return dpi_; }

    void OnBnClickedSearch();
    void OnBnClickedStop();
    // F5: Stop, then Search, keeping the order, the selection and the columns' widths.
    void OnRefresh();
    // System-menu commands; the About command opens the About box.
    bool OnSysCommand(WPARAM commandId);

    // Sizes and places the window in a work area, as it opens in the primary monitor's.
    void FitIn(const RECT& workArea);

    // Row commands. The row menu of the row at a position, shown at a screen position: the
    // snapshot is taken, and the chosen command carried out.
    void OnRowMenu(int position, POINT screen);
    // Shift+F10 or the Menu key: the row menu of the focused row, below it.
    void OnRowMenuKey();
    void OnRowEdit();
    void OnRowDelete();
    // Opens the web page of the row at a position.
    void OnNMDblclkList(int position);
    // Copies the selected rows, as tab-separated lines, after the headings' line when asked for.
    void OnRowCopy(bool headings = false);
    // Copies one text of the right-clicked row.
    void OnRowCopyCell(int column);
    // Takes the texts the right-clicked row's device answers with now into the row.
    void OnRowTakeLatest();
    // The right-clicked row's web page: opened, or its URL copied.
    void OnRowOpenPage();
    void OnRowCopyUrl();
    // Shows the commands that reach the right-clicked row's device when it is outside every
    // subnet.
    void OnRowReach();
    // Ctrl+S and the heading menu: the rows shown, or the selected ones, to a file the operator
    // chooses, as CSV or JSON lines. A file that cannot be written is said so; the list stays.
    void OnSaveList(bool selectedOnly);
    // The cards the latest search request was meant for, in a small dialog.
    void OnNetworkCards();
    // Ctrl+O and the heading menu: the rows are checked against the address plan in a file the
    // operator chooses, in place of any plan before. It is read off the window's thread, and the
    // window goes on meanwhile; a file that cannot be read, or is no plan, is said so and the plan
    // before stays; the lines skipped are shown in a view. While one plan is read, another is
    // not started.
    void OnOpenPlan();
    // Takes the plan that has been read and shows what it holds.
    void OnPlanLoaded();
    // The planned devices that have not answered, in a view.
    void OnMissingPlanned();
    // Every changed row shown takes its device's latest texts.
    void OnTakeAllLatest();
    // The heading menu, shown at a screen position.
    void OnListMenu(POINT screen);
    // A click on a heading: sorted by that column, reversed, then first-heard order again.
    void OnColumnClick(int column);

    // Takes what the worker has done since the last time and shows it.
    void OnListUpdate();

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code) override;
    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    bool OnKeyDown(HWND control, WPARAM key) override;

private:
    static LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR id, DWORD_PTR self);
    void InitDeviceList();
    // The mark's image and the columns' needs, in the window's current pixels.
    void MakeMarks();
    void MeasureColumns();
    int Scaled(int pixels) const { return ::MulDiv(pixels, dpi_, 96); }
    // Puts the controls where the template's layout puts them in the client area's size.
    void Layout();
    void OnDpiChanged(int dpi, const RECT& suggested);
    LRESULT OnNotify(const NMHDR& header);
    // The row under the position of the message being handled, or -1.
    int RowUnderMessage() const;
    void OnGetDispInfo(NMLVDISPINFOW& info) const;
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW& draw) const;
    // A marked cell with its mark before the text; the list draws the others itself.
    void DrawMarkedCell(HDC dc, int position, int column) const;
    // The cell under a point of the list's client area, as (position, column), or (-1, -1).
    std::pair<int, int> CellAt(POINT point) const;
    // The tooltip's one tool: the list, with the text of the cell the mouse rests on.
    TTTOOLINFOW ListTool() const;
    void ShowToolTip(std::pair<int, int> cell);
    void HideToolTip();
    // Draws a change the presenter made, and the status line.
    void Show(const ListChange& change);
    // The arrow on the sorted column's heading.
    void ShowOrder();
    void UpdateStatus();
    // Fits the columns to the list's width unless the operator has set their widths.
    void RefitColumns();
    // Rows that come in a burst are drawn once it has passed: the list draws nothing until no
    // rows have come for a moment, and waits at most a bound from the first.
    void HoldDrawingForRows();
    void DrawHeldRows();
    std::vector<int> SelectedPositions() const;
    void OpenWebPage(const DeviceUrl& page);
    // Says that a page could not open, why, and how to copy its address.
    void SayPageNotOpened(const std::u16string& url, const std::u16string& reason);
    void OnPageProgramEnded(LPARAM launch);
    // Escape in a filter that holds a text clears it, and does no more.
    bool ClearFilter();
    void PutOnClipboard(const std::u16string& text);
    void OnPaint();

    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    // Pixels per inch of the monitor the window is on.
    int dpi_ = 96;
    // The dialog font at dpi_, once the window has moved to a monitor of another DPI.
    HFONT font_ = nullptr;
    // The list's font, to measure its texts in; made again with the font.
    std::optional<CTextMeasure> measure_;
    HIMAGELIST marks_ = nullptr;
    HWND tip_ = nullptr;
    // Since when the list's drawing is held for a burst of rows, while it is.
    std::optional<ULONGLONG> drawingHeldSince_;
    // The cell the mouse rests on, for the tooltip.
    std::pair<int, int> hotCell_{-1, -1};
    // The template's client size and every control's place in it, at dpi_, and the smallest
    // size the operator may give the window.
    SIZE templateClient_{};
    std::vector<std::pair<HWND, RECT>> templateRects_;
    SIZE minimum_{};
    CListPresenter presenter_;
    // The identities of the rows the list view shows, in its order: the list view keeps its
    // selection by position, and the window moves it with its rows.
    std::vector<RowId> shown_;
    CSearchSession search_;
    CSearchCommands commands_{search_, presenter_};
    CSiteMessages messages_;
    CPlanLoader planLoader_;
    // Whether the firewall has been asked for the hint the status line shows now.
    bool firewallAsked_ = false;
    CLaunchWatch launches_{WM_PAGE_PROGRAM_ENDED};
};
