// How fast the real window lists the devices that answer: the milliseconds from the Search click
// to the moment the list's model holds the N-th row complete, and to the list's next paint after
// it (median of five searches), with more devices answering than the list can hold; then, with
// the 255 rows listed, each key typed into the filter, and each choice of the rows that need work,
// to the list painted again. Runs inside
// the private test network against quenlo-devsim, on the Qt platform it is given (offscreen by
// default); make bench runs it offscreen, then under Xvfb with an accessibility listener attached
// (bench/a11y_listener.py):
//
//   tests/testnet/testnet.sh bench_window [--quick]
//
// With --scale DEVICES SECONDS it watches only a crowd of devices answering, for bench_scale.py.
#include "bc_protocol.h"
#include "flood_sender.h"
#include "netns_guard.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "row_clock.h"
#include "testnet.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// The device table holds 255, so the list ends at 255 rows.
constexpr int DEVICES = 300;
const std::vector<int> ROWS = {1, 16, 64, 255};
constexpr int WATCHDOG_MS = 20000;
constexpr int WORKER_END_LIMIT_MS = 10000;
// The accessibility bridge connects to its bus after the window is up; the searches wait for it.
constexpr int SETTLE_MS = 500;
// Junk datagrams a second during the flood, and how long it lasts before Stop and before closing.
constexpr int FLOOD_RATE = 100000;
constexpr int FLOOD_MS = 3000;
constexpr int QUICK_FLOOD_MS = 300;
// Replies a second from MACs never heard before, and when the resident memory is read during
// that flood: it must not grow once the list is full and the count of the rest is at its bound.
constexpr int NEW_MAC_RATE = 300000;
constexpr int NEW_MAC_EARLY_MS = 10000;
constexpr int NEW_MAC_LATE_MS = 60000;
constexpr int QUICK_NEW_MAC_EARLY_MS = 300;
constexpr int QUICK_NEW_MAC_LATE_MS = 1000;
// How long a full list of devices answering every cycle is watched for what it costs.
constexpr int LIVE_MS = 60000;
constexpr int QUICK_LIVE_MS = 2500;

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// One search, from the click to the paint after the last row; then Stop, until the worker ends.
void TimeOneSearch(CQuenloDlg& dialog, RowClock& clock)
{
    QEventLoop loop;
    QObject::connect(&clock, &RowClock::finished, &loop, [&loop] { loop.exit(0); });
    QTimer::singleShot(WATCHDOG_MS, &loop, [&loop] { loop.exit(1); });
    clock.Start();
    dialog.OnBnClickedSearch();
    if (loop.exec() != 0) {
        throw std::runtime_error("watchdog: " + std::to_string(WATCHDOG_MS / 1000)
                                 + " s after Search the list holds "
                                 + std::to_string(dialog.DeviceList()->model()->rowCount())
                                 + " rows; waiting for " + std::to_string(ROWS.back())
                                 + " rows and a paint after them");
    }
    QSignalSpy ended(&dialog, &CQuenloDlg::searchEnded);
    dialog.OnBnClickedStop();
    if (!ended.wait(WORKER_END_LIMIT_MS))
        throw std::runtime_error("the search worker did not end after Stop");
}

// A figure in KiB of the process's memory: its resident memory now (VmRSS:) or at its peak
// (VmHWM:).
long MemoryKiB(const std::string& field = "VmRSS:")
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(field.size()));
    }
    return -1;
}

// Where the tables go. Standard output itself is the null device, as for a program started from
// the desktop: a hundred thousand diagnostic lines a second must not reach the tables.
FILE* results = stdout;

double MillisecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// The platform, and whether an accessibility bridge is on.
std::string Mode()
{
    std::string mode = QGuiApplication::platformName().toStdString();
    return QAccessible::isActive() ? mode + "+a11y" : mode;
}

