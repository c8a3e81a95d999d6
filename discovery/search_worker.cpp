#include "search_worker.h"

#include "ansi_text.h"
#include "bc_protocol.h"
#include "bc_transport.h"
#include "device_table.h"
#include "udp_socket.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using Buffer = std::array<unsigned char, BC_MAX_DATAGRAM>;

// One search request every cycle.
constexpr auto SEARCH_CYCLE = std::chrono::milliseconds(2000);

// Datagrams read in one go before the worker looks at its flag and clock again, so that a flood
// cannot hold it. Where the system does not count the datagrams it drops, a read that finds as
// many waiting at once has fallen behind the queue, and replies may have been lost.
constexpr int MAX_READS_AT_ONCE = 512;

// One search's own state: its running flag, and the means to wake it from its pause.
struct SearchRun {
    std::atomic<bool> running{true};
    udp::Waker waker;
};

// Lists a new device as the reply that put it into the table carried it.
int ListDevice(IDeviceListView& list, const HeardOn& heardOn, const BCDevNetInfo& record)
{
    const int row = list.AppendRow();
    const std::array<std::u16string, COL_COUNT> texts = ReplyCellTexts(record);
    for (int column = 0; column < COL_COUNT; ++column)
        list.SetCellText(row, column, texts[static_cast<std::size_t>(column)]);
    list.SetHeardOn(row, heardOn);
    list.SetRecord(row, record);
    list.TurnRedrawOn();
    return row;
}

// Takes the replies of one search in: a new device gets its row, a listed one's later replies go
// to its row, and the devices a full table cannot take are counted.
class ReplyIntake
{
public:
    ReplyIntake(IDeviceListView& list, ISearchObserver* observer, bc_socket_t socket,
                const CardNames& chosen)
        : list_(list), observer_(observer), socket_(socket), chosen_(chosen)
    {
    }

    // Reads the datagrams waiting on the reply socket, one at a time into a zero-filled buffer.
    // Returns whether any datagram was read.
    bool TakeWaiting(const std::vector<LocalSubnet>& subnets)
    {
        for (int read = 0; read < MAX_READS_AT_ONCE; ++read) {
            buffer_.fill(0);
            const std::int32_t known = DeviceTable().Count();
            HeardOn heardOn;
            const int taken = OnHandleRecvBC(buffer_.data(), socket_, &heardOn, chosen_);
            if (taken < 0)
                return read > 0;
            if (taken > 0 || buffer_[BC_COMMAND_OFFSET] != BC_CMD_DEVINFO)
                continue;
            // The buffer still holds the reply.
            BCDevNetInfo record;
            std::memcpy(&record, buffer_.data() + BC_HEADER_SIZE, sizeof record);
            heardOn.outsideLocalSubnets = LiesOutside(SlotText(record.ip), subnets);
            if (DeviceTable().Count() > known) {
                rows_.push_back(ListDevice(list_, heardOn, record));
            } else if (const int entry = DeviceTable().Find(record); entry >= 0) {
                list_.SetLatestReply(rows_.at(static_cast<std::size_t>(entry)), record, heardOn);
            } else {
                unlisted_.Add(SlotText(record.mac));
            }
        }
        fellBehind_ = true;
        return true;
    }

    // Whether a read since the last call found as many datagrams waiting as it takes at once.
    bool FellBehind() { return std::exchange(fellBehind_, false); }

    // Tells the observer the count of unlisted devices if it grew since it was last told.
    void TellUnlisted()
    {
        const int count = unlisted_.Count();
        if (count == told_)
            return;
        told_ = count;
        if (observer_)
            observer_->OnUnlistedDevices(count);
    }

private:
    IDeviceListView& list_;
    ISearchObserver* observer_;
    const bc_socket_t socket_;
    const CardNames& chosen_;
    Buffer buffer_;
    // The row of each table entry, in the table's order.
    std::vector<int> rows_;
    // The devices the full table could not take, and the count the observer was last told.
    CUnlistedCount unlisted_;
    int told_ = 0;
    bool fellBehind_ = false;
};

// Tells the observer, at a cycle's end, of the replies the reply socket's full queue lost in it.
class LossWatch
{
public:
    explicit LossWatch(bc_socket_t socket)
        : socket_(socket), dropped_(udp::DroppedDatagrams(socket))
    {
    }

    void CycleEnded(ISearchObserver& observer, bool fellBehind)
    {
        if (!dropped_) {
            if (fellBehind)
                observer.OnRepliesLost(0);
            return;
        }
        const std::optional<std::uint32_t> now = udp::DroppedDatagrams(socket_);
        if (!now)
            return;
        // Unsigned: a count that wrapped around still gives the difference.
        const std::uint32_t lost = *now - *dropped_;
        dropped_ = now;
        if (lost > 0)
            observer.OnRepliesLost(static_cast<int>(std::min<std::uint32_t>(lost, INT_MAX)));
    }

private:
    const bc_socket_t socket_;
    std::optional<std::uint32_t> dropped_;
};

