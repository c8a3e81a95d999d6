// A window's search: the worker, and the bridge that carries its rows to the window's thread.
#pragma once

#include "device_list_bridge.h"
#include "search_worker.h"

#include <functional>

class CSearchSession
{
public:
    // wake as the bridge takes it: tells the window's thread to take what waits, and says
    // whether it could. chosen: the cards the search is kept to, none for every card.
    explicit CSearchSession(std::function<bool()> wake, CardNames chosen = {});
    // Ends the search for good.
    ~CSearchSession();
    CSearchSession(const CSearchSession&) = delete;
    CSearchSession& operator=(const CSearchSession&) = delete;

    CDeviceListBridge& Bridge() { return bridge_; }
    const CSearchWorker& Worker() const { return worker_; }
    // Whether the search has ended for good: the window is closing.
    bool Ended() const { return ended_; }

    // Everything the worker did since the last time, for the window to show. A search that ended
    // by itself (its reply port was taken) is then no longer running, and Search starts anew.
    ListUpdate TakeUpdate();
    // Starts a search unless one runs or the search has ended for good.
    void Search();
    void Stop();
    // Stop, then Search: a search afresh.
    void Refresh();
    // Stops the worker and waits for it; what it did up to its end still waits for TakeUpdate.
    void Finish();
    // Stops the worker and waits for it; from then on nothing the worker did reaches the window.
    void EndForGood();

private:
    bool ended_ = false;
    // Declared before the worker, which uses it until the worker has been joined.
    CDeviceListBridge bridge_;
    CSearchWorker worker_;
};
