#include "netns_guard.h"

#include <net/if.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string NamespaceOf(const char* path)
{
    std::array<char, 64> target{};
    const ssize_t n = ::readlink(path, target.data(), target.size() - 1);
    return n > 0 ? std::string(target.data(), static_cast<std::size_t>(n)) : std::string();
}

} // namespace

bool InPrivateNetwork(std::string* why)
{
    const std::string own = NamespaceOf("/proc/self/ns/net");
    const std::string init = NamespaceOf("/proc/1/ns/net");
    if (own.empty()) {
        *why = "cannot read /proc/self/ns/net";
        return false;
    }
    if (own == init) {
        *why = "this is the machine's own network namespace";
        return false;
    }
    // Process 1's namespace may be hidden from us; a namespace that holds any link beyond the
    // test network's own is a real network all the same.
    struct if_nameindex* names = ::if_nameindex();
    if (!names) {
        *why = "cannot list the network interfaces";
        return false;
    }
    bool isPrivate = true;
    for (const struct if_nameindex* i = names; i->if_index != 0; ++i) {
        if (std::strcmp(i->if_name, "lo") != 0
            && std::strncmp(i->if_name, PRIVATE_LINK_PREFIX, std::strlen(PRIVATE_LINK_PREFIX)) != 0) {
            *why = std::string("interface ") + i->if_name + " belongs to a real network";
            isPrivate = false;
            break;
        }
    }
    ::if_freenameindex(names);
    return isPrivate;
}

void RequirePrivateNetwork(const char* program)
{
    std::string why;
    if (!InPrivateNetwork(&why)) {
        std::fprintf(stderr,
                     "%s: refusing to open sockets outside a private test network (%s); "
                     "run it through tests/testnet/testnet.sh\n",
                     program, why.c_str());
        std::exit(3);
    }
}
