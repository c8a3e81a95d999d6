// How fast the Windows window lists the devices that answer: the milliseconds from the Search click
// to the moment the list view holds the N-th row, and to the list's paint after it (median of five
// searches), with more devices answering than the list can hold; then the 255th row of searches
// that ask for no paint before it, taking turns with a bare search (one reply socket, the request
// broadcast from each adapter, replies read until 255 distinct MACs), the floor for any search
// program on this network, and the ratio of the two; then the window's list emptied and given 255
// six-cell rows in one batch with no search, and a bare report list view given the same, the floor
// for any window built on it; then, with the 255 rows listed, each key typed into the filter and
// each choice of the rows that need work, to the list painted again. Runs under Wine with a
// display of its own, inside the private test network against quenlo-devsim (make
// bench-windows):
//
//   testnet.sh winerun.sh --agent AGENT --display TEMPLATE bench_win32_window.exe [--quick]
#include "netns_guard.h"
#include "bc_protocol.h"
#include "device_table.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "testnet.h"
#include "udp_socket.h"
#include "win32_driver.h"

#include <commctrl.h>
#include <winsock2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// The device table holds 255, so the list ends at 255 rows.
constexpr int DEVICES = 300;
const std::vector<int> ROWS = {1, 16, 64, 255};

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double MillisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Times {
    double rows = 0;
    double painted = 0;
};

// The texts of the n-th device, as the worker gives them.
std::vector<std::wstring> CellsOf(int n)
{
    const std::wstring number = std::to_wstring(n);
    return {L"CAM" + number + L" ", L"V1.0.0 ", L"10.60.1." + number + L" ", L"80 ",
            L"10.60.1.1 ", L"02:00:00:00:00:01 "};
}

// Pumps the window's messages until the list draws what it holds, once a burst of rows has
// passed, and has it drawn.
void DrawWhenHeldDrawingEnds(const CQuenloDlg& dialog)
{
    if (!PumpUntil([&] { return !dialog.DrawingHeld(); }))
        throw std::runtime_error("the list's drawing stayed held");
    ::UpdateWindow(dialog.DeviceList());
}

// The window's own list, handed 255 rows at once as the worker hands them.
Times FedList(CQuenloDlg& dialog)
{
    const HWND list = dialog.DeviceList();
    CDeviceListBridge& bridge = dialog.ListBridge();
    // Emptied first, so that the wait below is for the new rows, not the 255 of the round before.
    bridge.DeleteAllRows();
    if (!PumpUntil([&] { return ItemCount(list) == 0; }))
        throw std::runtime_error("the fed list was not emptied");
    Times times;
    const Clock::time_point start = Clock::now();
    bridge.DeleteAllRows();
    for (int n = 1; n <= 255; ++n) {
        const int row = bridge.AppendRow();
        const std::vector<std::wstring> cells = CellsOf(n);
        for (int column = 0; column < COL_COUNT; ++column) {
            const std::wstring& text = cells[static_cast<std::size_t>(column)];
            bridge.SetCellText(row, column, std::u16string(text.begin(), text.end()));
        }
        bridge.TurnRedrawOn();
    }
    if (!PumpUntil([&] { return ItemCount(list) == 255; }))
        throw std::runtime_error("the fed list holds " + std::to_string(ItemCount(list))
                                 + " rows");
    times.rows = MillisecondsSince(start);
    DrawWhenHeldDrawingEnds(dialog);
    times.painted = MillisecondsSince(start);
    return times;
}

