#include "testnet.h"

#ifdef _WIN32
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <stdexcept>

namespace testnet {

namespace {

std::string Environment(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    if (!value || !*value)
        throw std::runtime_error(name + " is not set: run this test through testnet.sh");
    return value;
}

} // namespace

Host TestHost(const std::string& name)
{
    std::string upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const char* address = std::getenv(("QUENLO_ADDR_" + upper).c_str());
    return {Environment("QUENLO_NS_" + upper), address ? address : ""};
}

std::uint32_t ParseAddress(const std::string& dotted)
{
    in_addr in{};
    if (::inet_pton(AF_INET, dotted.c_str(), &in) != 1)
        throw std::invalid_argument("not an IPv4 address: " + dotted);
    return ntohl(in.s_addr);
}

std::string FormatAddress(std::uint32_t address)
{
    in_addr in{};
    in.s_addr = htonl(address);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &in, text, sizeof text);
    return text;
}

} // namespace testnet
