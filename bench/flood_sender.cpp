#include "flood_sender.h"

#include "bc_protocol.h"

#include <array>
#include <chrono>

namespace {

// Sent in slices a millisecond apart, so the rate holds without a busy wait.
constexpr auto SLICE = std::chrono::milliseconds(1);

// A datagram every device would reject: an unknown command byte, so every one read also makes a
// diagnostic line.
std::array<unsigned char, BC_HEADER_SIZE> Junk()
{
    std::array<unsigned char, BC_HEADER_SIZE> junk{};
    junk[BC_COMMAND_OFFSET] = 0x55;
    return junk;
}

} // namespace

FloodSender::FloodSender(const testnet::Host& from, const testnet::Host& to, int perSecond)
    : thread_(&FloodSender::Run, this, from, testnet::ParseAddress(to.address), perSecond)
{
}

FloodSender::~FloodSender()
{
    running_ = false;
    thread_.join();
}

void FloodSender::Run(testnet::Host from, std::uint32_t to, int perSecond)
{
    const testnet::NamespaceScope in(from);
    const bc_socket_t socket = udp::Open();
    const auto junk = Junk();
    const int perSlice = perSecond / 1000;
    auto next = std::chrono::steady_clock::now();
    while (running_ && socket >= 0) {
        for (int i = 0; i < perSlice; ++i) {
            if (udp::SendTo(socket, junk.data(), junk.size(), to, BC_REPLY_PORT))
                ++sent_;
        }
        next += SLICE;
        std::this_thread::sleep_until(next);
    }
    if (socket >= 0)
        udp::Close(socket);
}
