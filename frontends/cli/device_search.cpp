#include "device_search.h"

#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

using Clock = std::chrono::steady_clock;

namespace {

using Milliseconds = std::chrono::milliseconds;

// What the search knows of a listed device now.
struct Known {
    std::size_t index = 0; // in the result's devices
    RowCells latest;
    NameDecodings latestNames;
    HeardOn heardOn;
    bool silent = false;
    Milliseconds lastReply{0};
};

} // namespace

CDeviceSearch::CDeviceSearch(std::function<void(int)> onCount,
                             std::function<void(const SearchEvent&)> onEvent, CardNames chosen)
    : onCount_(std::move(onCount)),
      onEvent_(std::move(onEvent)),
      session_(
          [this] {
              std::lock_guard lock(mutex_);
              updated_ = true;
              changed_.notify_one();
              return true;
          },
          std::move(chosen))
{
}

SearchResult CDeviceSearch::Run(std::optional<Clock::duration> duration, std::optional<int> limit)
{
    SearchResult result;
    const std::size_t wanted = limit ? static_cast<std::size_t>(*limit) : SIZE_MAX;
    const Clock::time_point start = Clock::now();
    const WallClock::time_point wallStart = WallClock::now();
    const Clock::time_point deadline = duration ? start + *duration : Clock::time_point::max();
    std::unordered_map<RowId, Known> known;
    // The device as its latest reply carried it.
    const auto latest = [&result](const Known& device) {
        FoundDevice found = result.devices[device.index];
        found.row.cells = device.latest;
        found.row.latestNames = device.latestNames;
        found.row.heardOn = device.heardOn;
        return found;
    };

    // Everything the worker decided and handed over in one update, told in order.
    const auto apply = [&](ListUpdate update) {
        if (update.cards)
            result.cards = std::move(*update.cards);
        const auto listed = std::chrono::duration_cast<Milliseconds>(Clock::now() - start);
        // Read where the worker's decisions reach this thread, once for all of one update.
        const LocalTime now = LocalTimeNow();
        const std::size_t before = result.devices.size();
        for (DeviceRow& row : update.rows) {
            if (result.devices.size() == wanted)
                break;
            known[row.id] = {result.devices.size(), row.cells, row.latestNames, row.heardOn, false,
                             listed};
            result.devices.push_back({std::move(row), listed, std::nullopt, std::nullopt, now});
            onEvent_({SearchEvent::Kind::New, result.devices.back(), {}, {}, 0, {}, now});
        }
        if (result.devices.size() > before)
            onCount_(static_cast<int>(result.devices.size()));
        for (const DeviceEvent& event : update.events) {
            const auto found = known.find(event.row);
            if (found == known.end())
                continue;
            Known& device = found->second;
            if (event.kind == DeviceEvent::Kind::Silent) {
                device.silent = true;
                device.lastReply =
                    std::chrono::duration_cast<Milliseconds>(event.lastHeard - wallStart);
                onEvent_({SearchEvent::Kind::Silent, latest(device), {}, device.lastReply, 0, {},
                          now});
                continue;
            }
            device.latest = event.cells;
            device.latestNames = event.names;
            device.heardOn = event.heardOn;
            device.lastReply = listed;
            if (event.kind == DeviceEvent::Kind::Back) {
                device.silent = false;
                onEvent_({SearchEvent::Kind::Back, latest(device), {}, {}, 0, {}, now});
            } else if (event.kind == DeviceEvent::Kind::Changed) {
                onEvent_(
                    {SearchEvent::Kind::Changed, latest(device), event.before, {}, 0, {}, now});
            }
        }
        const int lostBefore = result.loss.counted;
        result.loss.Add(update.loss);
        if (result.loss.counted > lostBefore)
            onEvent_({SearchEvent::Kind::Lost, {}, {}, {}, 0, result.loss, now});
        if (update.unlisted > result.unlisted) {
            result.unlisted = update.unlisted;
            onEvent_({SearchEvent::Kind::Full, {}, {}, {}, result.unlisted, result.loss, now});
        }
        return update;
    };

    onEvent_({SearchEvent::Kind::Start, {}, {}, {}, 0, {}, LocalTimeNow()});
    session_.Search();
    for (;;) {
        bool interrupted = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait_until(lock, deadline, [this] { return updated_ || interrupted_; });
            updated_ = false;
            interrupted = interrupted_;
        }
        const ListUpdate update = apply(session_.TakeUpdate());
        if (update.replyPortUnavailable)
            result.end = SearchEnd::ReplyPortUnavailable;
        else if (update.requestsSent == false)
            result.end = SearchEnd::RequestNotSent;
        else if (interrupted)
            result.end = SearchEnd::Interrupted;
        else if (result.devices.size() == wanted)
            result.end = SearchEnd::CountReached;
        else if (Clock::now() >= deadline)
            result.end = SearchEnd::TimeUp;
        else
            continue;
        break;
    }
    // What the worker decided before it ended is told too, however long the telling took.
    session_.Finish();
    apply(session_.TakeUpdate());
    session_.EndForGood();

    std::vector<const Known*> inOrder(result.devices.size());
    for (const auto& [row, device] : known)
        inOrder[device.index] = &device;
    for (const Known* device : inOrder) {
        const RowCells& first = result.devices[device->index].row.cells;
        if (ReplyTextsDiffer(device->latest, first))
            result.changed.push_back(
                {SearchEvent::Kind::Changed, latest(*device), first, {}, 0, {}, {}});
        if (device->silent)
            result.silent.push_back(
                {SearchEvent::Kind::Silent, latest(*device), {}, device->lastReply, 0, {}, {}});
    }
    return result;
}

void CDeviceSearch::Interrupt()
{
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    changed_.notify_one();
}