// With every row listed: from each key typed into the filter, a word that narrows the list down
// and then each key taken back, to the list painted again.
void TimeTheFilter(CQuenloDlg& dialog, int runs)
{
    if (dialog.Presenter().Total() != ROWS.back())
        throw std::runtime_error("the filter is timed with " + std::to_string(ROWS.back())
                                 + " rows listed, not "
                                 + std::to_string(dialog.Presenter().Total()));
    QLineEdit* filter = dialog.FilterField();
    QWidget* viewport = dialog.DeviceList()->viewport();
    const QString word = QStringLiteral("cam25");
    std::vector<double> keyMs;
    const auto timed = [&keyMs, viewport](const auto& press) {
        const auto start = std::chrono::steady_clock::now();
        press();
        viewport->repaint();
        keyMs.push_back(MillisecondsSince(start));
    };
    for (int run = 0; run < runs; ++run) {
        for (const QChar c : word)
            timed([filter, c] { QTest::keyClicks(filter, QString(c)); });
        for (qsizetype i = 0; i < word.size(); ++i)
            timed([filter] { QTest::keyClick(filter, Qt::Key_Backspace); });
    }
    if (dialog.DeviceList()->model()->rowCount() != ROWS.back())
        throw std::runtime_error("the filter taken back does not show every row again");
    std::fprintf(results, "%-14s %5s %5s %14s %14s\n", "mode", "rows", "keys", "median (ms)",
                 "worst (ms)");
    std::fprintf(results, "%-14s %5d %5zu %14.1f %14.1f\n", Mode().c_str(), ROWS.back(),
                 keyMs.size(), Median(keyMs), *std::max_element(keyMs.begin(), keyMs.end()));
    std::fflush(results);
}

// With every row listed: each choice of the state choice in turn, then every row again, to the
// list painted again.
void TimeTheStateChoice(CQuenloDlg& dialog, int runs)
{
    auto* state = dialog.ControlAs<QComboBox>(IDC_STATE);
    QWidget* viewport = dialog.DeviceList()->viewport();
    std::vector<double> choiceMs;
    for (int run = 0; run < runs; ++run) {
        for (int choice = 1; choice <= state->count(); ++choice) {
            const auto start = std::chrono::steady_clock::now();
            state->setCurrentIndex(choice % state->count());
            viewport->repaint();
            choiceMs.push_back(MillisecondsSince(start));
        }
    }
    if (dialog.DeviceList()->model()->rowCount() != ROWS.back())
        throw std::runtime_error("the choice of every row does not show every row again");
    std::fprintf(results, "%-14s %5s %7s %14s %14s\n", "mode", "rows", "choices", "median (ms)",
                 "worst (ms)");
    std::fprintf(results, "%-14s %5d %7zu %14.1f %14.1f\n", Mode().c_str(), ROWS.back(),
                 choiceMs.size(), Median(choiceMs),
                 *std::max_element(choiceMs.begin(), choiceMs.end()));
    std::fflush(results);
}

void Run(int runs)
{
    testnet::DevSim simulator(testnet::TestHost("a1"),
                              {"--count", std::to_string(DEVICES), "--ip", "10.60.1.100", "--mac",
                               "02:00:00:00:00:01", "--chn", "CAM{n}"});
    CQuenloDlg dialog;
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        throw std::runtime_error("the window was never shown");
    QTest::qWait(SETTLE_MS);

    RowClock clock(dialog.DeviceList(), ROWS);
    std::vector<std::vector<double>> rowMs(ROWS.size());
    std::vector<std::vector<double>> paintMs(ROWS.size());
    for (int run = 0; run < runs; ++run) {
        TimeOneSearch(dialog, clock);
        for (std::size_t i = 0; i < ROWS.size(); ++i) {
            rowMs[i].push_back(clock.RowMs()[i]);
            paintMs[i].push_back(clock.PaintMs()[i]);
        }
    }

    std::fprintf(results, "%-14s %5s %14s %14s\n", "mode", "rows", "N-th row (ms)",
                 "painted (ms)");
    for (std::size_t i = 0; i < ROWS.size(); ++i) {
        std::fprintf(results, "%-14s %5d %14.1f %14.1f\n", Mode().c_str(), ROWS[i],
                     Median(rowMs[i]), Median(paintMs[i]));
    }
    std::fflush(results);
    TimeTheFilter(dialog, runs);
    TimeTheStateChoice(dialog, runs);
}

struct FloodFigures {
    double stopMs = 0;
    double closeMs = 0;
    long rssEarly = 0;
    long rssLate = 0;
    // Datagrams a second, as sent.
    double rate = 0;
    long sent = 0;
    int rows = 0;
};

