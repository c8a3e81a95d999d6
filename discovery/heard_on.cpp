#include "heard_on.h"

#include "udp_socket.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <string>
#include <system_error>

namespace {

// The address (host order) of a dotted quad of decimal numbers 0 to 255 without leading zeros,
// nothing before or after it.
std::optional<std::uint32_t> ParseDottedQuad(std::string_view text)
{
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (text.empty() || text.front() != '.')
                return std::nullopt;
            text.remove_prefix(1);
        }
        unsigned value = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        const std::size_t digits = static_cast<std::size_t>(end - text.data());
        const bool leadingZero = digits > 1 && text.front() == '0';
        if (error != std::errc() || digits > 3 || value > 255 || leadingZero)
            return std::nullopt;
        address = address << 8 | value;
        text.remove_prefix(digits);
    }
    if (!text.empty())
        return std::nullopt;
    return address;
}

} // namespace

std::string FormatIpv4(std::uint32_t address)
{
    return std::to_string(address >> 24) + '.' + std::to_string(address >> 16 & 0xFF) + '.'
           + std::to_string(address >> 8 & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::vector<LocalSubnet> LocalSubnets()
{
    return udp::LocalSubnets();
}

bool LiesOutside(std::string_view ipText, const std::vector<LocalSubnet>& subnets)
{
    const std::optional<std::uint32_t> address = ParseDottedQuad(ipText);
    if (!address || subnets.empty())
        return false;
    return std::none_of(subnets.begin(), subnets.end(), [&](const LocalSubnet& subnet) {
        return (*address & subnet.mask) == (subnet.address & subnet.mask);
    });
}
