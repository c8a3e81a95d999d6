// Plays the devices on the search port: hears requests, sends the replies when they are due.
#pragma once

#include "device_records.h"
#include "devsim_options.h"
#include "reply_scheduler.h"
#include "udp_socket.h"

#include <signal.h>

#include <cstdint>
#include <vector>

class DeviceSimulator
{
public:
    explicit DeviceSimulator(DevsimOptions options, std::vector<DeviceRecord> devices);
    ~DeviceSimulator();

    DeviceSimulator(const DeviceSimulator&) = delete;
    DeviceSimulator& operator=(const DeviceSimulator&) = delete;

    // Takes over SIGINT and SIGTERM and binds the search port; false, after a message on
    // standard error, when it cannot.
    bool Open();

    // Serves until SIGINT or SIGTERM; returns the exit status.
    int Run();

private:
    void ReceiveRequests();
    void SendDueReplies();
    void ReportSendFailure(const PendingReply& reply, int error);

    DevsimOptions options_;
    std::vector<DeviceRecord> devices_;
    ReplyScheduler scheduler_;
    bc_socket_t socket_ = BC_INVALID_SOCKET;
    sigset_t waitMask_{}; // the signal mask while waiting: SIGINT and SIGTERM let through
    bool sendBlocked_ = false;
    std::uint64_t repliesSent_ = 0;
    std::uint64_t sendFailures_ = 0;
};
