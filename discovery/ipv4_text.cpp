#include "ipv4_text.h"

#include "text_blanks.h"

std::optional<std::uint32_t> ParseDecimal(std::u16string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    std::uint32_t value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint32_t>(c - u'0');
    }
    return value;
}

std::optional<std::uint32_t> ParsePort(std::u16string_view text)
{
    constexpr std::size_t PORT_DIGITS = 5;
    constexpr std::uint32_t MAX_PORT = 65535;
    const std::optional<std::uint32_t> port = ParseDecimal(text, PORT_DIGITS);
    return port && *port <= MAX_PORT ? port : std::nullopt;
}

std::optional<std::uint32_t> ParseIpv4(std::u16string_view text)
{
    text = TrimBlanks(text);
    std::uint32_t address = 0;
    for (int part = 0; part < 4; ++part) {
        const std::size_t end = part < 3 ? text.find(u'.') : text.size();
        if (end == std::u16string_view::npos)
            return std::nullopt;
        const std::optional<std::uint32_t> octet = ParseDecimal(text.substr(0, end), 3);
        if (!octet || *octet > 255)
            return std::nullopt;
        address = address << 8 | *octet;
        text.remove_prefix(part < 3 ? end + 1 : end);
    }
    return address;
}

std::optional<std::uint32_t> ParseIpv4(std::string_view text)
{
    std::u16string wide;
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return std::nullopt;
        wide += static_cast<char16_t>(c);
    }
    return ParseIpv4(std::u16string_view(wide));
}

std::string FormatIpv4(std::uint32_t address)
{
    return std::to_string(address >> 24) + '.' + std::to_string(address >> 16 & 0xFF) + '.'
           + std::to_string(address >> 8 & 0xFF) + '.' + std::to_string(address & 0xFF);
}
