// Which listed devices still answer, and what they answer now. Kept on the worker's side beside
// the device table, which holds every device's first reply; the window is told only when a
// device's state changes, so that devices answering every cycle cost it nothing.
#pragma once

#include "device_rows.h"

#include <array>
#include <chrono>
#include <unordered_map>
#include <vector>

using WallClock = std::chrono::system_clock;

// Whole search cycles without a reply after which a listed device counts as silent.
constexpr int SILENT_CYCLES = 3;

// The columns a device's reply may change, its MAC text being its key.
constexpr std::array<int, 5> REPLY_COLUMNS = {COL_IP, COL_PORT, COL_GATEWAY, COL_CHN, COL_VERSION};

// Whether two replies' texts differ in a column a reply may change.
bool ReplyTextsDiffer(const RowCells& a, const RowCells& b);

// What a listed device's later replies and silences mean, decided once on the worker's side and
// told to every front end in the order it happened.
struct DeviceEvent {
    enum class Kind {
        Changed, // it answers with other texts than in its reply before
        Moved,   // the same texts, heard elsewhere: another card, or now inside or outside the
                 // PC's subnets
        Silent,  // no reply for SILENT_CYCLES whole cycles
        Back,    // a reply after a silence
    };
    Kind kind = Kind::Changed;
    RowId row = NO_ROW;
    // The reply the event is about and where it came in; Silent: the device's last reply.
    RowCells cells;
    HeardOn heardOn;
    // Changed, Moved: the reply before it.
    RowCells before;
    HeardOn heardBefore;
    // Silent: when the device last answered.
    WallClock::time_point lastHeard;
    // Changed, Moved, Back: the reply's channel name in each decoding.
    NameDecodings names;
};

class CDeviceLiveness
{
public:
    // A new search: nothing is listed, no cycle has ended.
    void Clear();
    // A device got its row from this reply, heard in the cycle now running.
    void Listed(RowId row, const RowCells& cells, const HeardOn& heardOn, WallClock::time_point now);
    // A later reply of a listed device: Back if it was silent, then Changed or Moved if it says
    // something its reply before did not; nothing for a reply like the one before.
    std::vector<DeviceEvent> Heard(RowId row, const RowCells& cells, const HeardOn& heardOn,
                                   WallClock::time_point now);
    // A search cycle has ended: a Silent event for each device silent since the end of this one,
    // each told once, in row order. A cycle that lost replies counts toward no device's silence:
    // the device's reply may have been among them.
    std::vector<DeviceEvent> CycleEnded(bool repliesLost = false);

private:
    struct Device {
        RowCells cells;
        HeardOn heardOn;
        bool heardThisCycle = true;
        // Whole cycles since its last reply that count toward its silence.
        int missedCycles = 0;
        WallClock::time_point lastHeard;
        bool silent = false;
    };
    std::unordered_map<RowId, Device> devices_;
};
