#include "reach_commands.h"

#include "ipv4_text.h"
#include "text_format.h"

#include <algorithm>
#include <bit>
#include <optional>

namespace {

std::u16string Dotted(std::uint32_t address)
{
    return AsciiText(FormatIpv4(address));
}

// A name the shell takes as one word: quoted unless it is made of the usual characters only.
std::u16string ShellWord(std::u16string_view word)
{
    const bool plain = !word.empty() && std::all_of(word.begin(), word.end(), [](char16_t c) {
        return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
               || std::u16string_view(u"._:@-").find(c) != std::u16string_view::npos;
    });
    if (plain)
        return std::u16string(word);
    std::u16string quoted = u"'";
    for (const char16_t c : word)
        quoted += c == u'\'' ? std::u16string(u"'\\''") : std::u16string(1, c);
    return quoted + u"'";
}

} // namespace

TemporaryAddress ChooseTemporaryAddress(std::u16string_view ip, std::u16string_view gateway,
                                        const std::vector<std::uint32_t>& taken)
{
    TemporaryAddress chosen;
    const std::optional<std::uint32_t> device = ParseIpv4(ip);
    if (!device)
        return chosen;
    const std::optional<std::uint32_t> router = ParseIpv4(gateway);
    chosen.mask = 0xFFFFFF00u;
    for (const std::uint32_t mask : {0xFFFFFF00u, 0xFFFF0000u, 0xFF000000u}) {
        if (router && *router != 0 && (*router & mask) == (*device & mask)) {
            chosen.mask = mask;
            chosen.maskFromGateway = true;
            break;
        }
    }
    const std::uint32_t network = *device & chosen.mask;
    const std::uint32_t broadcast = network | ~chosen.mask;
    for (std::uint32_t candidate = broadcast - 1; candidate > network; --candidate) {
        if (candidate != *device && candidate != router
            && std::find(taken.begin(), taken.end(), candidate) == taken.end()) {
            chosen.address = candidate;
            break;
        }
    }
    return chosen;
}

AddressCommands TemporaryAddressCommands(const TemporaryAddress& address, std::u16string_view card,
                                         CommandShell shell)
{
    const std::u16string host = Dotted(address.address);
    if (shell == CommandShell::Windows) {
        const std::u16string name = u"name=\"" + std::u16string(card) + u"\" address=" + host;
        return {u"netsh interface ipv4 add address " + name + u" mask=" + Dotted(address.mask),
                u"netsh interface ipv4 delete address " + name};
    }
    const std::u16string prefix = AsciiText(std::to_string(std::popcount(address.mask)));
    const std::u16string rest = host + u"/" + prefix + u" dev " + ShellWord(card);
    return {u"sudo ip addr add " + rest, u"sudo ip addr del " + rest};
}
