// Where a device's reply was heard, and whether the device sits outside the PC's networks.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where a device's reply came in, and whether the device sits outside the PC's networks.
struct HeardOn {
    // The local interface, empty when the system does not say.
    std::string interfaceName;
    // The PC's IPv4 address on that interface, host order; 0 when unknown.
    std::uint32_t localAddress = 0;
    // The device's IP text is an IPv4 address in none of the PC's subnets.
    bool outsideLocalSubnets = false;

    bool operator==(const HeardOn&) const = default;
};

// A network card the search request goes out through: its name as the system shows it (UTF-8),
// its IPv4 addresses in host order, the primary one first, which sends; and whether this cycle's
// request went out through it.
struct NetworkCard {
    std::string name;
    std::vector<std::uint32_t> addresses;
    bool sent = false;

    bool operator==(const NetworkCard&) const = default;
};

// Whether a reply heard there came in on the card.
bool HeardOnCard(const HeardOn& heard, const NetworkCard& card);

// The cards a search is kept to, by the names the system gives them; none: every card.
using CardNames = std::vector<std::string>;

// Whether the card named name is one a search kept to chosen uses. A card the system does not
// name is none of the chosen ones.
bool CardChosen(const CardNames& chosen, std::string_view name);

// One IPv4 subnet of the PC: an interface's address and its mask, both in host order.
struct LocalSubnet {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
};

// Whether ipText (a device's IP text) is an IPv4 address, as ParseIpv4 reads one, that lies in
// none of subnets. Other texts, and any text when no subnet is known, are not flagged.
bool LiesOutside(std::string_view ipText, const std::vector<LocalSubnet>& subnets);
