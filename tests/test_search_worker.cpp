// The search worker against simulated devices in the private test network.
#include "bc_protocol.h"
#include "device_table.h"
#include "diagnostic_capture.h"
#include "recording_list_view.h"
#include "search_worker.h"
#include "testnet.h"

#ifdef _WIN32
#include <windows.h>
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <set>

using namespace std::chrono_literals;
using testnet::DevSim;
using testnet::Probe;
using testnet::TestHost;

namespace {

// Only for what never comes: under Wine, under load, rows can take many times their usual time.
constexpr auto WATCHDOG = 30s;

class CountingObserver : public ISearchObserver
{
public:
    void OnReplyPortUnavailable() override { ++calls; }
    void OnSearchEnded() override { ++ended; }
    void OnUnlistedDevices(int count) override { unlisted = count; }
    void OnCycleEnded(bool) override { ++cycles; }
    std::atomic<int> calls{0};
    std::atomic<int> ended{0};
    std::atomic<int> unlisted{0};
    std::atomic<int> cycles{0};
};

class SearchWorker : public testing::Test
{
protected:
    void SetUp() override { DeviceTable().Reset(); }

    // Ends every worker and checks that they left the table empty.
    void StopAndJoin()
    {
        worker.Stop();
        worker.Join();
        EXPECT_EQ(0, DeviceTable().Count());
    }

    RecordingListView list;
    CountingObserver observer;
    CSearchWorker worker{list, &observer};
};

// The channel cells of a device that sends "前门" in UTF-8 and of one that sends "摄像机1" in GBK,
// as this system decodes them: UTF-8 as such, GBK on Windows with its ANSI code page.
struct ChannelCells {
    std::u16string utf8;
    std::u16string gbk;
};

ChannelCells DecodedChannelCells()
{
#ifdef _WIN32
    if (::GetACP() == 936)
        return {u"前门 ", u"摄像机1 "};
    if (::GetACP() == 1252)
        return {u"前门 ", u"ÉãÏñ»ú1 "};
    ADD_FAILURE() << "no channel cells known for code page " << ::GetACP();
    return {};
#else
    return {u"前门 ", u"摄像机1 "};
#endif
}

std::set<std::u16string> Column(const std::vector<Row>& rows, int column)
{
    std::set<std::u16string> values;
    for (const Row& row : rows)
        values.insert(row[static_cast<std::size_t>(column)]);
    return values;
}

} // namespace

TEST_F(SearchWorker, ListsRowsInFirstHeardOrderWithTheExactCellTexts)
{
    DevSim utf8(TestHost("a1"), {"--mac", "00:11:22:33:44:A1", "--ip", "10.60.1.11", "--gateway",
                                 "10.60.1.254", "--port", "80", "--chn", "前门", "--version",
                                 "V1.0.0"});
    DevSim gbk(TestHost("b1"), {"--mac", "00:11:22:33:44:B1", "--ip", "10.60.2.11", "--chn",
                                "摄像机{n}", "--gbk", "--port", "8080", "--version", "V2.0",
                                "--delay", "300"});
    worker.Search();
    ASSERT_EQ(2, list.WaitForRows(2, WATCHDOG));

    const std::vector<Row> rows = list.Rows();
    const ChannelCells channels = DecodedChannelCells();
    EXPECT_EQ((Row{channels.utf8, u"V1.0.0 ", u"10.60.1.11 ", u"80 ", u"10.60.1.254 ",
                   u"00:11:22:33:44:A1 "}),
              rows[0]);
    EXPECT_EQ((Row{channels.gbk, u"V2.0 ", u"10.60.2.11 ", u"8080 ", u"10.60.2.1 ",
                   u"00:11:22:33:44:B1 "}),
              rows[1]);
    EXPECT_EQ(0, list.UnfinishedRows()) << "redrawing is turned on after each row";
    EXPECT_EQ(1, list.DeleteAllCount());
    EXPECT_EQ(0, observer.calls);
    StopAndJoin();
}

TEST_F(SearchWorker, SearchTwiceStartsOneWorker)
{
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11"});
    DiagnosticCapture diagnostics;
    worker.Search();
    worker.Search();
    ASSERT_EQ(1, list.WaitForRows(1, WATCHDOG));
    StopAndJoin();
    EXPECT_EQ(1, list.DeleteAllCount());
    EXPECT_EQ("", diagnostics.Text()) << "a second worker fought for the port";
}

