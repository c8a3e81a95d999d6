#include "device_liveness.h"

#include <algorithm>

bool ReplyTextsDiffer(const RowCells& a, const RowCells& b)
{
    return std::any_of(REPLY_COLUMNS.begin(), REPLY_COLUMNS.end(), [&](int column) {
        return a[static_cast<std::size_t>(column)] != b[static_cast<std::size_t>(column)];
    });
}

void CDeviceLiveness::Clear()
{
    devices_.clear();
    cycle_ = 0;
}

void CDeviceLiveness::Listed(RowId row, const RowCells& cells, const HeardOn& heardOn,
                             WallClock::time_point now)
{
    devices_[row] = {cells, heardOn, cycle_, now, false};
}

std::vector<DeviceEvent> CDeviceLiveness::Heard(RowId row, const RowCells& cells,
                                                const HeardOn& heardOn, WallClock::time_point now)
{
    std::vector<DeviceEvent> events;
    const auto found = devices_.find(row);
    if (found == devices_.end())
        return events;
    Device& device = found->second;
    device.heardInCycle = cycle_;
    device.lastHeard = now;
    if (device.silent) {
        device.silent = false;
        events.push_back({DeviceEvent::Kind::Back, row, cells, heardOn, {}, {}, now, {}});
    }
    const bool textsDiffer = ReplyTextsDiffer(cells, device.cells);
    if (textsDiffer || !(heardOn == device.heardOn)) {
        events.push_back({textsDiffer ? DeviceEvent::Kind::Changed : DeviceEvent::Kind::Moved, row,
                          cells, heardOn, device.cells, device.heardOn, now, {}});
        device.cells = cells;
        device.heardOn = heardOn;
    }
    return events;
}

std::vector<DeviceEvent> CDeviceLiveness::CycleEnded()
{
    std::vector<DeviceEvent> silent;
    for (auto& [row, device] : devices_) {
        // Heard in cycle k, a device is silent once cycles k+1 to k+SILENT_CYCLES have ended.
        if (!device.silent && cycle_ - device.heardInCycle >= SILENT_CYCLES) {
            device.silent = true;
            silent.push_back({DeviceEvent::Kind::Silent, row, device.cells, device.heardOn, {}, {},
                              device.lastHeard, {}});
        }
    }
    ++cycle_;
    std::sort(silent.begin(), silent.end(),
              [](const DeviceEvent& a, const DeviceEvent& b) { return a.row < b.row; });
    return silent;
}
