#include "heard_on.h"

#include "ipv4_text.h"

#include <algorithm>
#include <optional>

bool HeardOnCard(const HeardOn& heard, const NetworkCard& card)
{
    if (!heard.interfaceName.empty())
        return heard.interfaceName == card.name;
    return heard.localAddress != 0
           && std::find(card.addresses.begin(), card.addresses.end(), heard.localAddress)
                  != card.addresses.end();
}

bool CardChosen(const CardNames& chosen, std::string_view name)
{
    return chosen.empty() || std::find(chosen.begin(), chosen.end(), name) != chosen.end();
}

bool LiesOutside(std::string_view ipText, const std::vector<LocalSubnet>& subnets)
{
    const std::optional<std::uint32_t> address = ParseIpv4(ipText);
    if (!address || subnets.empty())
        return false;
    return std::none_of(subnets.begin(), subnets.end(), [&](const LocalSubnet& subnet) {
        return (*address & subnet.mask) == (subnet.address & subnet.mask);
    });
}
