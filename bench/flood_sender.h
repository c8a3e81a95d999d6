// Floods the PC's reply port from a host of the test network, at a steady rate, on a thread of its
// own, until it is destroyed: with junk, or with device replies each from a MAC never sent before.
#pragma once

#include "testnet.h"

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

class FloodSender
{
public:
    enum class Kind { Junk, NewMacs };

    // Datagrams a second, from host to the PC's address on the reply port.
    FloodSender(const testnet::Host& from, const testnet::Host& to, int perSecond,
                Kind kind = Kind::Junk);
    ~FloodSender();
    FloodSender(const FloodSender&) = delete;
    FloodSender& operator=(const FloodSender&) = delete;

    // Datagrams sent so far.
    long Sent() const { return sent_; }

private:
    void Run(testnet::Host from, std::uint32_t to, int perSecond, Kind kind);

    std::atomic<bool> running_{true};
    std::atomic<long> sent_{0};
    std::thread thread_;
};
