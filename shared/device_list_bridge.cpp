#include "device_list_bridge.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <iterator>
#include <thread>
#include <utility>

namespace {

// How often, and how far apart, the worker's last update is offered to a window that could not
// be woken: its message queue may be full for a moment.
constexpr int FINAL_WAKE_TRIES = 20;
constexpr auto FINAL_WAKE_PAUSE = std::chrono::milliseconds(25);

} // namespace

CDeviceListBridge::CDeviceListBridge(std::function<bool()> wake)
    : wake_(std::move(wake))
{
}

template <class Change>
void CDeviceListBridge::Post(Change change)
{
    std::unique_lock lock(mutex_);
    if (detached_)
        return;
    change(waiting_);
    pending_ = true;
    Wake(lock);
}

void CDeviceListBridge::Wake(std::unique_lock<std::mutex>& lock)
{
    if (woken_ || detached_)
        return;
    woken_ = true;
    waking_ = true;
    lock.unlock();
    const bool told = wake_();
    lock.lock();
    waking_ = false;
    // A window told may have taken the update already; one not told must be told again.
    if (!told)
        woken_ = false;
    wakeReturned_.notify_all();
}

void CDeviceListBridge::RetryWake()
{
    std::unique_lock lock(mutex_);
    if (pending_)
        Wake(lock);
}

namespace {

bool ChangesReply(DeviceEvent::Kind kind)
{
    return kind == DeviceEvent::Kind::Changed || kind == DeviceEvent::Kind::Moved;
}

// Adds an event to those waiting. A change that follows a change of the same device is merged into
// it, so that what waits of a device is bounded by its silences, not by its replies.
void AddEvent(std::vector<DeviceEvent>& events, DeviceEvent event)
{
    if (ChangesReply(event.kind)) {
        const auto last = std::find_if(events.rbegin(), events.rend(),
                                       [&event](const DeviceEvent& e) { return e.row == event.row; });
        if (last != events.rend() && ChangesReply(last->kind)) {
            event.before = std::move(last->before);
            event.heardBefore = std::move(last->heardBefore);
            events.erase(std::next(last).base());
            if (ReplyTextsDiffer(event.cells, event.before))
                event.kind = DeviceEvent::Kind::Changed;
            else if (!(event.heardOn == event.heardBefore))
                event.kind = DeviceEvent::Kind::Moved;
            else
                return; // back to what the window was last told
        }
    }
    events.push_back(std::move(event));
}

} // namespace

void CDeviceListBridge::DeleteAllRows()
{
    filling_ = DeviceRow{};
    quietCycles_ = 0;
    liveness_.Clear();
    notSentThisCycle_ = false;
    requestsSent_ = true;
    lostThisCycle_ = false;
    lostInSearch_ = 0;
    Post([](ListUpdate& update) {
        update.rows.clear();
        update.events.clear();
        update.unlisted = 0;
        update.loss = {};
        update.requestsSent.reset();
        update.cleared = true;
    });
}

int CDeviceListBridge::AppendRow()
{
    DeliverFillingRow();
    filling_.id = nextId_++;
    return filling_.id;
}

void CDeviceListBridge::SetCellText(int row, int column, const std::u16string& text)
{
    if (row == filling_.id && row != NO_ROW && column >= 0 && column < COL_COUNT)
        filling_.cells[static_cast<std::size_t>(column)] = text;
}

void CDeviceListBridge::SetHeardOn(int row, const HeardOn& heardOn)
{
    if (row == filling_.id && row != NO_ROW)
        filling_.heardOn = heardOn;
}

void CDeviceListBridge::SetRecord(int row, const BCDevNetInfo& record)
{
    if (row == filling_.id && row != NO_ROW)
        filling_.record = record;
}

void CDeviceListBridge::TurnRedrawOn()
{
    DeliverFillingRow();
}

void CDeviceListBridge::DeliverFillingRow()
{
    if (filling_.id == NO_ROW)
        return;
    filling_.listed = filling_.cells;
    filling_.latest = filling_.cells;
    filling_.latestNames = ChannelNameDecodings(filling_.record);
    filling_.lastHeard = WallClock::now();
    liveness_.Listed(filling_.id, filling_.cells, filling_.heardOn, filling_.lastHeard);
    Post([row = std::exchange(filling_, DeviceRow{})](ListUpdate& update) mutable {
        update.rows.push_back(std::move(row));
    });
}

