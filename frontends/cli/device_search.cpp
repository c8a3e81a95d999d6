#include "device_search.h"

#include <cstdint>
#include <utility>

using Clock = std::chrono::steady_clock;

CDeviceSearch::CDeviceSearch(std::function<void(int)> onCount)
    : onCount_(std::move(onCount)),
      session_([this] {
          std::lock_guard lock(mutex_);
          updated_ = true;
          changed_.notify_one();
          return true;
      })
{
}

SearchResult CDeviceSearch::Run(Clock::duration duration, std::optional<int> limit)
{
    SearchResult result;
    const std::size_t wanted = limit ? static_cast<std::size_t>(*limit) : SIZE_MAX;
    const Clock::time_point start = Clock::now();
    const Clock::time_point deadline = start + duration;
    session_.Search();
    for (;;) {
        bool interrupted = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait_until(lock, deadline, [this] { return updated_ || interrupted_; });
            updated_ = false;
            interrupted = interrupted_;
        }
        ListUpdate update = session_.Bridge().TakeUpdate();
        if (update.cards)
            result.cards = std::move(*update.cards);
        const auto listed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        const std::size_t known = result.devices.size();
        for (DeviceRow& row : update.rows) {
            if (result.devices.size() == wanted)
                break;
            result.devices.push_back({std::move(row), listed});
        }
        if (result.devices.size() > known)
            onCount_(static_cast<int>(result.devices.size()));

        if (update.replyPortUnavailable)
            result.end = SearchEnd::ReplyPortUnavailable;
        else if (update.requestNotSent)
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
    session_.EndForGood();
    return result;
}

void CDeviceSearch::Interrupt()
{
    std::lock_guard lock(mutex_);
    interrupted_ = true;
    changed_.notify_one();
}
