#include "device_list_bridge.h"

#include <utility>

CDeviceListBridge::CDeviceListBridge(std::function<void()> wake)
    : wake_(std::move(wake))
{
}

template <class Change>
void CDeviceListBridge::Post(Change change)
{
    std::lock_guard lock(mutex_);
    if (detached_)
        return;
    change(waiting_);
    // Woken under the lock, so that a window that detaches is never woken afterwards.
    if (!woken_) {
        woken_ = true;
        wake_();
    }
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
}

void CDeviceListBridge::OnCycleEnded(bool heardAny)
{
    if (heardAny || quietCycles_ < 0) {
        quietCycles_ = -1;
        return;
    }
    if (++quietCycles_ == QUIET_CYCLES)
        Post([](ListUpdate& update) { update.nothingHeard = true; });
}

ListUpdate CDeviceListBridge::TakeUpdate()
{
    std::lock_guard lock(mutex_);
    woken_ = false;
    return std::exchange(waiting_, ListUpdate{});
}

void CDeviceListBridge::Detach()
{
    std::lock_guard lock(mutex_);
    detached_ = true;
    waiting_ = ListUpdate{};
}
