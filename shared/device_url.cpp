#include "device_url.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace {

bool IsBlank(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

std::u16string_view Trimmed(std::u16string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool IsDecimal(std::u16string_view text)
{
    if (text.empty())
        return false;
    for (const char16_t c : text) {
        if (!IsDigit(c))
            return false;
    }
    return true;
}

// The value of a decimal text of at most digits digits, or -1.
long DecimalValue(std::u16string_view text, std::size_t digits)
{
    if (!IsDecimal(text) || text.size() > digits)
        return -1;
    long value = 0;
    for (const char16_t c : text)
        value = value * 10 + (c - u'0');
    return value;
}

std::vector<std::u16string_view> Split(std::u16string_view text, char16_t separator)
{
    std::vector<std::u16string_view> parts;
    for (std::size_t at = text.find(separator); at != std::u16string_view::npos;
         at = text.find(separator)) {
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + 1);
    }
    parts.push_back(text);
    return parts;
}

std::u16string Decimal(long value)
{
    std::u16string text;
    do {
        text.insert(text.begin(), static_cast<char16_t>(u'0' + value % 10));
        value /= 10;
    } while (value > 0);
    return text;
}

// Dotted-quad IPv4, written back without leading zeros: browsers would read "010" as octal.
std::u16string CanonicalIpv4(std::u16string_view text)
{
    const std::vector<std::u16string_view> parts = Split(text, u'.');
    if (parts.size() != 4)
        return {};
    std::u16string canonical;
    for (const std::u16string_view part : parts) {
        const long octet = DecimalValue(part, 3);
        if (octet < 0 || octet > 255)
            return {};
        if (!canonical.empty())
            canonical += u'.';
        canonical += Decimal(octet);
    }
    return canonical;
}

} // namespace

DeviceUrl DeviceWebPage(const std::u16string& ipText, const std::u16string& portText)
{
    const std::u16string_view host = Trimmed(ipText);
    const std::u16string_view port = Trimmed(portText);
    DeviceUrl page;
    page.text = u"http://" + std::u16string(host) + u':' + std::u16string(port);

    // The IP column holds an address: a name would let a device send the browser anywhere.
    const std::u16string canonicalHost = CanonicalIpv4(host);
    if (canonicalHost.empty())
        return page;
    const long portNumber = port.empty() ? 0 : DecimalValue(port, 5);
    if (!port.empty() && (portNumber < 1 || portNumber > 65535))
        return page;

    page.url = u"http://" + canonicalHost;
    if (!port.empty())
        page.url += u':' + Decimal(portNumber);
    return page;
}
