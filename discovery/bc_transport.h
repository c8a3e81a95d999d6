// The three socket operations that carry the discovery datagrams.
#pragma once

#include "udp_socket.h"

#include <cstddef>
#include <vector>

// The receive queue the reply socket asks for: room for the burst of several thousand devices
// answering one request at once, the system counting each reply of some 300 bytes at one to two
// KiB of its memory. A system may cap it (Linux: net.core.rmem_max).
constexpr int REPLY_RECEIVE_BUFFER = 8 * 1024 * 1024;

// Opens the non-blocking reply socket on port 6061, asking for each datagram's arrival. Returns
// it, -2 when it cannot be created or refuses the broadcast option, -1 when the port cannot be
// bound.
bc_socket_t ZkRecvBCSock();

// Broadcasts one datagram to 255.255.255.255:6060 through every interface that can broadcast,
// or only those of them chosen names. Returns 0 once a send was attempted, -2 when none could
// be. When cards is given, it becomes the interfaces the datagram was meant for, each saying
// whether the stack took it.
int OnHandleSendBC(const unsigned char* data, std::size_t length,
                   std::vector<NetworkCard>* cards = nullptr, const CardNames& chosen = {});

// Reads at most one datagram from socket into the BC_MAX_DATAGRAM-byte buffer and hands it to
// HandleReply. Returns 0 when one was read, -2 when none was, 1 when one came in on a card that
// is not among chosen (it is dropped). When one was read and heardOn is given, its interface
// name and local address tell where the datagram came in.
int OnHandleRecvBC(unsigned char* buffer, bc_socket_t socket, HeardOn* heardOn = nullptr,
                   const CardNames& chosen = {});
