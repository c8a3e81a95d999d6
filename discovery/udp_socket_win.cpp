#include "udp_socket.h"

#include "ipv4_sockaddr.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <iphlpapi.h>
#include <mswsock.h>

#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace udp {

namespace {

// The system's list of adapters with their IPv4 addresses, held in storage; null when the system
// cannot give it.
const IP_ADAPTER_ADDRESSES* Adapters(std::vector<unsigned char>& storage)
{
    ULONG size = 16 * 1024;
    ULONG status = ERROR_BUFFER_OVERFLOW;
    for (int attempt = 0; attempt < 3 && status == ERROR_BUFFER_OVERFLOW; ++attempt) {
        storage.resize(size);
        status = ::GetAdaptersAddresses(
            AF_INET, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST | GAA_FLAG_SKIP_DNS_SERVER,
            nullptr, reinterpret_cast<IP_ADAPTER_ADDRESSES*>(storage.data()), &size);
    }
    return status == NO_ERROR ? reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(storage.data())
                              : nullptr;
}

// The IPv4 address (host order) of a unicast entry, or 0 for another family.
std::uint32_t Ipv4Of(const IP_ADAPTER_UNICAST_ADDRESS* unicast)
{
    const sockaddr* sa = unicast->Address.lpSockaddr;
    if (!sa || sa->sa_family != AF_INET)
        return 0;
    return ntohl(reinterpret_cast<const sockaddr_in*>(sa)->sin_addr.s_addr);
}

std::string Utf8(const wchar_t* text)
{
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1)
        return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

// An adapter as a reply's arrival names it: its name as the system shows it, and its IPv4
// addresses.
struct ArrivalAdapter {
    ULONG ifIndex = 0;
    std::string name;
    std::vector<std::uint32_t> addresses;
};

// The adapters as the system last gave them. Asking takes about a millisecond (more under load),
// which a reply each would multiply by hundreds; so the list is kept for a second, and asked for
// again at once for an interface it does not know.
class ArrivalAdapters
{
public:
    // The adapter with that index; false when the system knows none.
    bool Find(ULONG ifIndex, ArrivalAdapter& found)
    {
        std::lock_guard lock(mutex_);
        if (!Lookup(ifIndex, found) || Clock::now() - asked_ >= std::chrono::seconds(1)) {
            Ask();
            return Lookup(ifIndex, found);
        }
        return true;
    }

private:
    using Clock = std::chrono::steady_clock;

    bool Lookup(ULONG ifIndex, ArrivalAdapter& found) const
    {
        for (const ArrivalAdapter& adapter : adapters_) {
            if (adapter.ifIndex == ifIndex) {
                found = adapter;
                return true;
            }
        }
        return false;
    }

    void Ask()
    {
        adapters_.clear();
        asked_ = Clock::now();
        std::vector<unsigned char> storage;
        for (const auto* adapter = Adapters(storage); adapter; adapter = adapter->Next) {
            ArrivalAdapter arrival{adapter->IfIndex, Utf8(adapter->FriendlyName), {}};
            for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
                if (const std::uint32_t address = Ipv4Of(unicast))
                    arrival.addresses.push_back(address);
            }
            adapters_.push_back(std::move(arrival));
        }
    }

    std::mutex mutex_;
    std::vector<ArrivalAdapter> adapters_;
    Clock::time_point asked_;
};

// Where a datagram sent to destination (host order) came in on the interface with index
// ifIndex: the adapter's name as the system shows it, and its own address. A broadcast names no
// address of ours, so then the adapter's first IPv4 address stands for it.
void ReadArrival(ULONG ifIndex, std::uint32_t destination, HeardOn& heardOn)
{
    static ArrivalAdapters adapters;
    ArrivalAdapter adapter;
    if (!adapters.Find(ifIndex, adapter))
        return;
    heardOn.interfaceName = adapter.name;
    for (const std::uint32_t address : adapter.addresses) {
        if (heardOn.localAddress == 0 || address == destination)
            heardOn.localAddress = address;
    }
}

