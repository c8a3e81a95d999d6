#include "device_liveness.h"

#include <algorithm>

namespace {

bool SameReply(const RowCells& cells, const HeardOn& heardOn, const RowCells& otherCells,
               const HeardOn& otherHeardOn)
{
    return !ReplyTextsDiffer(cells, otherCells) && heardOn.interfaceName == otherHeardOn.interfaceName
           && heardOn.localAddress == otherHeardOn.localAddress
           && heardOn.outsideLocalSubnets == otherHeardOn.outsideLocalSubnets;
}

} // namespace

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

std::optional<LatestReply> CDeviceLiveness::Heard(RowId row, const RowCells& cells,
                                                  const HeardOn& heardOn, WallClock::time_point now)
{
    const auto found = devices_.find(row);
    if (found == devices_.end())
        return std::nullopt;
    Device& device = found->second;
    device.heardInCycle = cycle_;
    device.lastHeard = now;
    const bool back = device.silent;
    device.silent = false;
    if (!back && SameReply(cells, heardOn, device.cells, device.heardOn))
        return std::nullopt;
    device.cells = cells;
    device.heardOn = heardOn;
    return LatestReply{row, cells, heardOn, back, std::nullopt};
}

std::vector<SilentDevice> CDeviceLiveness::CycleEnded()
{
    std::vector<SilentDevice> silent;
    for (auto& [row, device] : devices_) {
        // Heard in cycle k, a device is silent once cycles k+1 to k+SILENT_CYCLES have ended.
        if (!device.silent && cycle_ - device.heardInCycle >= SILENT_CYCLES) {
            device.silent = true;
            silent.push_back({row, device.lastHeard});
        }
    }
    ++cycle_;
    std::sort(silent.begin(), silent.end(),
              [](const SilentDevice& a, const SilentDevice& b) { return a.row < b.row; });
    return silent;
}
