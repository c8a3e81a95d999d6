// The devices found during the current search, keyed by MAC text, in first-heard order.
#pragma once

#include "bc_protocol.h"

#include <array>
#include <cstdint>

constexpr int DEVTABLE_CAPACITY = 255;

// One stored device; every slot holds exactly the text last stored in it, NUL-padded.
struct DeviceEntry {
    char mac[20];
    char ip[20];
    char gateway[20];
    char chn[20];
    char port[6];
    char version[40];
};

class CDeviceTable
{
public:
    // Stores the record unless a known MAC text begins with its MAC text, or the table is full.
    void AddDevice(BCDevNetInfo record);
    // The entry a record belongs to: the first whose MAC text begins with the record's; -1 for
    // none.
    int Find(const BCDevNetInfo& record) const;

    std::int32_t Count() const { return count_; }

    // Entry i, 0 <= i < Count().
    const DeviceEntry& Entry(int i) const;

    // Empties the table and clears every slot.
    void Reset();

private:
    std::array<DeviceEntry, DEVTABLE_CAPACITY> entries_{};
    std::int32_t count_ = 0;
};

// The one table of the process; only the search worker's thread touches it.
CDeviceTable& DeviceTable();

// Classifies a received datagram held in a BC_MAX_DATAGRAM-byte buffer and stores a device-info
// record in DeviceTable(). Returns 0 when handled, -2 when the command byte is not known.
int HandleReply(const unsigned char* buffer);
