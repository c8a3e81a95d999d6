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
    // In first-heard order, as first heard.
    std::vector<FoundDevice> devices;
    // The cards the latest request was meant for.
    std::vector<NetworkCard> cards;
    SearchEnd end = SearchEnd::TimeUp;
    // Devices that answered with other texts than they were listed with, and those silent at the
    // end, in the order it happened.
    std::vector<SearchEvent> changed;
    std::vector<SearchEvent> silent;
    // Devices the full list could not take.
    int unlisted = 0;
    // Replies lost in the reply socket's full receive queue.
    ReplyLoss loss;
};

class CDeviceSearch
{
public:
    // onCount is told the number of devices whenever it grows, and onEvent every event as it
    // happens, on the thread that runs the search.
    // The search is kept to the chosen cards, or uses every card when none is chosen.
    CDeviceSearch(std::function<void(int)> onCount, std::function<void(const SearchEvent&)> onEvent,
                  CardNames chosen);
    CDeviceSearch(const CDeviceSearch&) = delete;
    CDeviceSearch& operator=(const CDeviceSearch&) = delete;

    // Searches until duration has passed (none: until interrupted), limit devices are listed,
    // Interrupt is called, or the search cannot go on; the worker has ended when it returns. Once
    // per object.
    SearchResult Run(std::optional<std::chrono::steady_clock::duration> duration,
                     std::optional<int> limit);
    // Ends Run at once. Safe from any thread.
    void Interrupt();

private:
    std::function<void(int)> onCount_;
    std::function<void(const SearchEvent&)> onEvent_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool updated_ = false;
    bool interrupted_ = false;
    CSearchSession session_;
};
