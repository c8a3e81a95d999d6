// What the status line says when a search has heard nothing for three cycles, from what the
// firewall reports of the network the computer is on, where it can be asked.
#pragma once

#include "text_format.h"

#include <optional>
#include <string>
#include <vector>

// The kinds of network Windows tells apart, each with its own firewall settings.
enum class NetworkProfile { Domain, Private, Public };

// One active profile's settings.
struct ProfileFirewall {
    NetworkProfile profile = NetworkProfile::Public;
    bool enabled = true;
    // What the firewall does with inbound traffic no rule allows: block it (its default), or let
    // it in; or everything inbound is blocked, whatever the rules say.
    bool blocksByDefault = true;
    bool blocksAll = false;
};

// The active profiles, one for each kind of network the computer is connected to; none where the
// firewall cannot be asked.
using FirewallAnswer = std::optional<std::vector<ProfileFirewall>>;

// The hint: with no answer, that a firewall may drop the replies; with one, the active profile by
// name and whether its firewall blocks inbound replies by default, a public network first, since
// the firewall's own prompt leaves it unticked.
std::u16string NothingHeardText(const FirewallAnswer& answer, const StringLoader& strings);
