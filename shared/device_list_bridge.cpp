#include "device_list_bridge.h"

#include <chrono>
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

void CDeviceListBridge::DeleteAllRows()
{
    filling_ = DeviceRow{};
    quietCycles_ = 0;
    Post([](ListUpdate& update) {
        update.rows.clear();
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
    Post([row = std::exchange(filling_, DeviceRow{})](ListUpdate& update) mutable {
        update.rows.push_back(std::move(row));
    });
}

void CDeviceListBridge::OnReplyPortUnavailable()
{
    Post([](ListUpdate& update) { update.replyPortUnavailable = true; });
}

void CDeviceListBridge::OnRequestNotSent()
{
    Post([](ListUpdate& update) { update.requestNotSent = true; });
}

void CDeviceListBridge::OnSearchEnded()
{
    Post([](ListUpdate& update) { update.searchEnded = true; });
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

void CDeviceListBridge::OnCycleEnded(bool heardAny)
{
    RetryWake();
    if (heardAny || quietCycles_ < 0) {
        quietCycles_ = -1;
        return;
    }
    if (++quietCycles_ == QUIET_CYCLES)
        Post([](ListUpdate& update) { update.nothingHeard = true; });
}

void CDeviceListBridge::OnCardsUsed(const std::vector<NetworkCard>& cards)
{
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
