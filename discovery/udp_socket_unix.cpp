#include "udp_socket.h"

#include "ipv4_sockaddr.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <linux/sock_diag.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <string>

namespace udp {

bool StartSockets()
{
    return true;
}

const char* SocketsLayerName()
{
    return "BSD sockets";
}

bc_socket_t Open()
{
    const int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    return s < 0 ? BC_INVALID_SOCKET : s;
}

void Close(bc_socket_t s)
{
    ::close(static_cast<int>(s));
}

bool SetNonBlocking(bc_socket_t s)
{
    const int flags = ::fcntl(static_cast<int>(s), F_GETFL);
    return flags >= 0 && ::fcntl(static_cast<int>(s), F_SETFL, flags | O_NONBLOCK) == 0;
}

bool SetBroadcast(bc_socket_t s)
{
    const int on = 1;
    return ::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0;
}

bool SetReceiveBuffer(bc_socket_t s, int bytes)
{
    // The forced variant passes the system's cap where we are allowed to; otherwise the plain
    // option gets as much as the cap allows.
    const int fd = static_cast<int>(s);
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &bytes, sizeof bytes) == 0)
        return true;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &bytes, sizeof bytes) != 0)
        return false;
    return ReceiveBufferSize(s) >= bytes;
}

int ReceiveBufferSize(bc_socket_t s)
{
    int granted = 0;
    socklen_t length = sizeof granted;
    // Linux reports twice the asked size, the bookkeeping overhead included.
    if (::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_RCVBUF, &granted, &length) != 0)
        return 0;
    return granted / 2;
}

std::optional<std::uint32_t> DroppedDatagrams(bc_socket_t s)
{
    // The socket's memory figures, read at any moment: unlike a count carried with the next
    // datagram, it also tells of the drops at the end of a burst.
    std::uint32_t figures[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof figures;
    if (::getsockopt(static_cast<int>(s), SOL_SOCKET, SO_MEMINFO, figures, &length) != 0
        || length < (SK_MEMINFO_DROPS + 1) * sizeof figures[0])
        return std::nullopt;
    return figures[SK_MEMINFO_DROPS];
}

bool Bind(bc_socket_t s, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return ::bind(static_cast<int>(s), reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
}

bool SendTo(bc_socket_t s, const void* data, std::size_t length, std::uint32_t address,
            std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return ::sendto(static_cast<int>(s), data, length, MSG_NOSIGNAL,
                    reinterpret_cast<const sockaddr*>(&sa), sizeof sa)
           >= 0;
}

bool SetPacketInfo(bc_socket_t s)
{
    const int on = 1;
    return ::setsockopt(static_cast<int>(s), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0;
}

namespace {

// The first IPv4 address of the named interface, host order; 0 when it has none.
std::uint32_t InterfaceAddress(int fd, const std::string& name)
{
    ifreq request{};
    if (name.empty() || name.size() >= sizeof request.ifr_name)
        return 0;
    std::memcpy(request.ifr_name, name.data(), name.size());
    request.ifr_addr.sa_family = AF_INET;
    if (::ioctl(fd, SIOCGIFADDR, &request) != 0)
        return 0;
    sockaddr_in address;
    std::memcpy(&address, &request.ifr_addr, sizeof address);
    return ntohl(address.sin_addr.s_addr);
}

// The name and own address of each interface datagrams came in on. Asking the system costs a
// socket and an ioctl each, which thousands of replies a cycle would multiply; so each answer is
// kept for a second, long enough for a burst and short enough to follow a re-addressed card.
class ArrivalInterfaces
{
public:
    // The interface with that index: its name, empty when the system knows none, and its first
    // IPv4 address, 0 when it has none.
    void Find(int fd, unsigned index, std::string& name, std::uint32_t& address)
    {
        std::lock_guard lock(mutex_);
        Known& known = known_[index];
        if (!known.asked || Clock::now() - *known.asked >= std::chrono::seconds(1)) {
            char system[IF_NAMESIZE];
            known.name = ::if_indextoname(index, system) ? system : "";
            known.address = InterfaceAddress(fd, known.name);
            known.asked = Clock::now();
        }
        name = known.name;
        address = known.address;
    }

private:
    using Clock = std::chrono::steady_clock;
    struct Known {
        std::string name;
        std::uint32_t address = 0;
        std::optional<Clock::time_point> asked;
    };
    std::mutex mutex_;
    std::map<unsigned, Known> known_;
};

// Where the datagram of message came in, from its IP_PKTINFO control message.
void ReadArrival(int fd, msghdr& message, HeardOn& heardOn)
{
    static ArrivalInterfaces interfaces;
    heardOn.interfaceName.clear();
    heardOn.localAddress = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO)
            continue;
        in_pktinfo info;
        std::memcpy(&info, CMSG_DATA(c), sizeof info);
        std::uint32_t interfaceAddress = 0;
        interfaces.Find(fd, static_cast<unsigned>(info.ipi_ifindex), heardOn.interfaceName,
                        interfaceAddress);
        // A datagram to one of our addresses names it. For a broadcast the kernel offers the
        // source address of a reply, which may sit on another interface, so take the arrival
        // interface's own address.
        if (info.ipi_spec_dst.s_addr == info.ipi_addr.s_addr)
            heardOn.localAddress = ntohl(info.ipi_addr.s_addr);
        else
            heardOn.localAddress = interfaceAddress;
    }
}

} // namespace

long Receive(bc_socket_t s, void* buffer, std::size_t capacity, HeardOn* heardOn)
{
    // POSIX hands over the first capacity bytes of a longer datagram; MSG_TRUNC tells us that
    // happened, and such a datagram is dropped as Winsock drops it.
    sockaddr_in from{};
    iovec io{buffer, capacity};
    alignas(cmsghdr) unsigned char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &from;
    message.msg_namelen = sizeof from;
    message.msg_iov = &io;
    message.msg_iovlen = 1;
    if (heardOn) {
        message.msg_control = control;
        message.msg_controllen = sizeof control;
    }
    ssize_t n;
    do {
        n = ::recvmsg(static_cast<int>(s), &message, 0);
    } while (n < 0 && errno == EINTR);
    if (n < 0 || (message.msg_flags & MSG_TRUNC))
        return -1;
    if (heardOn)
        ReadArrival(static_cast<int>(s), message, *heardOn);
    return static_cast<long>(n);
}

Waker::Waker()
{
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
        readEnd_ = ends[0];
        writeEnd_ = ends[1];
    }
}

