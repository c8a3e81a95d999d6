// Floods the PC's reply port with junk datagrams from a host of the test network, at a steady rate,
// on a thread of its own, until it is destroyed.
#pragma once

#include "testnet.h"

#include <atomic>
#include <thread>

class FloodSender
{
public:
    // Datagrams a second, from host to the PC's address on the reply port.
    FloodSender(const testnet::Host& from, const testnet::Host& to, int perSecond);
    ~FloodSender();
    FloodSender(const FloodSender&) = delete;
    FloodSender& operator=(const FloodSender&) = delete;

    // Datagrams sent so far.
    long Sent() const { return sent_; }

private:
    void Run(testnet::Host from, std::uint32_t to, int perSecond);

    std::atomic<bool> running_{true};
    std::atomic<long> sent_{0};
    std::thread thread_;
};
