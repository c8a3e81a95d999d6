#include "device_simulator.h"

#include "bc_protocol.h"
#include "reply_datagram.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <utility>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void OnStopSignal(int)
{
    stopRequested = 1;
}

// Blocks SIGINT and SIGTERM so that they arrive only while ppoll waits with waitMask.
void CatchStopSignals(sigset_t* waitMask)
{
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, waitMask);
    sigdelset(waitMask, SIGINT);
    sigdelset(waitMask, SIGTERM);

    struct sigaction action{};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::string AddressText(std::uint32_t hostOrder)
{
    in_addr address{htonl(hostOrder)};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::uint64_t JitterSeed(const DevsimOptions& options)
{
    return options.seed ? *options.seed : std::random_device{}();
}

// Reads one datagram with its sender and the interface it came in by. Returns its full length,
// which may exceed capacity (then only capacity bytes were read), or -1 when none is waiting.
ssize_t ReceiveDatagram(int fd, unsigned char* buffer, std::size_t capacity, sockaddr_in* sender,
                        int* interfaceIndex)
{
    iovec io{buffer, capacity};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = sender;
    message.msg_namelen = sizeof *sender;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    const ssize_t length = ::recvmsg(fd, &message, MSG_TRUNC);
    *interfaceIndex = 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); length >= 0 && header;
         header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof info);
            *interfaceIndex = info.ipi_ifindex;
        }
    }
    return length;
}

// Sends one datagram. A target interface makes it leave by that interface, which a limited
// broadcast needs on a host whose routes do not cover it.
bool SendDatagram(int fd, const std::vector<unsigned char>& datagram, const ReplyTarget& target,
                  std::uint16_t port)
{
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr.s_addr = htonl(target.address);
    destination.sin_port = htons(port);
    iovec io{const_cast<unsigned char*>(datagram.data()), datagram.size()};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = &destination;
    message.msg_namelen = sizeof destination;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    if (target.interfaceIndex > 0) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        cmsghdr* header = CMSG_FIRSTHDR(&message);
        header->cmsg_level = IPPROTO_IP;
        header->cmsg_type = IP_PKTINFO;
        header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
        in_pktinfo info{};
        info.ipi_ifindex = target.interfaceIndex;
        std::memcpy(CMSG_DATA(header), &info, sizeof info);
    }
    return ::sendmsg(fd, &message, MSG_NOSIGNAL) >= 0;
}

timespec TimeUntil(ReplyScheduler::Clock::time_point due)
{
    const auto wait =
        std::max(due - ReplyScheduler::Clock::now(), ReplyScheduler::Clock::duration::zero());
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
    return timespec{static_cast<time_t>(nanoseconds / 1000000000),
                    static_cast<long>(nanoseconds % 1000000000)};
}

} // namespace

DeviceSimulator::DeviceSimulator(DevsimOptions options, std::vector<DeviceRecord> devices)
    : options_(std::move(options)),
      devices_(std::move(devices)),
      scheduler_(devices_.size(), std::chrono::milliseconds(options_.delayMs),
                 std::chrono::milliseconds(options_.jitterMs), options_.faults.copies,
                 JitterSeed(options_))
{
}

DeviceSimulator::~DeviceSimulator()
{
    if (socket_ != BC_INVALID_SOCKET)
        udp::Close(socket_);
}

