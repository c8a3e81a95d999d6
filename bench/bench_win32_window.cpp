// How fast the Windows window lists the devices that answer: the milliseconds from the Search
// click to the moment the list view holds the N-th row, and to the list's paint after it (median
// of five searches), with more devices answering than the list can hold. Runs under Wine with a
// display of its own, inside the private test network against quenlo-devsim (make bench-windows):
//
//   testnet.sh winerun.sh --agent AGENT --display TEMPLATE bench_win32_window.exe [--quick]
#include "netns_guard.h"
#include "device_table.h"
#include "quenlo_dlg.h"
#include "testnet.h"
#include "udp_socket.h"
#include "win32_driver.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
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

    std::vector<std::vector<double>> rowMs(ROWS.size());
    std::vector<std::vector<double>> paintMs(ROWS.size());
    for (int run = 0; run < runs; ++run) {
        // Rows keep the list until the new search empties it; its rows have newer identities.
        const RowId previous = dialog.Presenter().Size() > 0 ? dialog.Presenter().At(0).id : NO_ROW;
        const auto listed = [&](int rows) {
            return dialog.Presenter().Size() >= rows && dialog.Presenter().At(0).id != previous
                   && ItemCount(list) >= rows;
        };
        const Clock::time_point start = Clock::now();
        dialog.OnBnClickedSearch();
        for (std::size_t i = 0; i < ROWS.size(); ++i) {
            if (!PumpUntil([&] { return listed(ROWS[i]); }))
                throw std::runtime_error("watchdog: the list holds "
                                         + std::to_string(ItemCount(list)) + " rows");
            rowMs[i].push_back(MillisecondsSince(start));
            ::UpdateWindow(list);
            paintMs[i].push_back(MillisecondsSince(start));
        }
        dialog.OnBnClickedStop();
        if (!PumpUntil([&] { return DeviceTable().Count() == 0; }))
            throw std::runtime_error("the search worker did not end after Stop");
    }

    std::printf("%-14s %5s %14s %14s\n", "mode", "rows", "N-th row (ms)", "painted (ms)");
    for (std::size_t i = 0; i < ROWS.size(); ++i)
        std::printf("%-14s %5d %14.1f %14.1f\n", "wine+xvfb", ROWS[i], Median(rowMs[i]),
                    Median(paintMs[i]));
    std::fflush(stdout);
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
