#include "firewall_policy.h"

#include <windows.h>

#include <netfw.h>

#include <utility>

FirewallAnswer AskFirewallPolicy()
{
    // A thread that has COM in another model already can use it as it is.
    const bool started = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    FirewallAnswer answer;
    INetFwPolicy2* policy = nullptr;
    long active = 0;
    if (SUCCEEDED(::CoCreateInstance(__uuidof(NetFwPolicy2), nullptr, CLSCTX_INPROC_SERVER,
                                     __uuidof(INetFwPolicy2), reinterpret_cast<void**>(&policy)))
        && SUCCEEDED(policy->get_CurrentProfileTypes(&active))) {
        constexpr std::pair<NET_FW_PROFILE_TYPE2, NetworkProfile> KINDS[] = {
            {NET_FW_PROFILE2_DOMAIN, NetworkProfile::Domain},
            {NET_FW_PROFILE2_PRIVATE, NetworkProfile::Private},
            {NET_FW_PROFILE2_PUBLIC, NetworkProfile::Public},
        };
        std::vector<ProfileFirewall> profiles;
        bool whole = true;
        for (const auto& [type, profile] : KINDS) {
            if (!(active & type))
                continue;
            VARIANT_BOOL enabled = VARIANT_FALSE;
            VARIANT_BOOL blocksAll = VARIANT_FALSE;
            NET_FW_ACTION inbound = NET_FW_ACTION_BLOCK;
            whole = whole && SUCCEEDED(policy->get_FirewallEnabled(type, &enabled))
                    && SUCCEEDED(policy->get_DefaultInboundAction(type, &inbound))
                    && SUCCEEDED(policy->get_BlockAllInboundTraffic(type, &blocksAll));
            profiles.push_back({profile, enabled != VARIANT_FALSE, inbound == NET_FW_ACTION_BLOCK,
                                blocksAll != VARIANT_FALSE});
        }
        if (whole)
            answer = std::move(profiles);
    }
    if (policy)
        policy->Release();
    if (started)
        ::CoUninitialize();
    return answer;
}
