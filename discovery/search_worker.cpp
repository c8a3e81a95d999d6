#include "search_worker.h"

#include "ansi_text.h"
#include "bc_protocol.h"
#include "bc_transport.h"
#include "device_table.h"

#include <array>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using Buffer = std::array<unsigned char, BC_MAX_DATAGRAM>;

// One search request every cycle.
constexpr auto SEARCH_CYCLE = std::chrono::milliseconds(2000);

// Datagrams read in one go before the worker looks at its flag and clock again, so that a flood
// cannot hold it.
constexpr int MAX_READS_AT_ONCE = 512;

void ListDevice(IDeviceListView& list, const DeviceEntry& device)
{
    const int row = list.AppendRow();
    list.SetCellText(row, COL_CHN, FormatCellText(device.chn, sizeof device.chn));
    list.SetCellText(row, COL_VERSION, FormatCellText(device.version, sizeof device.version));
    list.SetCellText(row, COL_IP, FormatCellText(device.ip, sizeof device.ip));
    list.SetCellText(row, COL_PORT, FormatCellText(device.port, sizeof device.port));
    list.SetCellText(row, COL_GATEWAY, FormatCellText(device.gateway, sizeof device.gateway));
    list.SetCellText(row, COL_MAC, FormatCellText(device.mac, sizeof device.mac));
    list.TurnRedrawOn();
}

// Reads the datagrams waiting on the reply socket, one at a time into a zero-filled buffer, and
// gives every new device its row at once.
void ListWaitingReplies(IDeviceListView& list, bc_socket_t socket, Buffer& buffer)
{
    for (int read = 0; read < MAX_READS_AT_ONCE; ++read) {
        buffer.fill(0);
        const std::int32_t known = DeviceTable().Count();
        if (OnHandleRecvBC(buffer.data(), socket) != 0)
            return;
        if (DeviceTable().Count() > known)
            ListDevice(list, DeviceTable().Entry(DeviceTable().Count() - 1));
    }
}

int CeilMilliseconds(Clock::duration d)
{
    return static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(d).count());
}

} // namespace

std::u16string FormatCellText(const char* slot, std::size_t width)
{
    return DecodeAnsi(SlotText(slot, width) + ' ');
}

void SearchThreadProc(IDeviceListView& list, SearchRun& run, ISearchObserver* observer)
{
    const bc_socket_t socket = ZkRecvBCSock();
    if (socket < 0 && observer)
        observer->OnReplyPortUnavailable();
    list.DeleteAllRows();

    Buffer sendBuffer;
    Buffer receiveBuffer;
    unsigned char request[BC_SEARCH_REQUEST_SIZE];
    while (run.running) {
        sendBuffer.fill(0);
        BuildSearchRequest(request);
        std::memcpy(sendBuffer.data(), request, sizeof request);
        OnHandleSendBC(sendBuffer.data(), sizeof request);

        // The pause is spent waiting on the reply socket, so every reply is listed as it comes.
        const Clock::time_point cycleEnd = Clock::now() + SEARCH_CYCLE;
        for (Clock::duration left = SEARCH_CYCLE; run.running && left > Clock::duration::zero();
             left = cycleEnd - Clock::now()) {
            if (run.waker.Wait(socket, CeilMilliseconds(left)) == udp::Waker::WaitResult::Readable)
                ListWaitingReplies(list, socket, receiveBuffer);
        }
        ListWaitingReplies(list, socket, receiveBuffer);
    }

    if (socket >= 0)
        udp::Close(socket);
    DeviceTable().Reset();
}

struct CSearchWorker::Worker {
    SearchRun run;
    std::thread thread;
    std::atomic<bool> ended{false};
};

CSearchWorker::CSearchWorker(IDeviceListView& list, ISearchObserver* observer)
    : list_(list), observer_(observer)
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
            SearchThreadProc(list_, self->run, observer_);
            self->ended = true;
        });
    } catch (const std::system_error&) {
        return; // nothing recorded: the next Search tries again
    }
    recorded_ = worker;
    newest_ = std::move(worker);
}

void CSearchWorker::Stop()
{
    if (!recorded_)
        return;
    recorded_->run.running = false;
    recorded_->run.waker.Wake();
    recorded_.reset();
}

bool CSearchWorker::IsBusy() const
{
    return newest_ && !newest_->ended;
}

void CSearchWorker::Join()
{
    if (newest_ && newest_->thread.joinable())
        newest_->thread.join();
}