// A plain report list view where the window's list is, given the rows as a program without any
// list logic would: each row's six texts set one by one with drawing off, then drawn once.
Times BareList(HWND over)
{
    RECT place{};
    ::GetWindowRect(over, &place);
    const HWND list = ::CreateWindowExW(
        0, WC_LISTVIEWW, L"", WS_POPUP | WS_VISIBLE | WS_BORDER | LVS_REPORT, place.left,
        place.top, place.right - place.left, place.bottom - place.top, nullptr, nullptr,
        ::GetModuleHandleW(nullptr), nullptr);
    if (!list)
        throw std::runtime_error("the bare list view was not created");
    for (int column = 0; column < 6; ++column) {
        LVCOLUMNW heading{};
        heading.mask = LVCF_WIDTH | LVCF_TEXT;
        heading.cx = (place.right - place.left) / 6;
        heading.pszText = const_cast<wchar_t*>(L"heading");
        ListView_InsertColumn(list, column, &heading);
    }
    ::UpdateWindow(list);
    Times times;
    const Clock::time_point start = Clock::now();
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemCount(list, 255);
    for (int row = 0; row < 255; ++row) {
        const std::vector<std::wstring> cells = CellsOf(row + 1);
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(cells[0].c_str());
        ListView_InsertItem(list, &item);
        for (int column = 1; column < 6; ++column)
            ListView_SetItemText(
                list, row, column,
                const_cast<wchar_t*>(cells[static_cast<std::size_t>(column)].c_str()));
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    times.rows = MillisecondsSince(start);
    ::UpdateWindow(list);
    times.painted = MillisecondsSince(start);
    ::DestroyWindow(list);
    return times;
}

// Reads datagrams from a socket until a deadline, each handed to take, until take says enough.
// Returns whether it said so.
bool ReadUntil(SOCKET s, Clock::time_point deadline,
               const std::function<bool(const char*, int)>& take)
{
    char datagram[BC_MAX_DATAGRAM];
    for (Clock::time_point now = Clock::now(); now < deadline; now = Clock::now()) {
        const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(s, &readable);
        timeval wait{static_cast<long>(left.count() / 1000000),
                     static_cast<long>(left.count() % 1000000)};
        if (::select(0, &readable, nullptr, nullptr, &wait) <= 0)
            continue;
        const int length = ::recv(s, datagram, sizeof datagram, 0);
        if (length > 0 && take(datagram, length))
            return true;
    }
    return false;
}

// A search as a bare program makes it, with none of the window's search or list: one socket bound
// to the reply port, the request broadcast once from each adapter's address, and the replies read
// until 255 distinct MACs have answered. Returns the milliseconds from the start, as a click on
// Search starts the window's, to that 255th reply.
double BareSearch()
{
    const Clock::time_point start = Clock::now();
    const SOCKET replies = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    // Room for every reply of a burst, as the window's reply socket has.
    const int queue = 1024 * 1024;
    ::setsockopt(replies, SOL_SOCKET, SO_RCVBUF, reinterpret_cast<const char*>(&queue),
                 sizeof queue);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = ::htons(BC_REPLY_PORT);
    if (::bind(replies, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        ::closesocket(replies);
        throw std::runtime_error("the bare search could not bind the reply port");
    }
    unsigned char request[BC_SEARCH_REQUEST_SIZE];
    BuildSearchRequest(request);
    sockaddr_in everyone{};
    everyone.sin_family = AF_INET;
    everyone.sin_port = ::htons(BC_SEARCH_PORT);
    everyone.sin_addr.s_addr = ::htonl(BC_BROADCAST_ADDR);
    for (const NetworkCard& card : udp::BroadcastInterfaces()) {
        const SOCKET sender = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        const BOOL on = TRUE;
        ::setsockopt(sender, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on),
                     sizeof on);
        sockaddr_in source{};
        source.sin_family = AF_INET;
        source.sin_addr.s_addr = ::htonl(card.addresses.front());
        ::bind(sender, reinterpret_cast<const sockaddr*>(&source), sizeof source);
        ::sendto(sender, reinterpret_cast<const char*>(request), sizeof request, 0,
                 reinterpret_cast<const sockaddr*>(&everyone), sizeof everyone);
        ::closesocket(sender);
    }
    std::set<std::string> macs;
    const bool heard = ReadUntil(replies, start + std::chrono::seconds(10),
                                 [&](const char* datagram, int length) {
        if (static_cast<std::size_t>(length) < BC_DEVINFO_REPLY_SIZE
            || datagram[BC_COMMAND_OFFSET] != static_cast<char>(BC_CMD_DEVINFO))
            return false;
        BCDevNetInfo record{};
        std::memcpy(&record, datagram + BC_HEADER_SIZE, sizeof record);
        macs.insert(SlotText(record.mac));
        return macs.size() == 255;
    });
    const double ms = MillisecondsSince(start);
    ::closesocket(replies);
    if (!heard)
        throw std::runtime_error("the bare search heard " + std::to_string(macs.size())
                                 + " devices, not 255");
    return ms;
}

std::vector<double> Timed(const std::vector<std::function<void()>>& steps, HWND list)
{
    std::vector<double> ms;
    for (const auto& step : steps) {
        const Clock::time_point start = Clock::now();
        step();
        ::UpdateWindow(list);
        ms.push_back(MillisecondsSince(start));
    }
    return ms;
}

// With every row listed: each key typed into the filter (cam25 a key at a time, then each one
// taken back), and each choice of the rows that need work in turn, to the list painted again.
void TimeTheFilterAndTheChoice(CQuenloDlg& dialog, int runs)
{
    const HWND list = dialog.DeviceList();
    if (ItemCount(list) != 255)
        throw std::runtime_error("the filter is timed with " + std::to_string(ItemCount(list))
                                 + " rows listed, not 255");
    // The search's last rows drawn first, so that every step below draws what it changed.
    DrawWhenHeldDrawingEnds(dialog);
    const HWND filter = dialog.Item(IDC_FILTER);
    const HWND state = dialog.Item(IDC_STATE);
    const std::wstring word = L"cam25";
    std::vector<std::function<void()>> keys;
    std::vector<std::function<void()>> choices;
    for (std::size_t typed = 1; typed <= word.size(); ++typed)
        keys.emplace_back([=] { ::SetWindowTextW(filter, word.substr(0, typed).c_str()); });
    for (std::size_t typed = word.size(); typed-- > 0;)
        keys.emplace_back([=] { ::SetWindowTextW(filter, word.substr(0, typed).c_str()); });
    for (int choice = 1; choice <= ROW_STATE_COUNT; ++choice) {
        choices.emplace_back([&dialog, state, choice] {
            ::SendMessageW(state, CB_SETCURSEL, choice % ROW_STATE_COUNT, 0);
            ::SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDC_STATE, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(state));
        });
    }
    std::vector<double> keyMs;
    std::vector<double> choiceMs;
    for (int run = 0; run < runs; ++run) {
        const std::vector<double> k = Timed(keys, list);
        keyMs.insert(keyMs.end(), k.begin(), k.end());
        const std::vector<double> c = Timed(choices, list);
        choiceMs.insert(choiceMs.end(), c.begin(), c.end());
    }
    if (ItemCount(list) != 255)
        throw std::runtime_error("the filter and the choice taken back do not show every row");
    std::printf("%-16s %5s %7s %14s %14s\n", "wine+xvfb", "rows", "steps", "median (ms)",
                "worst (ms)");
    std::printf("%-16s %5d %7zu %14.1f %14.1f\n", "filter keys", 255, keyMs.size(),
                Median(keyMs), *std::max_element(keyMs.begin(), keyMs.end()));
    std::printf("%-16s %5d %7zu %14.1f %14.1f\n", "state choices", 255, choiceMs.size(),
                Median(choiceMs), *std::max_element(choiceMs.begin(), choiceMs.end()));
    std::fflush(stdout);
}

