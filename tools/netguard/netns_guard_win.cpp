#include "netns_guard.h"

#include <winsock2.h>
#include <iphlpapi.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Exit status of a test that did not run.
constexpr int SKIPPED = 77;

// Wine's ntdll has this export; Windows' own does not.
bool UnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

bool IsPrivateLink(const wchar_t* name)
{
    for (const char* p = PRIVATE_LINK_PREFIX; *p; ++p, ++name) {
        if (*name != static_cast<wchar_t>(*p))
            return false;
    }
    return true;
}

std::string Narrow(const wchar_t* text)
{
    std::string narrow;
    for (const wchar_t* c = text; *c; ++c)
        narrow.push_back(*c < 0x80 ? static_cast<char>(*c) : '?');
    return narrow;
}

} // namespace

bool InPrivateNetwork(std::string* why)
{
    if (!UnderWine()) {
        *why = "this is Windows itself; the private test networks are Linux namespaces";
        return false;
    }
    // Wine's sockets are opened by its wineserver, and these adapters are those of the
    // wineserver's namespace: the one that counts.
    std::vector<unsigned char> storage(64 * 1024);
    ULONG size = static_cast<ULONG>(storage.size());
    if (::GetAdaptersAddresses(AF_UNSPEC, GAA_FLAG_SKIP_ANYCAST | GAA_FLAG_SKIP_MULTICAST, nullptr,
                               reinterpret_cast<IP_ADAPTER_ADDRESSES*>(storage.data()), &size)
        != NO_ERROR) {
        *why = "cannot list the network adapters";
        return false;
    }
    for (auto* a = reinterpret_cast<const IP_ADAPTER_ADDRESSES*>(storage.data()); a; a = a->Next) {
        if (a->IfType != IF_TYPE_SOFTWARE_LOOPBACK && !IsPrivateLink(a->FriendlyName)) {
            *why = "adapter " + Narrow(a->FriendlyName) + " belongs to a real network";
            return false;
        }
    }
    return true;
}

void RequirePrivateNetwork(const char* program)
{
    std::string why;
    if (InPrivateNetwork(&why))
        return;
    if (!UnderWine()) {
        std::fprintf(stderr, "%s: skipped: it opens sockets only under Wine inside a private test "
                             "network (%s)\n", program, why.c_str());
        std::exit(SKIPPED);
    }
    std::fprintf(stderr,
                 "%s: refusing to open sockets outside a private test network (%s); run it "
                 "through tests/testnet/testnet.sh and tests/testnet/winerun.sh\n",
                 program, why.c_str());
    std::exit(3);
}