bool DeviceSimulator::Open()
{
    CatchStopSignals(&waitMask_);
    socket_ = udp::Open();
    const int fd = static_cast<int>(socket_);
    const int on = 1;
    if (socket_ == BC_INVALID_SOCKET
        || ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0
        || ::setsockopt(fd, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0
        || !udp::SetBroadcast(socket_) || !udp::SetNonBlocking(socket_)) {
        std::fprintf(stderr, "%s: cannot set up a UDP socket: %s\n", DEVSIM_PROGRAM,
                     std::strerror(errno));
        return false;
    }
    if (!udp::Bind(socket_, INADDR_ANY, BC_SEARCH_PORT)) {
        std::fprintf(stderr, "%s: cannot bind UDP port %u: %s\n", DEVSIM_PROGRAM,
                     static_cast<unsigned>(BC_SEARCH_PORT), std::strerror(errno));
        return false;
    }
    return true;
}

int DeviceSimulator::Run()
{
    while (!stopRequested) {
        SendDueReplies();
        pollfd watch{static_cast<int>(socket_), POLLIN, 0};
        timespec timeout{};
        const timespec* timeoutOrForever = nullptr;
        if (sendBlocked_) {
            watch.events |= POLLOUT;
        } else if (!scheduler_.Empty()) {
            timeout = TimeUntil(scheduler_.NextDue());
            timeoutOrForever = &timeout;
        }
        if (::ppoll(&watch, 1, timeoutOrForever, &waitMask_) < 0) {
            if (errno == EINTR)
                continue;
            std::fprintf(stderr, "%s: waiting for requests failed: %s\n", DEVSIM_PROGRAM,
                         std::strerror(errno));
            return 1;
        }
        if (watch.revents & POLLOUT)
            sendBlocked_ = false;
        if (watch.revents & (POLLIN | POLLERR))
            ReceiveRequests();
    }
    if (options_.verbose)
        std::fprintf(stderr,
                     "%s: stopping; %llu replies sent, %llu failed, %llu dropped at the pending "
                     "limit, %zu pending dropped\n",
                     DEVSIM_PROGRAM, static_cast<unsigned long long>(repliesSent_),
                     static_cast<unsigned long long>(sendFailures_),
                     static_cast<unsigned long long>(scheduler_.DroppedCount()),
                     scheduler_.PendingCount());
    return 0;
}

void DeviceSimulator::ReceiveRequests()
{
    // A bounded batch, so that a flood of requests cannot hold back the replies that are due.
    constexpr int MAX_READS_PER_WAKE = 256;
    unsigned char buffer[BC_MAX_DATAGRAM];
    for (int read = 0; read < MAX_READS_PER_WAKE; ++read) {
        sockaddr_in sender{};
        int interfaceIndex = 0;
        const ssize_t length = ReceiveDatagram(static_cast<int>(socket_), buffer, sizeof buffer,
                                               &sender, &interfaceIndex);
        if (length < 0)
            return;
        const auto arrival = ReplyScheduler::Clock::now();
        const std::size_t size = static_cast<std::size_t>(length);
        const bool valid = size <= sizeof buffer && IsSearchRequest(buffer, size);
        const std::uint32_t senderAddress = ntohl(sender.sin_addr.s_addr);
        if (options_.verbose)
            std::fprintf(stderr, "%s: request from %s:%u, %zu bytes, %s\n", DEVSIM_PROGRAM,
                         AddressText(senderAddress).c_str(),
                         static_cast<unsigned>(ntohs(sender.sin_port)), size,
                         valid ? "valid" : "not a search request, ignored");
        if (!valid)
            continue;
        // A broadcast reply leaves by the interface the request came in on, as a device with a
        // single interface and no route back would send it.
        const ReplyTarget target = options_.broadcastReply
                                       ? ReplyTarget{BC_BROADCAST_ADDR, interfaceIndex}
                                       : ReplyTarget{senderAddress, 0};
        const std::size_t dropped = scheduler_.ScheduleRequest(arrival, target);
        if (dropped > 0 && options_.verbose)
            std::fprintf(stderr,
                         "%s: %zu replies already pending; dropped %zu replies to this request "
                         "(%llu in all)\n",
                         DEVSIM_PROGRAM, scheduler_.PendingCount(), dropped,
                         static_cast<unsigned long long>(scheduler_.DroppedCount()));
    }
}

void DeviceSimulator::SendDueReplies()
{
    const auto now = ReplyScheduler::Clock::now();
    while (!sendBlocked_) {
        const PendingReply* reply = scheduler_.DueReply(now);
        if (!reply)
            return;
        const std::vector<unsigned char> datagram =
            BuildReply(devices_[reply->deviceIndex], options_.faults);
        if (SendDatagram(static_cast<int>(socket_), datagram, reply->target, BC_REPLY_PORT)) {
            ++repliesSent_;
            if (options_.verbose)
                std::fprintf(stderr, "%s: reply of device %zu (%s), %zu bytes, sent to %s:%u\n",
                             DEVSIM_PROGRAM, reply->deviceIndex + 1,
                             devices_[reply->deviceIndex].mac.c_str(), datagram.size(),
                             AddressText(reply->target.address).c_str(),
                             static_cast<unsigned>(BC_REPLY_PORT));
            scheduler_.CopySent();
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            sendBlocked_ = true;
        } else {
            ReportSendFailure(*reply, errno);
            scheduler_.Discard();
        }
    }
}

void DeviceSimulator::ReportSendFailure(const PendingReply& reply, int error)
{
    // Without --verbose only the first failure is told, so that a lost route cannot flood the
    // log with one line per device and request.
    if (++sendFailures_ > 1 && !options_.verbose)
        return;
    std::fprintf(stderr, "%s: cannot send the reply of device %zu to %s:%u: %s%s\n",
                 DEVSIM_PROGRAM, reply.deviceIndex + 1, AddressText(reply.target.address).c_str(),
                 static_cast<unsigned>(BC_REPLY_PORT), std::strerror(error),
                 options_.verbose ? "" : " (further failures are told with --verbose)");
}
