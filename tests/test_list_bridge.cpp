// The hand-off of rows from the search worker's thread to the window's, without sockets.
#include "device_list_bridge.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// What a window does with the bridge: it is woken, then takes what waits and shows it.
class FakeWindow
{
public:
    CDeviceListBridge bridge{[this] {
        std::lock_guard lock(mutex_);
        if (refusals > 0) {
            --refusals; // a message queue that is full
            return false;
        }
        ++wakes_;
        woken_.notify_all();
        return true;
    }};
    DeviceRows rows;

    void Refuse(int wakes)
    {
        std::lock_guard lock(mutex_);
        refusals = wakes;
    }

    int Wakes()
    {
        std::lock_guard lock(mutex_);
        return wakes_;
    }

    // Waits for a wake beyond the ones already served; false after the limit.
    bool WaitForWake(std::chrono::milliseconds limit)
    {
        std::unique_lock lock(mutex_);
        const bool woken = woken_.wait_for(lock, limit, [this] { return wakes_ > served_; });
        served_ = wakes_;
        return woken;
    }

    ListUpdate Take()
    {
        ListUpdate update = bridge.TakeUpdate();
        if (update.cleared)
            rows.Clear();
        for (const DeviceRow& row : update.rows)
            rows.InsertAt(rows.Size(), row);
        return update;
    }

private:
    std::mutex mutex_;
    std::condition_variable woken_;
    int wakes_ = 0;
    int served_ = 0;
    // Wakes that fail before the window is told again.
    int refusals = 0;
};

// Lists one device as the worker does; its channel name says which search listed it.
void ListDevice(IDeviceListView& list, int search, int device)
{
    const int row = list.AppendRow();
    list.SetCellText(row, COL_CHN, u"S" + std::u16string(1, char16_t(u'0' + search)));
    list.SetCellText(row, COL_MAC, std::u16string(1, char16_t(u'A' + device % 26)));
    list.TurnRedrawOn();
}

std::u16string Search(const DeviceRow& row)
{
    return row.cells[COL_CHN];
}

} // namespace

TEST(ListBridge, TheWorkerNeverWaitsAndWhatWaitsIsOneEmptyingAndOneSearchsRows)
{
    FakeWindow window;
    // Three whole searches while the window looks away: the worker must get through them all.
    std::thread worker([&] {
        for (int search = 1; search <= 3; ++search) {
            window.bridge.DeleteAllRows();
            for (int device = 0; device < 255; ++device)
                ListDevice(window.bridge, search, device);
        }
        window.bridge.OnSearchEnded();
    });
    worker.join();
    EXPECT_EQ(1, window.Wakes()) << "one wake for everything that waited";

    const ListUpdate update = window.Take();
    EXPECT_TRUE(update.cleared);
    EXPECT_TRUE(update.SearchEnded());
    ASSERT_EQ(255u, update.rows.size());
    for (const DeviceRow& row : update.rows)
        EXPECT_EQ(u"S3", Search(row)) << "a row of an earlier search outlived its emptying";
    for (int i = 0; i + 1 < 255; ++i)
        EXPECT_LT(update.rows[i].id, update.rows[i + 1].id) << "rows keep the order they came in";

    ListDevice(window.bridge, 3, 0);
    EXPECT_EQ(2, window.Wakes()) << "taking everything makes the next row wake the window again";
}

TEST(ListBridge, RowsOfAnOldSearchNeverShowAfterANewSearchEmptiedTheList)
{
    FakeWindow window;
    constexpr int SEARCHES = 40;
    std::thread worker([&] {
        for (int search = 1; search <= SEARCHES; ++search) {
            window.bridge.DeleteAllRows();
            for (int device = 0; device < 7 + search % 5; ++device)
                ListDevice(window.bridge, search % 10, device);
        }
    });
    // The window takes whatever waits whenever it is woken, racing the worker.
    while (window.WaitForWake(std::chrono::milliseconds(500))) {
        window.Take();
        for (int i = 0; i < window.rows.Size(); ++i)
            ASSERT_EQ(Search(window.rows.At(0)), Search(window.rows.At(i)))
                << "rows of two searches side by side";
    }
    worker.join();
    window.Take();
    ASSERT_EQ(7 + SEARCHES % 5, window.rows.Size());
    EXPECT_EQ(u"S" + std::u16string(1, char16_t(u'0' + SEARCHES % 10)), Search(window.rows.At(0)));
}