TEST_F(SearchWorker, StopIsFeltAtOnceKeepsTheRowsAndSearchListsThemAgain)
{
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11", "--count", "3"});
    worker.Search();
    ASSERT_EQ(3, list.WaitForRows(3, WATCHDOG));

    const auto stopped = std::chrono::steady_clock::now();
    worker.Stop();
    EXPECT_FALSE(worker.IsSearching());
    ASSERT_TRUE(WaitUntil([&] { return observer.ended == 1; }, WATCHDOG));
    EXPECT_LT(std::chrono::steady_clock::now() - stopped, 1s)
        << "Stop waited for the end of the pause";
    EXPECT_EQ(0, DeviceTable().Count());
    EXPECT_EQ(3u, list.Rows().size());

    worker.Stop(); // Stop while idle changes nothing
    EXPECT_EQ(3u, list.Rows().size());

    worker.Search();
    EXPECT_TRUE(WaitUntil([&] { return list.DeleteAllCount() == 2; }, WATCHDOG));
    EXPECT_EQ(3, list.WaitForRows(3, WATCHDOG));
    StopAndJoin();
}

TEST_F(SearchWorker, SearchDuringWindDownStartsOnceThePreviousWorkerHasEnded)
{
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11", "--count", "2"});
    DiagnosticCapture diagnostics;
    for (int i = 0; i < 5; ++i) {
        worker.Search();
        worker.Stop();
    }
    worker.Search();
    // A worker stopped only after its first replies came lists them until the next one starts:
    // the last search's rows are those listed after its own emptying of the list.
    ASSERT_TRUE(WaitUntil([&] { return list.DeleteAllCount() == 6; }, WATCHDOG))
        << "every click started its search";
    EXPECT_EQ(2, list.WaitForRows(2, WATCHDOG));
    EXPECT_TRUE(worker.IsSearching());
    StopAndJoin();
    EXPECT_EQ(6, list.DeleteAllCount()) << "and no more";
    EXPECT_EQ("", diagnostics.Text()) << "two workers shared the reply port";
}

TEST_F(SearchWorker, DeletedDeviceIsNotListedAgainDuringTheSearch)
{
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11", "--count", "3"});
    Probe requests(TestHost("a2"), BC_SEARCH_PORT);
    worker.Search();
    ASSERT_EQ(3, list.WaitForRows(3, WATCHDOG));
    list.DeleteRow(1);

    requests.Collect(100ms);
    ASSERT_FALSE(requests.Collect(2500ms).empty()) << "no further cycle ran";
    // The device answers that request; nothing marks its reply as read, so its absence from the
    // list is seen after the time a reply takes.
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(2u, list.Rows().size());
    StopAndJoin();
}

TEST_F(SearchWorker, EveryCycleBroadcastsOneRequestEvenWithNothingAnswering)
{
    Probe requests(TestHost("b1"), BC_SEARCH_PORT);
    worker.Search();
    const auto seen = requests.Collect(4500ms);
    StopAndJoin();
    ASSERT_GE(seen.size(), 2u);
    ASSERT_LE(seen.size(), 3u);
    std::vector<unsigned char> request(BC_SEARCH_REQUEST_SIZE);
    BuildSearchRequest(request.data());
    for (const auto& datagram : seen)
        EXPECT_EQ(request, datagram.bytes);
    EXPECT_TRUE(list.Rows().empty());
    EXPECT_EQ(1, list.DeleteAllCount());
}

TEST_F(SearchWorker, AFullTableIsListedOneRowPerDevice)
{
    DevSim devices(TestHost("a1"), {"--count", "255", "--ip", "10.60.1.100", "--mac",
                                    "02:00:00:00:00:01"});
    worker.Search();
    EXPECT_EQ(255, list.WaitForRows(255, WATCHDOG));
    StopAndJoin();
    EXPECT_EQ(255u, Column(list.Rows(), COL_MAC).size()) << "every row is another device";
}

TEST_F(SearchWorker, DevicesBeyondTheTableAreDroppedAndNothingIsLost)
{
    DevSim first(TestHost("a1"), {"--count", "150", "--ip", "10.60.1.100", "--mac",
                                  "02:00:00:00:01:01"});
    DevSim second(TestHost("b1"), {"--count", "150", "--ip", "10.60.2.100", "--mac",
                                   "02:00:00:00:02:01", "--delay", "200"});
    worker.Search();
    ASSERT_EQ(255, list.WaitForRows(255, WATCHDOG));
    ASSERT_TRUE(WaitUntil([&] { return observer.unlisted == 300 - 255; }, WATCHDOG))
        << "the devices the table could not take are counted: " << observer.unlisted;
    const std::vector<Row> rows = list.Rows();
    EXPECT_EQ(255u, rows.size());
    EXPECT_EQ(DEVTABLE_CAPACITY, DeviceTable().Count());
    EXPECT_EQ(255u, Column(rows, COL_MAC).size());
    StopAndJoin();
}