// WSARecvMsg, which Winsock hands out only through the socket; null when it does not.
LPFN_WSARECVMSG RecvMsgOf(SOCKET s)
{
    static const LPFN_WSARECVMSG function = [s] {
        GUID id = WSAID_WSARECVMSG;
        LPFN_WSARECVMSG found = nullptr;
        DWORD size = 0;
        if (::WSAIoctl(s, SIO_GET_EXTENSION_FUNCTION_POINTER, &id, sizeof id, &found,
                       sizeof found, &size, nullptr, nullptr)
            == SOCKET_ERROR)
            return LPFN_WSARECVMSG{nullptr};
        return found;
    }();
    return function;
}

} // namespace

bool StartSockets()
{
    // Version 1.1 exactly; any other grant is given back.
    WSADATA data;
    if (::WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return false;
    if (data.wVersion != MAKEWORD(1, 1)) {
        ::WSACleanup();
        return false;
    }
    return true;
}

const char* SocketsLayerName()
{
    return "Windows Sockets 1.1";
}

bc_socket_t Open()
{
    const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, 0);
    return s == INVALID_SOCKET ? BC_INVALID_SOCKET : static_cast<bc_socket_t>(s);
}

void Close(bc_socket_t s)
{
    ::closesocket(static_cast<SOCKET>(s));
}

bool SetNonBlocking(bc_socket_t s)
{
    u_long on = 1;
    return ::ioctlsocket(static_cast<SOCKET>(s), FIONBIO, &on) != SOCKET_ERROR;
}

bool SetBroadcast(bc_socket_t s)
{
    const int on = 1;
    return ::setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_BROADCAST,
                        reinterpret_cast<const char*>(&on), sizeof on) != SOCKET_ERROR;
}

bool SetReceiveBuffer(bc_socket_t s, int bytes)
{
    return ::setsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_RCVBUF,
                        reinterpret_cast<const char*>(&bytes), sizeof bytes) != SOCKET_ERROR;
}

int ReceiveBufferSize(bc_socket_t s)
{
    int granted = 0;
    int length = sizeof granted;
    if (::getsockopt(static_cast<SOCKET>(s), SOL_SOCKET, SO_RCVBUF,
                     reinterpret_cast<char*>(&granted), &length) == SOCKET_ERROR)
        return 0;
    return granted;
}

std::optional<std::uint32_t> DroppedDatagrams(bc_socket_t)
{
    return std::nullopt;
}

bool Bind(bc_socket_t s, std::uint32_t address, std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return ::bind(static_cast<SOCKET>(s), reinterpret_cast<const sockaddr*>(&sa), sizeof sa)
           != SOCKET_ERROR;
}

bool SendTo(bc_socket_t s, const void* data, std::size_t length, std::uint32_t address,
            std::uint16_t port)
{
    const sockaddr_in sa = MakeAddress(address, port);
    return ::sendto(static_cast<SOCKET>(s), static_cast<const char*>(data),
                    static_cast<int>(length), 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa)
           != SOCKET_ERROR;
}

bool SetPacketInfo(bc_socket_t s)
{
    const int on = 1;
    return ::setsockopt(static_cast<SOCKET>(s), IPPROTO_IP, IP_PKTINFO,
                        reinterpret_cast<const char*>(&on), sizeof on) != SOCKET_ERROR;
}

