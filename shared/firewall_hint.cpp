#include "firewall_hint.h"

#include "resource.h"

#include <algorithm>
#include <iterator>

namespace {

int ProfileNameId(NetworkProfile profile)
{
    switch (profile) {
    case NetworkProfile::Domain:
        return IDS_PROFILE_DOMAIN;
    case NetworkProfile::Private:
        return IDS_PROFILE_PRIVATE;
    case NetworkProfile::Public:
        return IDS_PROFILE_PUBLIC;
    }
    return IDS_PROFILE_PUBLIC;
}

bool Blocks(const ProfileFirewall& settings)
{
    return settings.enabled && (settings.blocksByDefault || settings.blocksAll);
}

} // namespace

std::u16string NothingHeardText(const FirewallAnswer& answer, const StringLoader& strings)
{
    if (!answer || answer->empty())
        return strings(IDS_NOTHING_HEARD);
    std::vector<ProfileFirewall> blocking;
    std::copy_if(answer->begin(), answer->end(), std::back_inserter(blocking), Blocks);
    if (std::any_of(blocking.begin(), blocking.end(), [](const ProfileFirewall& settings) {
            return settings.profile == NetworkProfile::Public;
        }))
        return strings(IDS_FIREWALL_PUBLIC_BLOCKS);
    // Where several networks are active, the first that blocks is the one to name.
    const ProfileFirewall& named = blocking.empty() ? answer->front() : blocking.front();
    return FormatText(strings(blocking.empty() ? IDS_FIREWALL_ALLOWS : IDS_FIREWALL_BLOCKS),
                      {strings(ProfileNameId(named.profile))});
}