int CeilMilliseconds(Clock::duration d)
{
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(d).count());
}

// The worker's body: opens the reply socket, empties the list, cycles until the run is stopped,
// then closes the socket and resets the device table.
void SearchThreadProc(IDeviceListView& list, SearchRun& run, ISearchObserver* observer,
                      const CardNames& chosen)
{
    const bc_socket_t socket = ZkRecvBCSock();
    if (socket < 0 && observer)
        observer->OnReplyPortUnavailable();
    list.DeleteAllRows();

    ReplyIntake intake(list, observer, socket, chosen);
    LossWatch losses(socket);
    if (const int queue = udp::ReceiveBufferSize(socket);
        socket >= 0 && observer && queue > 0 && queue < REPLY_RECEIVE_BUFFER)
        observer->OnReplyQueueCapped(queue);
    unsigned char request[BC_SEARCH_REQUEST_SIZE];
    BuildSearchRequest(request);
    // A search that can hear nothing ends at once, so that Search tries the port again.
    while (run.running && socket >= 0) {
        std::vector<NetworkCard> cards;
        const bool sent = OnHandleSendBC(request, sizeof request, &cards, chosen) == 0;
        // The cards first: whoever ends the search at a request not sent still learns of them.
        if (observer) {
            observer->OnCardsUsed(cards);
            if (!sent)
                observer->OnRequestNotSent();
        }
        // Read once a cycle: addresses come and go while a search runs.
        const std::vector<LocalSubnet> subnets = udp::LocalSubnets();

        // The pause is spent waiting on the reply socket, so every reply is listed as it comes.
        const Clock::time_point cycleEnd = Clock::now() + SEARCH_CYCLE;
        bool heardAny = false;
        for (Clock::duration left = SEARCH_CYCLE; run.running && left > Clock::duration::zero();
             left = cycleEnd - Clock::now()) {
            if (run.waker.Wait(socket, CeilMilliseconds(left)) == udp::Waker::WaitResult::Readable)
                heardAny |= intake.TakeWaiting(subnets);
        }
        heardAny |= intake.TakeWaiting(subnets);
        intake.TellUnlisted();
        const bool fellBehind = intake.FellBehind();
        if (observer) {
            losses.CycleEnded(*observer, fellBehind);
            observer->OnCycleEnded(heardAny);
        }
    }

    if (socket >= 0)
        udp::Close(socket);
    DeviceTable().Reset();
}

} // namespace

std::u16string FormatCellText(const char* slot, std::size_t width)
{
    // The blank after the decoding, so that a character cut off at the slot's end cannot take it.
    return DecodeAnsi(SlotText(slot, width)) + u' ';
}

std::array<std::u16string, COL_COUNT> ReplyCellTexts(const BCDevNetInfo& record)
{
    std::array<std::u16string, COL_COUNT> texts;
    texts[COL_CHN] = FormatCellText(record.chn, sizeof record.chn);
    texts[COL_VERSION] = FormatCellText(record.version, sizeof record.version);
    texts[COL_IP] = FormatCellText(record.ip, sizeof record.ip);
    texts[COL_PORT] = FormatCellText(record.port, sizeof record.port);
    texts[COL_GATEWAY] = FormatCellText(record.gateway, sizeof record.gateway);
    texts[COL_MAC] = FormatCellText(record.mac, sizeof record.mac);
    return texts;
}

NameDecodings ChannelNameDecodings(const BCDevNetInfo& record)
{
    return EveryDecoding(SlotText(record.chn));
}

struct CSearchWorker::Worker {
    SearchRun run;
    std::thread thread;
};

CSearchWorker::CSearchWorker(IDeviceListView& list, ISearchObserver* observer, CardNames chosen)
    : list_(list), observer_(observer), chosen_(std::move(chosen))
{
}

CSearchWorker::~CSearchWorker()
{
    Stop();
    Join();
}

void CSearchWorker::Search()
{
    if (recorded_)
        return;
    auto worker = std::make_shared<Worker>();
    std::shared_ptr<Worker> previous = newest_;
    try {
        // The new worker first waits for the previous one to end, so the window never does.
        worker->thread = std::thread([this, self = worker.get(), previous] {
            if (previous)
                previous->thread.join();
            SearchThreadProc(list_, self->run, observer_, chosen_);
            if (observer_)
                observer_->OnSearchEnded();
        });
    } catch (const std::system_error&) {
        return; // nothing recorded: the next Search tries again
    }
    recorded_ = worker;
    newest_ = std::move(worker);
    recordedNumber_ = ++started_;
}

void CSearchWorker::WorkersEnded(int count)
{
    if (recorded_ && recordedNumber_ <= count)
        recorded_.reset();
}

void CSearchWorker::Stop()
{
    if (!recorded_)
        return;
    recorded_->run.running = false;
    recorded_->run.waker.Wake();
    recorded_.reset();
}

void CSearchWorker::Join()
{
    if (newest_ && newest_->thread.joinable())
        newest_->thread.join();
}
