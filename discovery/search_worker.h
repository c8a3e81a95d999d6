// The background search: broadcasts the request every cycle and lists every device that answers.
#pragma once

#include "bc_protocol.h"
#include "heard_on.h"
#include "unlisted_count.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

// Columns of the device list.
enum DeviceColumn { COL_CHN = 0, COL_VERSION, COL_IP, COL_PORT, COL_GATEWAY, COL_MAC, COL_COUNT };

// What the worker needs of the device list, in the order it uses them for a device: append a
// row, set its six cells, say where it was heard, hand over its record, turn redrawing on. Called
// on the worker's thread.
class IDeviceListView
{
public:
    virtual ~IDeviceListView() = default;

    virtual void DeleteAllRows() = 0;
    // Adds an empty row after the last one and returns what names it in the calls that follow.
    virtual int AppendRow() = 0;
    virtual void SetCellText(int row, int column, const std::u16string& text) = 0;
    // Where the row's device was heard; a list that does not show it ignores it.
    virtual void SetHeardOn(int, const HeardOn&) {}
    // The device's record as its reply carried it, every byte of every slot; a list that does not
    // show it ignores it.
    virtual void SetRecord(int, const BCDevNetInfo&) {}
    virtual void TurnRedrawOn() = 0;
    // A later reply of the listed row's device, whatever it carries: the device table keeps the
    // first one, the list may show what the device says now. A list that does not ignores it.
    virtual void SetLatestReply(int, const BCDevNetInfo&, const HeardOn&) {}
};

// Told what the list does not show. Called on the worker's thread.
class ISearchObserver
{
public:
    virtual ~ISearchObserver() = default;
    // The reply port could not be opened, so the search hears nothing; once per search.
    virtual void OnReplyPortUnavailable() = 0;
    // No interface could send this cycle's search request; an observer that does not care
    // ignores it.
    virtual void OnRequestNotSent() {}
    // The table is full, and replies came from count devices it could not take (distinct MAC
    // texts) in this search so far; told at the end of a cycle in which the count grew, so at
    // most once a cycle. A count above MAX_UNLISTED_COUNTED says only that there were more.
    virtual void OnUnlistedDevices(int) {}
    // A worker has ended: its socket is closed and the device table is empty again.
    virtual void OnSearchEnded() = 0;
    // The reply socket's receive queue holds fewer bytes than it asked for (REPLY_RECEIVE_BUFFER):
    // the system caps it at bytes. Once per search, before its first cycle.
    virtual void OnReplyQueueCapped(int) {}
    // Replies were lost in the reply socket's full receive queue during the cycle now ending: the
    // count the system dropped, or 0 where the system does not count them and the reading fell
    // behind the queue instead. Told just before OnCycleEnded, at most once a cycle.
    virtual void OnRepliesLost(int) {}
    // A search cycle has ended; the flag tells whether any datagram came in during it.
    virtual void OnCycleEnded(bool) {}
    // The cards this cycle's request was meant to go out through, each saying whether it did;
    // an observer that does not show them ignores them.
    virtual void OnCardsUsed(const std::vector<NetworkCard>&) {}
};

// The wide text of a list cell: the slot's text (up to its first NUL, at most width bytes)
// followed by one blank.
std::u16string FormatCellText(const char* slot, std::size_t width);

// A reply's texts as the list's cells, by column.
std::array<std::u16string, COL_COUNT> ReplyCellTexts(const BCDevNetInfo& record);

// A channel name as each decoding the program knows reads it (EveryDecoding): what a plan writes
// is among them whatever the system's code page, while the name's cell shows only one.
using NameDecodings = std::vector<std::u16string>;

// The reply's channel name in each decoding.
NameDecodings ChannelNameDecodings(const BCDevNetInfo& record);

// Starts and stops searches from the window's thread. At most one search is recorded; a search
// started while the previous one winds down begins as soon as that one has ended, so two workers
// never share the device table or the reply port, and the caller never waits. A search whose
// reply port cannot be opened ends by itself.
class CSearchWorker
{
public:
    // A search kept to chosen cards sends through them alone and lists only what they hear.
    explicit CSearchWorker(IDeviceListView& list, ISearchObserver* observer = nullptr,
                           CardNames chosen = {});
    // Stops the search and waits for every worker to end, as Join does.
    ~CSearchWorker();
    CSearchWorker(const CSearchWorker&) = delete;
    CSearchWorker& operator=(const CSearchWorker&) = delete;

    // Starts a search unless one is recorded.
    void Search();
    // Clears the running flag and wakes the worker; does not wait for it.
    void Stop();
    // Whether a search is recorded (started, not stopped, and not known to have ended by itself).
    bool IsSearching() const { return recorded_ != nullptr; }
    // Told, on the caller's thread, how many workers have ended in all (as the observer counted
    // their OnSearchEnded): a recorded search among them is recorded no more, so that the next
    // Search starts afresh. Workers end in the order they were started.
    void WorkersEnded(int count);
    // Waits until every worker has ended, its observer told; the list must not be waiting for the
    // caller's thread.
    void Join();

private:
    struct Worker;

    IDeviceListView& list_;
    ISearchObserver* observer_ = nullptr;
    const CardNames chosen_;
    std::shared_ptr<Worker> recorded_;
    std::shared_ptr<Worker> newest_;
    int started_ = 0;
    // The recorded worker's place among those started: the first is 1.
    int recordedNumber_ = 0;
};
