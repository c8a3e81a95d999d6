// The datagrams a simulated device hears and sends.
#pragma once

#include "device_records.h"
#include "devsim_options.h"

#include <cstddef>
#include <vector>

// The command byte of a reply under --fault unknown-cmd.
constexpr unsigned char DEVSIM_UNKNOWN_COMMAND = 0x55;

// The version text under --fault long-version: fills its field, no NUL.
constexpr char DEVSIM_LONG_VERSION[] = "V0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabc";

// Whether a datagram is exactly the search request every client sends.
bool IsSearchRequest(const unsigned char* data, std::size_t length);

// One device-info reply for the device, damaged as the faults say. Sending it more than once
// (--fault duplicate) is the sender's business.
std::vector<unsigned char> BuildReply(const DeviceRecord& device, const DevsimFaults& faults);
