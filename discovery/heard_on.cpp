#include "heard_on.h"

#include "ipv4_text.h"

#include <algorithm>
#include <optional>

bool LiesOutside(std::string_view ipText, const std::vector<LocalSubnet>& subnets)
{
    const std::optional<std::uint32_t> address = ParseIpv4(ipText);
    if (!address || subnets.empty())
        return false;
    return std::none_of(subnets.begin(), subnets.end(), [&](const LocalSubnet& subnet) {
        return (*address & subnet.mask) == (subnet.address & subnet.mask);
    });
}
