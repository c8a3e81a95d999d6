#include "device_url.h"

#include "ipv4_text.h"
#include "text_blanks.h"
#include "text_format.h"

#include <optional>
#include <string_view>

DeviceUrl DeviceWebPage(const std::u16string& ipText, const std::u16string& portText)
{
    const std::u16string_view host = TrimBlanks(ipText);
    const std::u16string_view port = TrimBlanks(portText);
    DeviceUrl page;
    page.text = u"http://" + std::u16string(host) + u':' + std::u16string(port);

    // The IP column holds an address: a name would let a device send the browser anywhere.
    const std::optional<std::uint32_t> address = ParseIpv4(host);
    if (!address)
        return page;
    std::u16string portPart;
    if (!port.empty()) {
        const std::optional<std::uint32_t> number = ParsePort(port);
        if (!number || *number < 1)
            return page;
        portPart.append(u":").append(AsciiText(std::to_string(*number)));
    }
    // Written back without leading zeros: browsers would read "010" as octal.
    page.url.append(u"http://").append(AsciiText(FormatIpv4(*address))).append(portPart);
    return page;
}
