// Wire format of the discovery datagrams: every constant and layout in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::uint16_t BC_SEARCH_PORT = 6060;         // devices listen here for the request
constexpr std::uint16_t BC_REPLY_PORT = 6061;          // devices answer to this port
constexpr std::uint32_t BC_BROADCAST_ADDR = 0xFFFFFFFFu; // 255.255.255.255, host order
constexpr std::size_t BC_MAX_DATAGRAM = 1500;          // receive buffer and largest datagram read

constexpr unsigned char BC_CMD_SEARCH = 0xA0;  // request: every device answers
constexpr unsigned char BC_CMD_DEVINFO = 0x0A; // reply: a device block follows the header
constexpr unsigned char BC_CMD_IGNORE = 0x0B;  // reply that is accepted and ignored

constexpr char BC_MAGIC[8] = {'Z', 'a', 'r', 'q', 'u', 'v', 'e', 'l'};

// The first 52 bytes of every discovery datagram.
struct BCHeader {
    char magic[8];
    unsigned char reserved1[12];
    unsigned char command;
    unsigned char reserved2[31];
};

// The device record of a device-info reply: six fixed-width texts, NUL-terminated when shorter.
struct BCDevNetInfo {
    char mac[20];
    char ip[16];
    char gateway[16];
    char chn[10];
    char port[6];
    char version[40];
};

// The block that follows the header of a device-info reply; only its first 108 bytes are read.
struct BCDevBlock {
    BCDevNetInfo netInfo;
    unsigned char unused[147];
};

static_assert(sizeof(BCHeader) == 52);
static_assert(offsetof(BCHeader, command) == 20);
static_assert(sizeof(BCDevNetInfo) == 108);
static_assert(offsetof(BCDevNetInfo, mac) == 0);
static_assert(offsetof(BCDevNetInfo, ip) == 20);
static_assert(offsetof(BCDevNetInfo, gateway) == 36);
static_assert(offsetof(BCDevNetInfo, chn) == 52);
static_assert(offsetof(BCDevNetInfo, port) == 62);
static_assert(offsetof(BCDevNetInfo, version) == 68);
static_assert(sizeof(BCDevBlock) == 255);

constexpr std::size_t BC_HEADER_SIZE = sizeof(BCHeader);
constexpr std::size_t BC_COMMAND_OFFSET = offsetof(BCHeader, command);
constexpr std::size_t BC_SEARCH_REQUEST_SIZE = sizeof(BCHeader);
constexpr std::size_t BC_DEVINFO_REPLY_SIZE = sizeof(BCHeader) + sizeof(BCDevBlock);

// Writes the 52-byte search request into out, which must hold BC_SEARCH_REQUEST_SIZE bytes.
void BuildSearchRequest(unsigned char* out);

// The text of a fixed-width slot: up to its first NUL, at most width bytes.
std::string SlotText(const char* slot, std::size_t width);

template <std::size_t N>
std::string SlotText(const char (&slot)[N])
{
    return SlotText(slot, N);
}
