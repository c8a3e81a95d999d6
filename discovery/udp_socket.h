// A thin layer over the platform's IPv4 UDP sockets: BSD sockets on POSIX, Winsock on Windows.
#pragma once

#include "heard_on.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// A socket handle, or a negative value for none. Winsock handles are small unsigned integers and
// fit; the negative values are the discovery layer's failure results.
using bc_socket_t = std::intptr_t;

constexpr bc_socket_t BC_INVALID_SOCKET = -1;

namespace udp {

// Starts the platform's sockets layer, Windows Sockets 1.1 on Windows; false when it cannot be
// used, or only another version. Called once, before the first socket.
bool StartSockets();
// The sockets layer StartSockets starts, as a message names it.
const char* SocketsLayerName();

// A new IPv4 datagram socket with the default protocol, or BC_INVALID_SOCKET.
bc_socket_t Open();

void Close(bc_socket_t s);

bool SetNonBlocking(bc_socket_t s);
bool SetBroadcast(bc_socket_t s);

// Asks for a receive queue of at least bytes; returns whether the size was taken.
bool SetReceiveBuffer(bc_socket_t s, int bytes);

// The bytes of datagrams s's receive queue holds, as the system counts them; 0 when it cannot
// tell.
int ReceiveBufferSize(bc_socket_t s);

// How many datagrams the system has dropped for s since it was opened, nearly all of them for a
// full receive queue; empty where the system does not count them.
std::optional<std::uint32_t> DroppedDatagrams(bc_socket_t s);

// Binds to an IPv4 address and port, both in host order.
bool Bind(bc_socket_t s, std::uint32_t address, std::uint16_t port);

// Sends one datagram to address:port (host order). Returns whether the stack took it.
bool SendTo(bc_socket_t s, const void* data, std::size_t length, std::uint32_t address,
            std::uint16_t port);

// Asks the stack to tell, with each datagram read, the interface and local address it came in on.
// Returns whether the stack took it.
bool SetPacketInfo(bc_socket_t s);

// Reads one datagram into buffer. Returns its length, or -1 when none is waiting, the read
// fails, or the datagram did not fit (it is discarded). When heardOn is given, its interface
// name and local address become where the datagram came in, as far as the system says: once
// SetPacketInfo was taken.
long Receive(bc_socket_t s, void* buffer, std::size_t capacity, HeardOn* heardOn = nullptr);

// Lets one thread wake another that waits on a socket. Once woken it stays woken.
class Waker
{
public:
    enum class WaitResult { Readable, Woken, TimedOut };

    Waker();
    ~Waker();
    Waker(const Waker&) = delete;
    Waker& operator=(const Waker&) = delete;

    // Safe from any thread.
    void Wake();

    // Waits up to timeoutMs until s has a datagram waiting or Wake was called. A negative s
    // waits for the wake alone.
    WaitResult Wait(bc_socket_t s, int timeoutMs);

private:
#ifdef _WIN32
    void* wakeEvent_ = nullptr;
    void* socketEvent_ = nullptr;
#else
    int readEnd_ = -1;
    int writeEnd_ = -1;
#endif
};

// Every interface that is up, is not a loopback and can broadcast, in the order the system lists
// them, with at least one IPv4 address.
std::vector<NetworkCard> BroadcastInterfaces();

// The IPv4 subnet of every address of every interface that is up, loopback included.
std::vector<LocalSubnet> LocalSubnets();

} // namespace udp