void Run(int runs)
{
    testnet::DevSim simulator(testnet::TestHost("a1"),
                              {"--count", std::to_string(DEVICES), "--ip", "10.60.1.100", "--mac",
                               "02:00:00:00:00:01", "--chn", "CAM{n}"});
    InitWindowTests();
    CQuenloDlg dialog;
    if (!dialog.Create(nullptr))
        throw std::runtime_error("the window was not created");
    ::ShowWindow(dialog.Handle(), SW_SHOW);
    const HWND list = dialog.DeviceList();

    // A search to the list's rows at each of milestones: when the list view holds them, and when
    // it has painted them after.
    const auto windowSearch = [&](const std::vector<int>& milestones) {
        // Rows keep the list until the new search empties it; its rows have newer identities.
        const RowId previous = dialog.Presenter().Size() > 0 ? dialog.Presenter().At(0).id : NO_ROW;
        const auto listed = [&](int rows) {
            return dialog.Presenter().Size() >= rows && dialog.Presenter().At(0).id != previous
                   && ItemCount(list) >= rows;
        };
        std::vector<Times> times;
        const Clock::time_point start = Clock::now();
        dialog.OnBnClickedSearch();
        for (const int rows : milestones) {
            if (!PumpUntil([&] { return listed(rows); }))
                throw std::runtime_error("watchdog: the list holds "
                                         + std::to_string(ItemCount(list)) + " rows");
            times.push_back({MillisecondsSince(start), 0});
            DrawWhenHeldDrawingEnds(dialog);
            times.back().painted = MillisecondsSince(start);
        }
        dialog.OnBnClickedStop();
        // The worker closes the reply port before it resets the table.
        if (!PumpUntil([&] { return DeviceTable().Count() == 0; }))
            throw std::runtime_error("the search worker did not end after Stop");
        return times;
    };
    std::vector<std::vector<Times>> milestoneTimes(ROWS.size());
    std::vector<Times> lastRow;
    std::vector<double> bareReply;
    for (int run = 0; run < runs; ++run) {
        const std::vector<Times> times = windowSearch(ROWS);
        for (std::size_t i = 0; i < ROWS.size(); ++i)
            milestoneTimes[i].push_back(times[i]);
        // The 255th row alone, with no paint asked for before it, and the bare search, taking
        // turns at going first.
        if (run % 2 == 0) {
            lastRow.push_back(windowSearch({255}).front());
            bareReply.push_back(BareSearch());
        } else {
            bareReply.push_back(BareSearch());
            lastRow.push_back(windowSearch({255}).front());
        }
    }
    std::vector<Times> fed;
    std::vector<Times> bare;
    for (int run = 0; run < runs; ++run) {
        fed.push_back(FedList(dialog));
        bare.push_back(BareList(list));
    }

    const auto print = [](const char* mode, int rows, const std::vector<Times>& times) {
        std::vector<double> listed;
        std::vector<double> painted;
        for (const Times& t : times) {
            listed.push_back(t.rows);
            painted.push_back(t.painted);
        }
        std::printf("%-16s %5d %14.1f %14.1f\n", mode, rows, Median(listed), Median(painted));
    };
    std::printf("%-16s %5s %14s %14s\n", "mode", "rows", "N-th row (ms)", "painted (ms)");
    for (std::size_t i = 0; i < ROWS.size(); ++i)
        print("wine+xvfb", ROWS[i], milestoneTimes[i]);
    print("255th row alone", 255, lastRow);
    std::printf("%-16s %5d %14.1f %14s\n", "bare search", 255, Median(bareReply), "-");
    std::vector<double> lastRowMs;
    for (const Times& t : lastRow)
        lastRowMs.push_back(t.rows);
    std::vector<double> milestoneLastMs;
    for (const Times& t : milestoneTimes.back())
        milestoneLastMs.push_back(t.rows);
    std::printf("255th row / bare search's 255th reply (medians): %.2f alone, %.2f with the paints "
                "before it; worst 255th row alone %.1f ms, worst bare reply %.1f ms\n",
                Median(lastRowMs) / Median(bareReply), Median(milestoneLastMs) / Median(bareReply),
                *std::max_element(lastRowMs.begin(), lastRowMs.end()),
                *std::max_element(bareReply.begin(), bareReply.end()));
    print("rows fed", 255, fed);
    print("bare list view", 255, bare);
    std::fflush(stdout);
    TimeTheFilterAndTheChoice(dialog, runs);
}

} // namespace

int main(int argc, char** argv)
{
    RequirePrivateNetwork(argv[0]);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (!udp::StartSockets())
        return 1;
    try {
        Run(quick ? 1 : 5);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_win32_window: %s\n", error.what());
        return 1;
    }
}
