#include "bc_protocol.h"

#include "device_table.h"

#include <cstring>

void BuildSearchRequest(unsigned char* out)
{
    std::memset(out, 0, BC_SEARCH_REQUEST_SIZE);
    std::memcpy(out, BC_MAGIC, sizeof BC_MAGIC);
    out[BC_COMMAND_OFFSET] = BC_CMD_SEARCH;
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

std::string SlotText(const char* slot, std::size_t width)
{
    const void* nul = std::memchr(slot, '\0', width);
    return std::string(slot, nul ? static_cast<const char*>(nul) - slot : width);
}
