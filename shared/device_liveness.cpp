#include "device_liveness.h"

#include <algorithm>
#include <utility>

bool ReplyTextsDiffer(const RowCells& a, const RowCells& b)
{
    return std::any_of(REPLY_COLUMNS.begin(), REPLY_COLUMNS.end(), [&](int column) {
        return a[static_cast<std::size_t>(column)] != b[static_cast<std::size_t>(column)];
    });
}

void CDeviceLiveness::Clear()
{
    devices_.clear();
}

void CDeviceLiveness::Listed(RowId row, const RowCells& cells, const HeardOn& heardOn,
                             WallClock::time_point now)
{
    devices_[row] = {cells, heardOn, true, 0, now, false};
}

std::vector<DeviceEvent> CDeviceLiveness::Heard(RowId row, const RowCells& cells,
                                                const HeardOn& heardOn, WallClock::time_point now)
{
    std::vector<DeviceEvent> events;
    const auto found = devices_.find(row);
    if (found == devices_.end())
        return events;
    Device& device = found->second;
    device.heardThisCycle = true;
    device.missedCycles = 0;
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

std::vector<DeviceEvent> CDeviceLiveness::CycleEnded(bool repliesLost)
{
    std::vector<DeviceEvent> silent;
    for (auto& [row, device] : devices_) {
        if (!std::exchange(device.heardThisCycle, false) && !repliesLost)
            ++device.missedCycles;
        if (!device.silent && device.missedCycles >= SILENT_CYCLES) {
            device.silent = true;
            silent.push_back({DeviceEvent::Kind::Silent, row, device.cells, device.heardOn, {}, {},
                              device.lastHeard, {}});
        }
    }
    std::sort(silent.begin(), silent.end(),
              [](const DeviceEvent& a, const DeviceEvent& b) { return a.row < b.row; });
    return silent;
}
