// One search from start to end on the window's engine: the search worker filling the list bridge,
// whose wake signals the caller's thread.
#pragma once

#include "device_output.h"
#include "search_session.h"

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

enum class SearchEnd { TimeUp, CountReached, Interrupted, ReplyPortUnavailable, RequestNotSent };

struct SearchResult {
    // In first-heard order.
    std::vector<FoundDevice> devices;
    // The cards the latest request was meant for.
    std::vector<NetworkCard> cards;
    SearchEnd end = SearchEnd::TimeUp;
};

class CDeviceSearch
{
public:
    // onCount is told the number of devices whenever it grows, on the thread that runs the search.
    explicit CDeviceSearch(std::function<void(int)> onCount);
    CDeviceSearch(const CDeviceSearch&) = delete;
    CDeviceSearch& operator=(const CDeviceSearch&) = delete;

    // Searches until duration has passed, limit devices are listed, Interrupt is called, or the
    // search cannot go on; the worker has ended when it returns. Once per object.
    SearchResult Run(std::chrono::steady_clock::duration duration, std::optional<int> limit);
    // Ends Run at once. Safe from any thread.
    void Interrupt();

private:
    std::function<void(int)> onCount_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool updated_ = false;
    bool interrupted_ = false;
    CSearchSession session_;
};
