#include "device_table.h"

#include <cstring>
#include <stdexcept>

namespace {

// Copies the slot text of a record field into a table slot, clearing whatever was there.
template <std::size_t From, std::size_t To>
void StoreText(char (&to)[To], const char (&from)[From])
{
    static_assert(From <= To, "a table slot is never narrower than its record field");
    std::memset(to, 0, To);
    const std::string text = SlotText(from);
    std::memcpy(to, text.data(), text.size());
}

} // namespace

int CDeviceTable::Find(const BCDevNetInfo& record) const
{
    const std::string mac = SlotText(record.mac);
    // Only the first k bytes are compared, so a stored MAC that begins with this one is a match.
    for (std::int32_t i = 0; i < count_; ++i) {
        if (std::memcmp(entries_[i].mac, mac.data(), mac.size()) == 0)
            return i;
    }
    return -1;
}

void CDeviceTable::AddDevice(BCDevNetInfo record)
{
    if (Find(record) >= 0 || count_ >= DEVTABLE_CAPACITY)
        return;

    DeviceEntry& entry = entries_[count_];
    StoreText(entry.mac, record.mac);
    StoreText(entry.ip, record.ip);
    StoreText(entry.gateway, record.gateway);
    StoreText(entry.chn, record.chn);
    StoreText(entry.port, record.port);
    StoreText(entry.version, record.version);
    ++count_;
}

const DeviceEntry& CDeviceTable::Entry(int i) const
{
    if (i < 0 || i >= count_)
        throw std::out_of_range("device table entry out of range");
    return entries_[i];
}

void CDeviceTable::Reset()
{
    entries_ = {};
    count_ = 0;
}

CDeviceTable& DeviceTable()
{
    static CDeviceTable table;
    return table;
}

int HandleReply(const unsigned char* buffer)
{
    switch (buffer[BC_COMMAND_OFFSET]) {
    case BC_CMD_DEVINFO: {
        // Copied out by value so that the stored device never refers to the receive buffer.
        BCDevBlock block;
        std::memcpy(&block, buffer + BC_HEADER_SIZE, sizeof block);
        DeviceTable().AddDevice(block.netInfo);
        return 0;
    }
    case BC_CMD_IGNORE:
        return 0;
    default:
        return -2;
    }
}
