// How fast the search worker lists the devices that answer, into the bridge both windows take
// their rows from and not into a window, beside a list that makes the worker wait for each
// operation; and what the worker costs while it waits. Runs inside the private test network against
// quenlo-devsim (make bench):
//
//   tests/testnet/testnet.sh bench_search [--quick]
#include "device_list_bridge.h"
#include "device_table.h"
#include "netns_guard.h"
#include "recording_list_view.h"
#include "search_worker.h"
#include "testnet.h"

#include <sys/resource.h>

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int DEVICE_COUNTS[] = {1, 16, 64, 255};
constexpr auto CYCLE = 2s;

struct Figures {
    double firstRowMs = 0;
    double lastRowMs = 0;
    int missing = 0;
};

double Milliseconds(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// One search from Search to the n-th row, the worker handing its rows to the bridge as it does
// for both windows: the list never makes the worker wait, and each batch is taken as it is ready.
Figures TimeOneSearch(int devices)
{
    std::mutex mutex;
    std::condition_variable woken;
    bool waiting = false;
    CDeviceListBridge bridge([&] {
        {
            std::lock_guard lock(mutex);
            waiting = true;
        }
        woken.notify_one();
        return true;
    });
    CSearchWorker worker(bridge, &bridge);
    std::vector<Clock::time_point> times;
    const Clock::time_point start = Clock::now();
    worker.Search();
    while (static_cast<int>(times.size()) < devices) {
        std::unique_lock lock(mutex);
        if (!woken.wait_until(lock, start + 10s, [&] { return waiting; }))
            break;
        waiting = false;
        lock.unlock();
        const ListUpdate update = bridge.TakeUpdate();
        times.insert(times.end(), update.rows.size(), Clock::now());
    }
    worker.Stop();
    worker.Join();
    Figures f;
    f.missing = devices - static_cast<int>(times.size());
    if (!times.empty()) {
        f.firstRowMs = Milliseconds(times.front() - start);
        f.lastRowMs = Milliseconds(times.back() - start);
    }
    return f;
}

// The same into a list that does each operation on a thread of its own while the worker waits,
// nine times a row: the slowest list the worker can be given.
Figures TimeOneSearchIntoWaitingList(int devices)
{
    RecordingListView list;
    CSearchWorker worker(list);
    const Clock::time_point start = Clock::now();
    worker.Search();
    const int listed = list.WaitForRows(devices, 10s);
    const auto times = list.CompletionTimes();
    worker.Stop();
    worker.Join();
    Figures f;
    f.missing = devices - listed;
    if (!times.empty()) {
        f.firstRowMs = Milliseconds(times.front() - start);
        f.lastRowMs = Milliseconds(times.back() - start);
    }
    return f;
}

// Share of one core the process uses over idle cycles of a search that has listed everything.
double IdleCpuPercent(int devices, int cycles)
{
    RecordingListView list;
    CSearchWorker worker(list);
    worker.Search();
    list.WaitForRows(devices, 10s);
    const double cpuBefore = ProcessCpuSeconds();
    const Clock::time_point wallBefore = Clock::now();
    std::this_thread::sleep_for(CYCLE * cycles);
    const double cpu = ProcessCpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    worker.Stop();
    worker.Join();
    return 100.0 * cpu / wall;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    RequirePrivateNetwork(argv[0]);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const int runs = quick ? 1 : 5;
    const int idleCycles = quick ? 1 : 10;

    std::printf("worker only: the search worker filling the bridge, no window; beside it, a list\n"
                "that makes the worker wait for each operation\n");
    std::printf("%7s %15s %15s %8s %19s %15s %18s\n", "devices", "first row (ms)",
                "last row (ms)", "missing", "waiting list (ms)", "idle CPU (%)",
                "one per cycle (s)");
    for (const int devices : DEVICE_COUNTS) {
        testnet::DevSim simulator(testnet::TestHost("a1"),
                                  {"--count", std::to_string(devices), "--ip", "10.60.1.100",
                                   "--mac", "02:00:00:00:00:01", "--chn", "CAM{n}"});
        std::vector<double> first;
        std::vector<double> last;
        std::vector<double> waitingLast;
        int missing = 0;
        for (int run = 0; run < runs; ++run) {
            const Figures f = TimeOneSearch(devices);
            first.push_back(f.firstRowMs);
            last.push_back(f.lastRowMs);
            const Figures waiting = TimeOneSearchIntoWaitingList(devices);
            waitingLast.push_back(waiting.lastRowMs);
            missing = std::max({missing, f.missing, waiting.missing});
        }
        const double idle = IdleCpuPercent(devices, idleCycles);
        std::printf("%7d %15.1f %15.1f %8d %19.1f %15.2f %18d\n", devices, Median(first),
                    Median(last), missing, Median(waitingLast), idle, devices * 2);
        std::fflush(stdout);
    }
    return 0;
}