void CDeviceListBridge::SetLatestReply(int row, const BCDevNetInfo& record, const HeardOn& heardOn)
{
    std::vector<DeviceEvent> events =
        liveness_.Heard(row, ReplyCellTexts(record), heardOn, WallClock::now());
    if (!events.empty()) {
        // One reply, decoded once for all the events it makes.
        const NameDecodings names = ChannelNameDecodings(record);
        for (DeviceEvent& event : events)
            event.names = names;
        Post([&events](ListUpdate& update) {
            for (DeviceEvent& event : events)
                AddEvent(update.events, std::move(event));
        });
    }
}

void CDeviceListBridge::OnUnlistedDevices(int count)
{
    Post([count](ListUpdate& update) { update.unlisted = count; });
}

void CDeviceListBridge::OnReplyPortUnavailable()
{
    Post([](ListUpdate& update) { update.replyPortUnavailable = true; });
}

void CDeviceListBridge::OnRequestNotSent()
{
    notSentThisCycle_ = true;
    if (!requestsSent_)
        return;
    requestsSent_ = false;
    Post([](ListUpdate& update) { update.requestsSent = false; });
}

void CDeviceListBridge::OnSearchEnded()
{
    const int ended = ++endedSearches_;
    Post([ended](ListUpdate& update) {
        update.endedSearches = ended;
    });
    // No later cycle would try again: the window must learn that the search has ended.
    for (int tries = 0; tries < FINAL_WAKE_TRIES; ++tries) {
        {
            std::unique_lock lock(mutex_);
            if (!pending_ || woken_ || detached_)
                return;
        }
        std::this_thread::sleep_for(FINAL_WAKE_PAUSE);
        RetryWake();
    }
}

void CDeviceListBridge::OnReplyQueueCapped(int bytes)
{
    Post([bytes](ListUpdate& update) { update.loss.queueCap = bytes; });
}

void CDeviceListBridge::OnRepliesLost(int count)
{
    lostThisCycle_ = true;
    lostInSearch_ = std::min<long long>(lostInSearch_ + std::max(count, 0), INT_MAX);
    Post([lost = static_cast<int>(lostInSearch_)](ListUpdate& update) {
        update.loss.any = true;
        update.loss.counted = lost;
    });
}

void CDeviceListBridge::OnCycleEnded(bool heardAny)
{
    RetryWake();
    if (!notSentThisCycle_ && !requestsSent_) {
        requestsSent_ = true;
        Post([](ListUpdate& update) { update.requestsSent = true; });
    }
    notSentThisCycle_ = false;
    const bool repliesLost = std::exchange(lostThisCycle_, false);
    if (std::vector<DeviceEvent> silent = liveness_.CycleEnded(repliesLost); !silent.empty()) {
        Post([&silent](ListUpdate& update) {
            std::move(silent.begin(), silent.end(), std::back_inserter(update.events));
        });
    }
    if (heardAny || quietCycles_ < 0) {
        quietCycles_ = -1;
        return;
    }
    if (++quietCycles_ == QUIET_CYCLES)
        Post([](ListUpdate& update) { update.nothingHeard = true; });
}

void CDeviceListBridge::OnCardsUsed(const std::vector<NetworkCard>& cards)
{
    // Told only when they change, so that a search whose network stays as it is costs the window
    // nothing from one cycle to the next.
    if (toldCards_ == cards)
        return;
    toldCards_ = cards;
    Post([cards](ListUpdate& update) { update.cards = cards; });
}

ListUpdate CDeviceListBridge::TakeUpdate()
{
    std::lock_guard lock(mutex_);
    woken_ = false;
    pending_ = false;
    return std::exchange(waiting_, ListUpdate{});
}

void CDeviceListBridge::Detach()
{
    std::unique_lock lock(mutex_);
    detached_ = true;
    waiting_ = ListUpdate{};
    pending_ = false;
    wakeReturned_.wait(lock, [this] { return !waking_; });
}
