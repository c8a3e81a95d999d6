// Which listed devices still answer, and what they answer now. Kept on the worker's side beside
// the device table, which holds every device's first reply; the window is told only when a
// device's state changes, so that devices answering every cycle cost it nothing.
#pragma once

#include "device_rows.h"

#include <array>
#include <chrono>
#include <optional>
#include <unordered_map>
#include <vector>

using WallClock = std::chrono::system_clock;

// Whole search cycles without a reply after which a listed device counts as silent.
constexpr int SILENT_CYCLES = 3;

// The columns a device's reply may change, its MAC text being its key.
constexpr std::array<int, 5> REPLY_COLUMNS = {COL_IP, COL_PORT, COL_GATEWAY, COL_CHN, COL_VERSION};

// Whether two replies' texts differ in a column a reply may change.
bool ReplyTextsDiffer(const RowCells& a, const RowCells& b);

// A listed device's latest reply, when it says something the last one did not, or ends a
// silence.
struct LatestReply {
    RowId row = NO_ROW;
    RowCells cells;
    HeardOn heardOn;
    // The device had been silent.
    bool back = false;
    // The device fell silent, and this reply ended the silence before the window was told of it:
    // when the device was last heard before it. The first such silence, when there were more.
    std::optional<WallClock::time_point> endedSilence;
};

// A listed device that has not answered for SILENT_CYCLES cycles, and when it last did.
struct SilentDevice {
    RowId row = NO_ROW;
    WallClock::time_point lastHeard;
};

class CDeviceLiveness
{
public:
    // A new search: nothing is listed, no cycle has ended.
    void Clear();
    // A device got its row from this reply, heard in the cycle now running.
    void Listed(RowId row, const RowCells& cells, const HeardOn& heardOn, WallClock::time_point now);
    // A later reply of a listed device; what to tell the window of it, if anything.
    std::optional<LatestReply> Heard(RowId row, const RowCells& cells, const HeardOn& heardOn,
                                     WallClock::time_point now);
    // A search cycle has ended: the devices silent since the end of this one, each told once.
    std::vector<SilentDevice> CycleEnded();

private:
    struct Device {
        RowCells cells;
        HeardOn heardOn;
        int heardInCycle = 0;
        WallClock::time_point lastHeard;
        bool silent = false;
    };
    std::unordered_map<RowId, Device> devices_;
    // The cycle now running, counted from 0 at the search's start.
    int cycle_ = 0;
};
