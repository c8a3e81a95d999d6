// The background search: broadcasts the request every cycle and lists every device that answers.
#pragma once

#include "udp_socket.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <string>

// Columns of the device list.
enum DeviceColumn { COL_CHN = 0, COL_VERSION, COL_IP, COL_PORT, COL_GATEWAY, COL_MAC, COL_COUNT };

// What the worker needs of the device list. The list carries each operation out on the window's
// thread and returns once it has run.
class IDeviceListView
{
public:
    virtual ~IDeviceListView() = default;

    virtual void DeleteAllRows() = 0;
    // Adds an empty row after the last one and returns its index.
    virtual int AppendRow() = 0;
    virtual void SetCellText(int row, int column, const std::u16string& text) = 0;
    virtual void TurnRedrawOn() = 0;
};

// Told when a search cannot hear replies because the reply port could not be opened. Called on
// the worker's thread, once per search.
class ISearchObserver
{
public:
    virtual ~ISearchObserver() = default;
    virtual void OnReplyPortUnavailable() = 0;
};

// The wide text of a list cell: the slot's text (up to its first NUL, at most width bytes)
// followed by one blank.
std::u16string FormatCellText(const char* slot, std::size_t width);

// One search's own state: its running flag, and the means to wake it from its pause.
struct SearchRun {
    std::atomic<bool> running{true};
    udp::Waker waker;
};

// The worker's body: opens the reply socket, empties the list, cycles until the run is stopped,
// then closes the socket and resets the device table.
void SearchThreadProc(IDeviceListView& list, SearchRun& run, ISearchObserver* observer);

// Starts and stops searches from the window's thread. At most one search is recorded; a search
// started while the previous one winds down begins as soon as that one has ended, so two workers
// never share the device table or the reply port, and the caller never waits.
class CSearchWorker
{
public:
    explicit CSearchWorker(IDeviceListView& list, ISearchObserver* observer = nullptr);
    // Stops the search and waits for every worker to end: the list must not wait for the caller's
    // thread by then.
    ~CSearchWorker();
    CSearchWorker(const CSearchWorker&) = delete;
    CSearchWorker& operator=(const CSearchWorker&) = delete;

    // Starts a search unless one is recorded.
    void Search();
    // Clears the running flag and wakes the worker; does not wait for it.
    void Stop();
    // Whether a search is recorded (started and not stopped).
    bool IsSearching() const { return recorded_ != nullptr; }
    // Whether any worker thread has not ended yet, the winding-down ones included.
    bool IsBusy() const;
    // Waits until every worker has ended. The same caution as for the destructor holds.
    void Join();

private:
    struct Worker;

    IDeviceListView& list_;
    ISearchObserver* observer_ = nullptr;
    std::shared_ptr<Worker> recorded_;
    std::shared_ptr<Worker> newest_;
};
