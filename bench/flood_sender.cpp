#include "flood_sender.h"

#include "bc_protocol.h"

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace {

// Sent in slices a millisecond apart, so the rate holds without a busy wait.
constexpr auto SLICE = std::chrono::milliseconds(1);

// A datagram every device would reject: an unknown command byte, so every one read also makes a
// diagnostic line.
std::vector<unsigned char> Junk()
{
    std::vector<unsigned char> junk(BC_HEADER_SIZE);
    junk[BC_COMMAND_OFFSET] = 0x55;
    return junk;
}

// A device's reply; its MAC text is set for each datagram.
std::vector<unsigned char> Reply()
{
    BCHeader header{};
    std::memcpy(header.magic, BC_MAGIC, sizeof header.magic);
    header.command = BC_CMD_DEVINFO;
    BCDevBlock block{};
    std::snprintf(block.netInfo.ip, sizeof block.netInfo.ip, "10.60.9.1");
    std::snprintf(block.netInfo.port, sizeof block.netInfo.port, "80");
    std::vector<unsigned char> reply(BC_DEVINFO_REPLY_SIZE);
    std::memcpy(reply.data(), &header, sizeof header);
    std::memcpy(reply.data() + sizeof header, &block, sizeof block);
    return reply;
}

// The n-th MAC text, 02:00:00:00:00:00 onwards, into the reply's MAC slot.
void SetMac(std::vector<unsigned char>& reply, std::uint64_t n)
{
    char mac[sizeof BCDevNetInfo::mac] = {};
    std::snprintf(mac, sizeof mac, "02:%02X:%02X:%02X:%02X:%02X",
                  static_cast<unsigned>(n >> 32 & 0xFF), static_cast<unsigned>(n >> 24 & 0xFF),
                  static_cast<unsigned>(n >> 16 & 0xFF), static_cast<unsigned>(n >> 8 & 0xFF),
                  static_cast<unsigned>(n & 0xFF));
    std::memcpy(reply.data() + BC_HEADER_SIZE + offsetof(BCDevNetInfo, mac), mac, sizeof mac);
}

} // namespace

FloodSender::FloodSender(const testnet::Host& from, const testnet::Host& to, int perSecond,
                         Kind kind)
    : thread_(&FloodSender::Run, this, from, testnet::ParseAddress(to.address), perSecond, kind)
{
}

FloodSender::~FloodSender()
{
    running_ = false;
    thread_.join();
}

void FloodSender::Run(testnet::Host from, std::uint32_t to, int perSecond, Kind kind)
{
    const testnet::NamespaceScope in(from);
    const bc_socket_t socket = udp::Open();
    std::vector<unsigned char> datagram = kind == Kind::Junk ? Junk() : Reply();
    const int perSlice = perSecond / 1000;
    std::uint64_t macs = 0;
    auto next = std::chrono::steady_clock::now();
    while (running_ && socket >= 0) {
        for (int i = 0; i < perSlice; ++i) {
            if (kind == Kind::NewMacs)
                SetMac(datagram, macs++);
            if (udp::SendTo(socket, datagram.data(), datagram.size(), to, BC_REPLY_PORT))
                ++sent_;
        }
        next += SLICE;
        std::this_thread::sleep_until(next);
    }
    if (socket >= 0)
        udp::Close(socket);
}