TEST_F(SearchWorker, FloodsOfDuplicatesAndRejectedDatagramsLeaveOneRowPerDevice)
{
    DevSim duplicates(TestHost("a1"), {"--count", "20", "--ip", "10.60.1.100", "--mac",
                                       "02:00:00:00:00:01", "--fault", "duplicate=50"});
    DevSim rejected(TestHost("a2"), {"--count", "200", "--ip", "10.60.1.200", "--mac",
                                     "02:00:00:00:09:01", "--fault", "unknown-cmd"});
    DevSim ignored(TestHost("b1"), {"--count", "200", "--ip", "10.60.2.200", "--mac",
                                    "02:00:00:00:0B:01", "--fault", "ignore"});
    DevSim oversized(TestHost("b1"), {"--count", "50", "--ip", "10.60.2.100", "--mac",
                                      "02:00:00:00:0C:01", "--fault", "oversized"});
    DevSim last(TestHost("f1"), {"--ip", "192.168.1.64", "--mac", "02:00:00:00:FF:01",
                                 "--broadcast-reply", "--delay", "300"});
    DiagnosticCapture diagnostics;
    worker.Search();
    ASSERT_EQ(21, list.WaitForRows(21, WATCHDOG));
    // The floods answer each request at once; by the end of the next cycle the worker has read
    // them whole, and any row they wrongly made is listed.
    const int cycles = observer.cycles;
    ASSERT_TRUE(WaitUntil([&] { return observer.cycles >= cycles + 2; }, WATCHDOG));
    StopAndJoin();
    const std::string written = diagnostics.Text();

    const std::vector<Row> rows = list.Rows();
    EXPECT_EQ(21u, rows.size());
    EXPECT_EQ(21u, Column(rows, COL_MAC).size());
    EXPECT_EQ(u"02:00:00:00:FF:01 ", rows.back()[COL_MAC]);
    EXPECT_NE(std::string::npos, written.find("netserver OnHandleRecvBC : send broad cast failed!\n"));
}

TEST_F(SearchWorker, ABusyReplyPortEndsTheSearchAndTheNextSearchTriesItAgain)
{
    auto holder = std::make_unique<Probe>(TestHost("pc"), BC_REPLY_PORT);
    DiagnosticCapture diagnostics;
    {
        Probe requests(TestHost("a1"), BC_SEARCH_PORT);
        worker.Search();
        ASSERT_TRUE(WaitUntil([&] { return observer.ended == 1; }, WATCHDOG));
        EXPECT_TRUE(requests.Collect(300ms).empty()) << "a search that can hear nothing asks nothing";
    }
    EXPECT_EQ(1, observer.calls);
    worker.Search();
    EXPECT_EQ(1, observer.ended) << "still recorded until the caller learns that it ended";
    worker.WorkersEnded(observer.ended);
    EXPECT_FALSE(worker.IsSearching());

    // The other program lets the port go: Search, as the message says, hears the devices.
    holder.reset();
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11"});
    worker.Search();
    EXPECT_TRUE(worker.IsSearching());
    ASSERT_EQ(1, list.WaitForRows(1, WATCHDOG));
    StopAndJoin();
    EXPECT_EQ(1, observer.calls);
    EXPECT_EQ(2, observer.ended);
    EXPECT_EQ("netserver  CQuenlo::ZkRecvBCSock (bind): INVALID_SOCKET == iRet !\n",
              diagnostics.Text());
}

TEST_F(SearchWorker, DestroyedDuringASearchEndsPromptlyAndTouchesTheListNoMore)
{
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11", "--count", "5"});
    auto owned = std::make_unique<CSearchWorker>(list);
    owned->Search();
    ASSERT_EQ(5, list.WaitForRows(5, WATCHDOG));
    const auto destroying = std::chrono::steady_clock::now();
    owned.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - destroying, 1s);
    const int deletes = list.DeleteAllCount();
    // The worker is gone: only time shows that nothing it left behind touches the list.
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(deletes, list.DeleteAllCount());
    EXPECT_EQ(5u, list.Rows().size());
}