TEST(ListBridge, ARowTheWindowDeletesWhileAnotherIsFilledLeavesTheOthersAlone)
{
    FakeWindow window;
    window.bridge.DeleteAllRows();
    ListDevice(window.bridge, 1, 0);
    ListDevice(window.bridge, 1, 1);
    window.Take();
    const RowId deleted = window.rows.At(0).id;

    const int filling = window.bridge.AppendRow();
    window.bridge.SetCellText(filling, COL_CHN, u"S1");
    window.rows.RemoveAt(0); // the operator deletes a row meanwhile
    window.bridge.SetCellText(filling, COL_MAC, u"C");
    window.bridge.TurnRedrawOn();
    window.Take();

    ASSERT_EQ(2, window.rows.Size());
    EXPECT_EQ(u"B", window.rows.At(0).cells[COL_MAC]);
    EXPECT_EQ(u"C", window.rows.At(1).cells[COL_MAC]);
    EXPECT_EQ(filling, window.rows.At(1).id);
    EXPECT_EQ(-1, window.rows.SetCell(deleted, COL_MAC, u"X"))
        << "a deleted row's identity names no other row";
    EXPECT_EQ(u"B", window.rows.At(0).cells[COL_MAC]);
}

TEST(ListBridge, NothingReachesAWindowThatHasDetached)
{
    FakeWindow window;
    window.bridge.DeleteAllRows();
    ListDevice(window.bridge, 1, 0);
    window.bridge.Detach();
    const int wakes = window.Wakes();
    std::thread worker([&] {
        ListDevice(window.bridge, 1, 1);
        window.bridge.OnReplyPortUnavailable();
        window.bridge.OnSearchEnded();
    });
    worker.join();
    EXPECT_EQ(wakes, window.Wakes());
    const ListUpdate update = window.Take();
    EXPECT_FALSE(update.cleared);
    EXPECT_TRUE(update.rows.empty());
    EXPECT_FALSE(update.replyPortUnavailable);
    EXPECT_FALSE(update.SearchEnded());
}

TEST(ListBridge, ASearchThatHearsNothingForThreeCyclesSaysSoOnceAndOneThatHearsNeverDoes)
{
    FakeWindow window;
    window.bridge.DeleteAllRows();
    for (int cycle = 1; cycle < QUIET_CYCLES; ++cycle)
        window.bridge.OnCycleEnded(false);
    EXPECT_FALSE(window.Take().nothingHeard) << "too early";
    for (int cycle = 0; cycle < 5; ++cycle)
        window.bridge.OnCycleEnded(false);
    EXPECT_TRUE(window.Take().nothingHeard);
    window.bridge.OnCycleEnded(false);
    EXPECT_FALSE(window.Take().nothingHeard) << "said once per search";

    // A new search counts again; a single datagram, even one listing nobody, silences it.
    window.bridge.DeleteAllRows();
    window.bridge.OnCycleEnded(true);
    for (int cycle = 0; cycle < 2 * QUIET_CYCLES; ++cycle)
        window.bridge.OnCycleEnded(false);
    EXPECT_FALSE(window.Take().nothingHeard);
    window.bridge.DeleteAllRows();
    for (int cycle = 0; cycle < QUIET_CYCLES; ++cycle)
        window.bridge.OnCycleEnded(false);
    EXPECT_TRUE(window.Take().nothingHeard);
}

TEST(ListBridge, AWakeThatFailsIsTriedAgainAndAWakeMayTakeTheUpdateAtOnce)
{
    FakeWindow window;
    window.Refuse(2);
    window.bridge.DeleteAllRows();
    ListDevice(window.bridge, 1, 0);
    EXPECT_EQ(0, window.Wakes()) << "each change tried, and failed";
    window.bridge.OnCycleEnded(true);
    EXPECT_EQ(1, window.Wakes()) << "the end of the cycle tells the window again";
    EXPECT_EQ(1u, window.Take().rows.size());
    window.bridge.OnCycleEnded(true);
    EXPECT_EQ(1, window.Wakes()) << "nothing waits, nobody is woken";

    // The last word of a worker reaches a window whose queue is full for a moment.
    window.Refuse(3);
    window.bridge.OnSearchEnded();
    EXPECT_EQ(2, window.Wakes());
    EXPECT_TRUE(window.Take().SearchEnded());

    // A window that takes what waits from within its wake, as a single-threaded one may: the
    // bridge holds no lock while it wakes.
    std::vector<std::size_t> taken;
    CDeviceListBridge* self = nullptr;
    CDeviceListBridge eager([&] {
        taken.push_back(self->TakeUpdate().rows.size());
        return true;
    });
    self = &eager;
    std::thread worker([&] {
        eager.DeleteAllRows();
        ListDevice(eager, 1, 0);
        ListDevice(eager, 1, 1);
    });
    worker.join();
    EXPECT_EQ((std::vector<std::size_t>{0, 1, 1}), taken);
}