long Receive(bc_socket_t s, void* buffer, std::size_t capacity, HeardOn* heardOn)
{
    // Winsock fails a read with WSAEMSGSIZE and drops the datagram when it does not fit.
    const SOCKET socket = static_cast<SOCKET>(s);
    const LPFN_WSARECVMSG recvMsg = heardOn ? RecvMsgOf(socket) : nullptr;
    if (!recvMsg) {
        const int n = ::recv(socket, static_cast<char*>(buffer), static_cast<int>(capacity), 0);
        if (n == SOCKET_ERROR)
            return -1;
        if (heardOn) {
            heardOn->interfaceName.clear();
            heardOn->localAddress = 0;
        }
        return n;
    }

    sockaddr_in from{};
    WSABUF data{static_cast<ULONG>(capacity), static_cast<char*>(buffer)};
    alignas(WSACMSGHDR) char control[WSA_CMSG_SPACE(sizeof(IN_PKTINFO))];
    WSAMSG message{};
    message.name = reinterpret_cast<sockaddr*>(&from);
    message.namelen = sizeof from;
    message.lpBuffers = &data;
    message.dwBufferCount = 1;
    message.Control = {sizeof control, control};
    DWORD received = 0;
    if (recvMsg(socket, &message, &received, nullptr, nullptr) == SOCKET_ERROR)
        return -1;
    heardOn->interfaceName.clear();
    heardOn->localAddress = 0;
    for (WSACMSGHDR* c = WSA_CMSG_FIRSTHDR(&message); c; c = WSA_CMSG_NXTHDR(&message, c)) {
        if (c->cmsg_level != IPPROTO_IP || c->cmsg_type != IP_PKTINFO)
            continue;
        IN_PKTINFO info;
        std::memcpy(&info, WSA_CMSG_DATA(c), sizeof info);
        ReadArrival(info.ipi_ifindex, ntohl(info.ipi_addr.s_addr), *heardOn);
    }
    return static_cast<long>(received);
}

Waker::Waker()
    : wakeEvent_(::WSACreateEvent()), socketEvent_(::WSACreateEvent())
{
}

Waker::~Waker()
{
    ::WSACloseEvent(static_cast<WSAEVENT>(wakeEvent_));
    ::WSACloseEvent(static_cast<WSAEVENT>(socketEvent_));
}

void Waker::Wake()
{
    ::WSASetEvent(static_cast<WSAEVENT>(wakeEvent_));
}

Waker::WaitResult Waker::Wait(bc_socket_t s, int timeoutMs)
{
    WSAEVENT events[2] = {static_cast<WSAEVENT>(wakeEvent_), static_cast<WSAEVENT>(socketEvent_)};
    DWORD count = 1;
    if (s >= 0) {
        ::WSAResetEvent(events[1]);
        ::WSAEventSelect(static_cast<SOCKET>(s), events[1], FD_READ);
        count = 2;
    }
    const DWORD which = ::WSAWaitForMultipleEvents(count, events, FALSE,
                                                   static_cast<DWORD>(timeoutMs), FALSE);
    if (s >= 0)
        ::WSAEventSelect(static_cast<SOCKET>(s), nullptr, 0);
    if (which == WSA_WAIT_EVENT_0)
        return WaitResult::Woken;
    if (which == WSA_WAIT_EVENT_0 + 1)
        return WaitResult::Readable;
    return WaitResult::TimedOut;
}

std::vector<NetworkCard> BroadcastInterfaces()
{
    std::vector<NetworkCard> result;
    std::vector<unsigned char> storage;
    for (const auto* adapter = Adapters(storage); adapter; adapter = adapter->Next) {
        // Windows has no broadcast flag per adapter; loopback, dial-up and tunnels cannot.
        if (adapter->OperStatus != IfOperStatusUp || adapter->IfType == IF_TYPE_SOFTWARE_LOOPBACK
            || adapter->IfType == IF_TYPE_PPP || adapter->IfType == IF_TYPE_TUNNEL)
            continue;
        NetworkCard card{Utf8(adapter->FriendlyName), {}};
        for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            if (const std::uint32_t address = Ipv4Of(unicast))
                card.addresses.push_back(address);
        }
        if (!card.addresses.empty())
            result.push_back(std::move(card));
    }
    return result;
}

std::vector<LocalSubnet> LocalSubnets()
{
    std::vector<LocalSubnet> result;
    std::vector<unsigned char> storage;
    for (const auto* adapter = Adapters(storage); adapter; adapter = adapter->Next) {
        if (adapter->OperStatus != IfOperStatusUp)
            continue;
        for (auto* unicast = adapter->FirstUnicastAddress; unicast; unicast = unicast->Next) {
            const unsigned prefix = unicast->OnLinkPrefixLength;
            const std::uint32_t address = Ipv4Of(unicast);
            if (address == 0 || prefix > 32)
                continue;
            const std::uint32_t mask = prefix == 0 ? 0 : ~std::uint32_t{0} << (32 - prefix);
            result.push_back({address, mask});
        }
    }
    return result;
}

} // namespace udp
