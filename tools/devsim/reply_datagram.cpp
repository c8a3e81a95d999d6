#include "reply_datagram.h"

#include "bc_protocol.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

static_assert(sizeof DEVSIM_LONG_VERSION - 1 == sizeof(BCDevNetInfo::version));

template <std::size_t N>
void FillSlot(char (&slot)[N], const std::string& text)
{
    std::memcpy(slot, text.data(), std::min(text.size(), N));
}

} // namespace

bool IsSearchRequest(const unsigned char* data, std::size_t length)
{
    unsigned char request[BC_SEARCH_REQUEST_SIZE];
    BuildSearchRequest(request);
    return length == sizeof request && std::memcmp(data, request, sizeof request) == 0;
}

std::vector<unsigned char> BuildReply(const DeviceRecord& device, const DevsimFaults& faults)
{
    BCHeader header{};
    std::memcpy(header.magic, BC_MAGIC, sizeof header.magic);
    header.command = faults.unknownCommand ? DEVSIM_UNKNOWN_COMMAND
                     : faults.ignoreCommand ? BC_CMD_IGNORE
                                            : BC_CMD_DEVINFO;

    BCDevBlock block{};
    BCDevNetInfo& info = block.netInfo;
    FillSlot(info.mac, device.mac);
    FillSlot(info.ip, device.ip);
    FillSlot(info.gateway, device.gateway);
    FillSlot(info.chn, device.chn);
    FillSlot(info.port, device.port);
    FillSlot(info.version, faults.longVersion ? std::string(DEVSIM_LONG_VERSION) : device.version);

    std::vector<unsigned char> datagram(BC_DEVINFO_REPLY_SIZE);
    std::memcpy(datagram.data(), &header, sizeof header);
    std::memcpy(datagram.data() + sizeof header, &block, sizeof block);
    if (faults.shortLength)
        datagram.resize(*faults.shortLength);
    if (faults.oversizedLength)
        datagram.resize(*faults.oversizedLength, 0);
    return datagram;
}