// Searching under a flood: the resident memory early and late in it, how long Stop takes to be
// felt (the worker has ended), then how long closing the window takes while a search runs again.
FloodFigures SearchUnderFlood(FloodSender::Kind kind, int rate, int earlyMs, int lateMs)
{
    auto dialog = std::make_unique<CQuenloDlg>();
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get()))
        throw std::runtime_error("the window was never shown");
    QSignalSpy ended(dialog.get(), &CQuenloDlg::searchEnded);
    FloodFigures figures;
    const auto flooding = std::chrono::steady_clock::now();
    {
        FloodSender flood(testnet::TestHost("a1"), testnet::TestHost("pc"), rate, kind);
        dialog->OnBnClickedSearch();
        QTest::qWait(earlyMs);
        figures.rssEarly = MemoryKiB();
        QTest::qWait(lateMs - earlyMs);
        figures.rssLate = MemoryKiB();

        auto start = std::chrono::steady_clock::now();
        dialog->OnBnClickedStop();
        if (!ended.wait(WORKER_END_LIMIT_MS))
            throw std::runtime_error("the search worker did not end under the flood");
        figures.stopMs = MillisecondsSince(start);

        dialog->OnBnClickedSearch();
        QTest::qWait(earlyMs);
        start = std::chrono::steady_clock::now();
        dialog->close();
        figures.closeMs = MillisecondsSince(start);
        figures.sent = flood.Sent();
    }
    figures.rate = figures.sent / MillisecondsSince(flooding) * 1000;
    figures.rows = dialog->DeviceList()->model()->rowCount();
    return figures;
}

void PrintFlood(const FloodFigures& figures)
{
    std::fprintf(results, "%-14s %8s %9s %16s %16s\n", "mode", "Stop (ms)", "close (ms)",
                 "RSS early (KiB)", "RSS late (KiB)");
    std::fprintf(results, "%-14s %8.1f %9.1f %16ld %16ld\n", Mode().c_str(), figures.stopMs,
                 figures.closeMs, figures.rssEarly, figures.rssLate);
    std::fflush(results);
}

// Junk, every datagram rejected, with 16 real devices answering among it.
void Flood(int floodMs)
{
    testnet::DevSim simulator(testnet::TestHost("a2"),
                              {"--count", "16", "--ip", "10.60.1.100", "--mac",
                               "02:00:00:00:00:01"});
    const FloodFigures figures =
        SearchUnderFlood(FloodSender::Kind::Junk, FLOOD_RATE, floodMs / 3, floodMs);
    std::fprintf(results,
                 "\nunder a flood of %.0f junk datagrams a second (%ld sent), %d of 16 devices "
                 "listed\n",
                 figures.rate, figures.sent, figures.rows);
    PrintFlood(figures);
}

// Replies from ever new MACs, far more devices than the list holds: the memory must not grow once
// the list is full and the count of the rest is at its bound.
void NewMacFlood(int earlyMs, int lateMs)
{
    const FloodFigures figures =
        SearchUnderFlood(FloodSender::Kind::NewMacs, NEW_MAC_RATE, earlyMs, lateMs);
    std::fprintf(results,
                 "\nunder a flood of %.0f replies a second, each from a new MAC (%ld sent), %d "
                 "rows listed, RSS early at %d s and late at %d s\n",
                 figures.rate, figures.sent, figures.rows, earlyMs / 1000, lateMs / 1000);
    PrintFlood(figures);
}

// When each search request reaches a host of the test network: the worker sends one as each of
// its cycles begins, right after the last one ended.
class RequestWatch
{
public:
    explicit RequestWatch(const testnet::Host& host)
        : thread_([this, host] { Watch(host); })
    {
    }
    ~RequestWatch()
    {
        stop_ = true;
        thread_.join();
    }
    RequestWatch(const RequestWatch&) = delete;
    RequestWatch& operator=(const RequestWatch&) = delete;

    // The first request seen after a moment.
    std::optional<Clock::time_point> FirstAfter(Clock::time_point moment)
    {
        std::lock_guard lock(mutex_);
        for (const Clock::time_point seen : seen_) {
            if (seen > moment)
                return seen;
        }
        return std::nullopt;
    }
    int CountBetween(Clock::time_point from, Clock::time_point to)
    {
        std::lock_guard lock(mutex_);
        return static_cast<int>(std::count_if(seen_.begin(), seen_.end(), [&](Clock::time_point t) {
            return t > from && t <= to;
        }));
    }

private:
    void Watch(const testnet::Host& host)
    {
        testnet::NamespaceScope inside(host);
        const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in any{};
        any.sin_family = AF_INET;
        any.sin_port = htons(BC_SEARCH_PORT);
        timeval wait{0, 50000};
        if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0
            || ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0)
            std::abort(); // without it the figures below would be meaningless
        unsigned char datagram[BC_MAX_DATAGRAM];
        while (!stop_) {
            if (::recv(s, datagram, sizeof datagram, 0) > 0) {
                std::lock_guard lock(mutex_);
                seen_.push_back(Clock::now());
            }
        }
        ::close(s);
    }

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<Clock::time_point> seen_;
    std::thread thread_;
};

double ProcessCpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
           + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Waits in the window's event loop until condition holds; the moment it was first seen to.
Clock::time_point WaitFor(const std::function<bool()>& condition, const char* what)
{
    QElapsedTimer limit;
    limit.start();
    while (!condition()) {
        if (limit.elapsed() > WATCHDOG_MS)
            throw std::runtime_error(std::string("watchdog: ") + what);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return Clock::now();
}

// A full list whose devices answer every cycle: what the window process spends on it, and how
// often the window is told anything; then how soon a re-addressed device shows as changed and an
// unplugged one as silent.
void Live(int liveMs)
{
    const std::string moving = "02:00:00:00:10:01";
    testnet::DevSim many(testnet::TestHost("a1"), {"--count", "254", "--ip", "10.60.1.1", "--mac",
                                                   "02:00:00:00:00:01"});
    auto one = std::make_unique<testnet::DevSim>(
        testnet::TestHost("a2"), std::vector<std::string>{"--ip", "10.60.1.200", "--mac", moving});
    RequestWatch requests(testnet::TestHost("b1"));
    CQuenloDlg dialog;
    dialog.show();
    if (!QTest::qWaitForWindowExposed(&dialog))
        throw std::runtime_error("the window was never shown");
    const CListPresenter& presenter = dialog.Presenter();
    dialog.OnBnClickedSearch();
    WaitFor([&] { return presenter.Size() == 255; }, "255 rows");
    // One cycle more, so that the last rows' columns are fitted and painted.
    QTest::qWait(2100);

    // Whatever the list is told to redraw.
    int told = 0;
    const QAbstractItemModel* model = dialog.DeviceList()->model();
    const auto count = [&told] { ++told; };
    QObject::connect(model, &QAbstractItemModel::dataChanged, &dialog, count);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, &dialog, count);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, &dialog, count);
    QObject::connect(model, &QAbstractItemModel::modelReset, &dialog, count);
    const double cpuStart = ProcessCpuSeconds();
    const Clock::time_point start = Clock::now();
    QTest::qWait(liveMs);
    const double cpuPercent =
        (ProcessCpuSeconds() - cpuStart) / (MillisecondsSince(start) / 1000) * 100;
    const int cycles = requests.CountBetween(start, Clock::now());
    const int toldWhileSteady = told;

    int position = 0;
    while (presenter.At(position).listed[COL_MAC] != AsciiText(moving + " "))
        ++position;
    const RowId movingRow = presenter.At(position).id;
    const auto changed = [&] { return presenter.Changed(presenter.PositionOf(movingRow)); };
    const auto silent = [&] { return presenter.Silent(presenter.PositionOf(movingRow)); };

    // Re-addressed: it answers the next request from its new address.
    one.reset();
    one = std::make_unique<testnet::DevSim>(
        testnet::TestHost("a2"), std::vector<std::string>{"--ip", "10.60.1.201", "--mac", moving});
    const Clock::time_point restarted = Clock::now();
    const Clock::time_point shownChanged = WaitFor(changed, "the re-addressed device as changed");
    const std::optional<Clock::time_point> asked = requests.FirstAfter(restarted);

    // Unplugged: silent at the end of its third cycle without a reply, which is when the next
    // request goes out.
    one.reset();
    const Clock::time_point shownSilent = WaitFor(silent, "the unplugged device as silent");
    const std::optional<Clock::time_point> cycleEnd =
        requests.FirstAfter(shownSilent - std::chrono::milliseconds(500));
    dialog.OnBnClickedStop();

    std::fprintf(results, "\n255 devices answering every cycle for %d s (%d cycles)\n",
                 liveMs / 1000, cycles);
    std::fprintf(results, "%-14s %8s %14s %20s %24s\n", "mode", "CPU (%)", "told / cycle",
                 "changed after (ms)", "silent after (ms)");
    const auto since = [](std::optional<Clock::time_point> from, Clock::time_point to) {
        return from ? std::chrono::duration<double, std::milli>(to - *from).count() : -1.0;
    };
    std::fprintf(results, "%-14s %8.2f %14.2f %20.1f %24.1f\n", Mode().c_str(), cpuPercent,
                 cycles > 0 ? static_cast<double>(toldWhileSteady) / cycles : -1.0, since(asked, shownChanged),
                 since(cycleEnd, shownSilent));
    std::fflush(results);
}

// This network namespace's UDP counters: datagrams handed to sockets, and those dropped for a
// full receive queue.
struct UdpCounters {
    long long received = 0;
    long long dropped = 0;
};

