// How fast the search worker lists the devices that answer, into a recording list and not the
// window, and what it costs while it waits. Runs inside the private test network against
// quenlo-devsim (make bench):
//
//   tests/testnet/testnet.sh bench_search [--quick]
#include "device_table.h"
#include "netns_guard.h"
#include "recording_list_view.h"
#include "search_worker.h"
#include "testnet.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
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

// One search from Search to the n-th row.
Figures TimeOneSearch(int devices)
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

    std::printf("worker only: the search worker filling a recording list, no window\n");
    std::printf("%7s %15s %15s %8s %15s %18s\n", "devices", "first row (ms)", "last row (ms)",
                "missing", "idle CPU (%)", "one per cycle (s)");
    for (const int devices : DEVICE_COUNTS) {
        testnet::DevSim simulator(testnet::TestHost("a1"),
                                  {"--count", std::to_string(devices), "--ip", "10.60.1.100",
                                   "--mac", "02:00:00:00:00:01", "--chn", "CAM{n}"});
        std::vector<double> first;
        std::vector<double> last;
        int missing = 0;
        for (int run = 0; run < runs; ++run) {
            const Figures f = TimeOneSearch(devices);
            first.push_back(f.firstRowMs);
            last.push_back(f.lastRowMs);
            missing = std::max(missing, f.missing);
        }
        const double idle = IdleCpuPercent(devices, idleCycles);
        std::printf("%7d %15.1f %15.1f %8d %15.2f %18d\n", devices, Median(first), Median(last),
                    missing, idle, devices * 2);
        std::fflush(stdout);
    }
    return 0;
}