Waker::~Waker()
{
    if (readEnd_ >= 0) {
        ::close(readEnd_);
        ::close(writeEnd_);
    }
}

void Waker::Wake()
{
    // The byte is never drained, so the pipe stays readable: woken for good.
    const char byte = 1;
    if (writeEnd_ >= 0 && ::write(writeEnd_, &byte, 1) < 0)
        return; // a full pipe is readable already
}

Waker::WaitResult Waker::Wait(bc_socket_t s, int timeoutMs)
{
    pollfd fds[2] = {{readEnd_, POLLIN, 0}, {static_cast<int>(s), POLLIN, 0}};
    int ready;
    do {
        ready = ::poll(fds, 2, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return WaitResult::TimedOut;
    if (fds[0].revents)
        return WaitResult::Woken;
    return WaitResult::Readable;
}

std::vector<NetworkCard> BroadcastInterfaces()
{
    std::vector<NetworkCard> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    // One card per interface: each address carries its label ("eth0:1") as its name, so the
    // interface is told by its index, and its first address is the primary. A card that is up
    // but not running has no carrier (a pulled cable): it reaches nothing, as one that is down.
    std::map<unsigned, std::size_t> seen;
    for (const ifaddrs* ifa = list; ifa; ifa = ifa->ifa_next) {
        const unsigned flags = ifa->ifa_flags;
        if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET || !(flags & IFF_UP)
            || !(flags & IFF_RUNNING) || (flags & IFF_LOOPBACK) || !(flags & IFF_BROADCAST))
            continue;
        const std::string label = ifa->ifa_name;
        const std::string name = label.substr(0, label.find(':'));
        const unsigned index = ::if_nametoindex(name.c_str());
        if (index == 0)
            continue;
        const auto [card, added] = seen.emplace(index, result.size());
        if (added)
            result.push_back({name, {}});
        const auto* in = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr);
        result[card->second].addresses.push_back(ntohl(in->sin_addr.s_addr));
    }
    ::freeifaddrs(list);
    return result;
}

std::vector<LocalSubnet> LocalSubnets()
{
    std::vector<LocalSubnet> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return result;
    for (const ifaddrs* ifa = list; ifa; ifa = ifa->ifa_next) {
        if (!ifa->ifa_addr || ifa->ifa_addr->sa_family != AF_INET || !ifa->ifa_netmask
            || !(ifa->ifa_flags & IFF_UP))
            continue;
        const auto* in = reinterpret_cast<const sockaddr_in*>(ifa->ifa_addr);
        const auto* mask = reinterpret_cast<const sockaddr_in*>(ifa->ifa_netmask);
        result.push_back({ntohl(in->sin_addr.s_addr), ntohl(mask->sin_addr.s_addr)});
    }
    ::freeifaddrs(list);
    return result;
}

} // namespace udp
