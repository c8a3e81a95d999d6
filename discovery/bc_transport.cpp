#include "bc_transport.h"

#include "bc_protocol.h"
#include "device_table.h"
#include "diagnostics.h"

#include <vector>

namespace {

// Sends once from a fresh broadcast socket, bound to source when it is set. Returns whether the
// stack took the datagram, as sent also says: with no route out (a cable pulled) it does not.
bool SendFromFreshSocket(const unsigned char* data, std::size_t length,
                         const std::uint32_t* source, bool* sent = nullptr)
{
    const bc_socket_t s = udp::Open();
    if (s == BC_INVALID_SOCKET) {
        Diagnose("netserver OnHandleSendBC : Create BroadCast Socket Error!\n");
        return false;
    }
    const bool taken = udp::SetBroadcast(s) && (!source || udp::Bind(s, *source, 0))
                       && udp::SendTo(s, data, length, BC_BROADCAST_ADDR, BC_SEARCH_PORT);
    if (sent)
        *sent = taken;
    udp::Close(s);
    return taken;
}

} // namespace

bc_socket_t ZkRecvBCSock()
{
    const bc_socket_t s = udp::Open();
    if (s == BC_INVALID_SOCKET) {
        Diagnose("netserver  CQuenlo::ZkRecvBCSock : create broadcast socket error!");
        return -2;
    }
    udp::SetNonBlocking(s);
    if (!udp::SetBroadcast(s)) {
        Diagnose("netserver CQuenlo::ZkRecvBCSock (setsockopt) :SOCKET_ERROR == iRet !\n");
        udp::Close(s);
        return -2;
    }
    udp::SetReceiveBuffer(s, REPLY_RECEIVE_BUFFER);
    udp::SetPacketInfo(s);
    if (!udp::Bind(s, 0, BC_REPLY_PORT)) {
        Diagnose("netserver  CQuenlo::ZkRecvBCSock (bind): INVALID_SOCKET == iRet !\n");
        udp::Close(s);
        return -1;
    }
    return s;
}

int OnHandleSendBC(const unsigned char* data, std::size_t length, std::vector<NetworkCard>* cards,
                   const CardNames& chosen)
{
    // A limited broadcast from an unbound socket leaves only through the interface of the
    // default route; binding a socket to each interface's address sends it out of every one.
    std::vector<NetworkCard> sources = udp::BroadcastInterfaces();
    std::erase_if(sources, [&chosen](const NetworkCard& card) {
        return !CardChosen(chosen, card.name);
    });
    bool sent = false;
    // Kept to chosen cards, a search sends through nothing else, the default route included.
    if (sources.empty() && chosen.empty()) {
        sent = SendFromFreshSocket(data, length, nullptr);
    } else {
        for (NetworkCard& card : sources)
            sent = SendFromFreshSocket(data, length, &card.addresses.front(), &card.sent) || sent;
    }
    if (cards)
        *cards = std::move(sources);
    return sent ? 0 : -2;
}

int OnHandleRecvBC(unsigned char* buffer, bc_socket_t socket, HeardOn* heardOn,
                   const CardNames& chosen)
{
    HeardOn where;
    const bool asked = heardOn || !chosen.empty();
    if (socket < 0 || udp::Receive(socket, buffer, BC_MAX_DATAGRAM, asked ? &where : nullptr) < 0)
        return -2;
    if (!CardChosen(chosen, where.interfaceName))
        return 1;
    if (heardOn)
        *heardOn = where;
    if (HandleReply(buffer) == -2)
        Diagnose("netserver OnHandleRecvBC : send broad cast failed!\n");
    return 0;
}
