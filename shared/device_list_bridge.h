// Carries what the search worker does to the device list over to the window's thread. The worker
// never waits for the window: it gathers each row's cells on its own side and hands the complete
// row over in one go; the window is woken and takes everything that waits in one batch.
#pragma once

#include "device_liveness.h"
#include "device_rows.h"
#include "reply_loss.h"
#include "search_worker.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

// What the worker has done to the list since the window last looked.
struct ListUpdate {
    // The list was emptied before the rows below were listed.
    bool cleared = false;
    // Complete rows, in the order the worker listed them.
    std::vector<DeviceRow> rows;
    // What listed devices' later replies and silences meant, in the order it happened. Replies
    // that change a device one after another are one event, from the first one's before to the
    // last one's texts, so that a device answering with ever other texts costs one event.
    std::vector<DeviceEvent> events;
    // Devices the full list could not take in this search, distinct MAC texts; 0 for none.
    int unlisted = 0;
    // A search could not open the reply port.
    bool replyPortUnavailable = false;
    // Whether the search requests go out: false once no interface could send a cycle's request,
    // true again once one could; empty while that did not change.
    std::optional<bool> requestsSent;
    // When a worker has ended: how many have, since the bridge was made; 0 otherwise.
    int endedSearches = 0;
    bool SearchEnded() const { return endedSearches > 0; }
    // The search has heard no datagram at all in its first QUIET_CYCLES cycles; once per search.
    bool nothingHeard = false;
    // The cards the latest cycle's request was meant for, when a cycle has sent one since.
    std::optional<std::vector<NetworkCard>> cards;
    // The replies this search lost in the reply socket's full queue so far.
    ReplyLoss loss;
};

// Cycles without a single datagram after which a search reports that it hears nothing.
constexpr int QUIET_CYCLES = 3;

class CDeviceListBridge : public IDeviceListView, public ISearchObserver
{
public:
    // wake is called on the worker's thread, outside the bridge's lock, when an update starts
    // waiting. It must return at once: it only tells the window to call TakeUpdate, and says
    // whether the window was told. One that was not is tried again with the next change, at the
    // end of the search's cycle, and a few times more when the worker ends.
    explicit CDeviceListBridge(std::function<bool()> wake);
    CDeviceListBridge(const CDeviceListBridge&) = delete;
    CDeviceListBridge& operator=(const CDeviceListBridge&) = delete;

    // The worker's side. An emptying drops the rows still waiting, since it would remove them
    // anyway: what waits is never more than one emptying and one search's rows.
    void DeleteAllRows() override;
    // Returns the new row's identity, which no other row of this bridge ever has.
    int AppendRow() override;
    void SetCellText(int row, int column, const std::u16string& text) override;
    void SetHeardOn(int row, const HeardOn& heardOn) override;
    void SetRecord(int row, const BCDevNetInfo& record) override;
    void TurnRedrawOn() override;
    void OnReplyPortUnavailable() override;
    void SetLatestReply(int row, const BCDevNetInfo& record, const HeardOn& heardOn) override;
    void OnRequestNotSent() override;
    void OnUnlistedDevices(int count) override;
    void OnSearchEnded() override;
    void OnReplyQueueCapped(int bytes) override;
    void OnRepliesLost(int count) override;
    void OnCycleEnded(bool heardAny) override;
    void OnCardsUsed(const std::vector<NetworkCard>& cards) override;

    // The window's side: everything that waits, oldest first.
    ListUpdate TakeUpdate();
    // From now on nothing reaches the window: updates are dropped and wake is not called again;
    // a wake under way when Detach is called has returned when Detach does.
    void Detach();

private:
    // Hands the row being filled over, if there is one.
    void DeliverFillingRow();
    template <class Change>
    void Post(Change change);
    // Wakes the window unless it has been woken already; lock holds the mutex on entry and exit.
    void Wake(std::unique_lock<std::mutex>& lock);
    // Wakes the window again if what waits has not reached it: an earlier wake failed.
    void RetryWake();

    const std::function<bool()> wake_;

    // Touched by the worker's thread only (one worker at a time).
    DeviceRow filling_;
    RowId nextId_ = 0;
    // Cycles of this search so far without a datagram; -1 once it has heard one.
    int quietCycles_ = 0;
    CDeviceLiveness liveness_;
    // The cards last told to the window.
    std::optional<std::vector<NetworkCard>> toldCards_;
    // Whether this cycle's request could not be sent, and whether the last cycle's could.
    bool notSentThisCycle_ = false;
    // Whether this cycle lost replies, and how many this search's cycles lost as counted.
    bool lostThisCycle_ = false;
    long long lostInSearch_ = 0;
    bool requestsSent_ = true;
    int endedSearches_ = 0;

    std::mutex mutex_;
    std::condition_variable wakeReturned_;
    ListUpdate waiting_;
    // Something waits that the window has not taken yet.
    bool pending_ = false;
    // The window has been told to take what waits.
    bool woken_ = false;
    // A wake is under way, outside the lock.
    bool waking_ = false;
    bool detached_ = false;
};