UdpCounters ReadUdpCounters()
{
    std::ifstream snmp("/proc/net/snmp");
    std::vector<std::string> names;
    for (std::string line; std::getline(snmp, line);) {
        if (line.rfind("Udp: ", 0) != 0)
            continue;
        std::istringstream fields(line.substr(5));
        if (names.empty()) {
            for (std::string name; fields >> name;)
                names.push_back(name);
            continue;
        }
        UdpCounters counters;
        for (const std::string& name : names) {
            long long value = 0;
            fields >> value;
            if (name == "InDatagrams")
                counters.received = value;
            else if (name == "RcvbufErrors")
                counters.dropped = value;
        }
        return counters;
    }
    throw std::runtime_error("no UDP counters in /proc/net/snmp");
}

// A crowd of devices that all answer every request, watched for scaleMs once the list is full:
// per cycle the replies the system handed over and dropped, the window's CPU, its peak memory,
// and every listed device the window showed as silent although it answers. One line of figures,
// for bench/bench_scale.py.
void Scale(int devices, int scaleMs)
{
    testnet::DevSim crowd(testnet::TestHost("a1"), {"--count", std::to_string(devices), "--ip",
                                                    "10.60.1.1", "--mac", "02:00:00:01:00:01"});
    CQuenloDlg dialog;
    dialog.show();
    const CListPresenter& presenter = dialog.Presenter();
    std::set<RowId> silenced;
    const auto look = [&] {
        for (int position = 0; position < presenter.Size(); ++position) {
            if (presenter.Silent(position))
                silenced.insert(presenter.At(position).id);
        }
    };
    // Whatever a silence does to the list is told through these.
    const QAbstractItemModel* model = dialog.DeviceList()->model();
    QObject::connect(model, &QAbstractItemModel::dataChanged, &dialog, look);
    QObject::connect(model, &QAbstractItemModel::layoutChanged, &dialog, look);
    dialog.OnBnClickedSearch();
    WaitFor([&] { return presenter.Size() == std::min(devices, 255); }, "the list filled");

    const UdpCounters before = ReadUdpCounters();
    const double cpuStart = ProcessCpuSeconds();
    QTest::qWait(scaleMs);
    const double cpuMs = (ProcessCpuSeconds() - cpuStart) * 1000;
    const UdpCounters after = ReadUdpCounters();
    look();
    const double cycles = scaleMs / 2000.0;
    std::fprintf(results,
                 "{\"received\":%.1f,\"dropped\":%.1f,\"told_lost\":%d,\"cpu_ms\":%.1f,"
                 "\"peak_kib\":%ld,\"false_silences\":%zu,\"unlisted\":%d,\"at_least\":%s}\n",
                 static_cast<double>(after.received - before.received) / cycles,
                 static_cast<double>(after.dropped - before.dropped) / cycles,
                 presenter.Loss().counted, cpuMs / cycles, MemoryKiB("VmHWM:"), silenced.size(),
                 presenter.Unlisted(), presenter.Loss().any ? "true" : "false");
    std::fflush(results);
    QSignalSpy ended(&dialog, &CQuenloDlg::searchEnded);
    dialog.OnBnClickedStop();
    if (!ended.wait(WORKER_END_LIMIT_MS))
        throw std::runtime_error("the search worker did not end after Stop");
}

} // namespace

int main(int argc, char** argv)
{
    RequirePrivateNetwork(argv[0]);
    results = ::fdopen(::dup(STDOUT_FILENO), "w");
    const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (!results || null < 0 || ::dup2(null, STDOUT_FILENO) < 0) {
        std::fprintf(stderr, "bench_window: cannot set standard output aside\n");
        return 1;
    }
    ::close(null);
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    const bool scale = argc == 4 && std::strcmp(argv[1], "--scale") == 0;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    try {
        if (scale) {
            Scale(std::stoi(argv[2]), std::stoi(argv[3]) * 1000);
            return 0;
        }
        Run(quick ? 1 : 5);
        Flood(quick ? QUICK_FLOOD_MS : FLOOD_MS);
        NewMacFlood(quick ? QUICK_NEW_MAC_EARLY_MS : NEW_MAC_EARLY_MS,
                    quick ? QUICK_NEW_MAC_LATE_MS : NEW_MAC_LATE_MS);
        Live(quick ? QUICK_LIVE_MS : LIVE_MS);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bench_window: %s\n", error.what());
        return 1;
    }
    return 0;
}
