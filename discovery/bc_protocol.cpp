#include "bc_protocol.h"

#include <cstring>

void BuildSearchRequest(unsigned char* out)
{
    std::memset(out, 0, BC_SEARCH_REQUEST_SIZE);
    std::memcpy(out, BC_MAGIC, sizeof BC_MAGIC);
    out[BC_COMMAND_OFFSET] = BC_CMD_SEARCH;
}

std::string SlotText(const char* slot, std::size_t width)
{
    const void* nul = std::memchr(slot, '\0', width);
    return std::string(slot, nul ? static_cast<const char*>(nul) - slot : width);
}
