#include "device_records.h"

#include "bc_protocol.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace {

constexpr std::uint64_t LAST_MAC = 0xFFFFFFFFFFFFull;
constexpr std::uint64_t LAST_IPV4 = 0xFFFFFFFFull;

constexpr std::size_t MAC_WIDTH = sizeof(BCDevNetInfo::mac);
constexpr std::size_t IP_WIDTH = sizeof(BCDevNetInfo::ip);
constexpr std::size_t GATEWAY_WIDTH = sizeof(BCDevNetInfo::gateway);
constexpr std::size_t CHN_WIDTH = sizeof(BCDevNetInfo::chn);
constexpr std::size_t PORT_WIDTH = sizeof(BCDevNetInfo::port);
constexpr std::size_t VERSION_WIDTH = sizeof(BCDevNetInfo::version);

// A MAC text that can be counted up: its value and the way it was written.
struct MacStyle {
    std::uint64_t value = 0;
    char separator = ':';
    bool lowerCase = false;
};

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::optional<MacStyle> ParseMac(const std::string& text)
{
    constexpr std::size_t MAC_TEXT_LENGTH = 17;
    if (text.size() != MAC_TEXT_LENGTH || (text[2] != ':' && text[2] != '-'))
        return std::nullopt;
    MacStyle style;
    style.separator = text[2];
    bool anyLower = false;
    bool anyUpper = false;
    for (std::size_t octet = 0; octet < 6; ++octet) {
        const std::size_t at = octet * 3;
        if (octet > 0 && text[at - 1] != style.separator)
            return std::nullopt;
        const int high = HexDigitValue(text[at]);
        const int low = HexDigitValue(text[at + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        style.value = style.value << 8 | static_cast<std::uint64_t>(high << 4 | low);
        for (const char c : {text[at], text[at + 1]}) {
            anyLower = anyLower || std::islower(static_cast<unsigned char>(c));
            anyUpper = anyUpper || std::isupper(static_cast<unsigned char>(c));
        }
    }
    style.lowerCase = anyLower && !anyUpper;
    return style;
}

std::string FormatMac(std::uint64_t value, const MacStyle& style)
{
    const char* format = style.lowerCase ? "%02x" : "%02X";
    std::string text;
    for (int shift = 40; shift >= 0; shift -= 8) {
        char octet[3];
        std::snprintf(octet, sizeof octet, format, static_cast<unsigned>(value >> shift & 0xFF));
        if (!text.empty())
            text += style.separator;
        text += octet;
    }
    return text;
}

// Dotted decimal with four octets of 1 to 3 digits and no leading zeros.
std::optional<std::uint32_t> ParseIPv4(const std::string& text)
{
    std::uint32_t address = 0;
    std::size_t at = 0;
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0 && (at >= text.size() || text[at++] != '.'))
            return std::nullopt;
        const std::size_t start = at;
        unsigned value = 0;
        while (at < text.size() && at - start < 3
               && std::isdigit(static_cast<unsigned char>(text[at])))
            value = value * 10 + static_cast<unsigned>(text[at++] - '0');
        const std::size_t digits = at - start;
        if (digits == 0 || value > 255 || (digits > 1 && text[start] == '0'))
            return std::nullopt;
        address = address << 8 | value;
    }
    if (at != text.size())
        return std::nullopt;
    return address;
}

std::string FormatIPv4(std::uint32_t address)
{
    return std::to_string(address >> 24) + '.' + std::to_string(address >> 16 & 0xFF) + '.'
           + std::to_string(address >> 8 & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::string WithDeviceNumber(const std::string& pattern, int number)
{
    static const std::string placeholder = "{n}";
    const std::string digits = std::to_string(number);
    std::string text;
    std::size_t from = 0;
    for (std::size_t at; (at = pattern.find(placeholder, from)) != std::string::npos;
         from = at + placeholder.size())
        text.append(pattern, from, at - from).append(digits);
    return text.append(pattern, from);
}

std::optional<std::string> EncodeGbk(const std::string& utf8)
{
    const iconv_t converter = ::iconv_open("GBK", "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1))
        return std::nullopt;
    // No character takes more bytes in GBK than in UTF-8, so the input's size is room enough.
    std::string input = utf8;
    std::string output(input.size(), '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    const bool converted =
        ::iconv(converter, &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1);
    ::iconv_close(converter);
    if (!converted)
        return std::nullopt;
    output.resize(output.size() - outLeft);
    return output;
}

bool FitsField(const char* option, const std::string& shownText, const std::string& bytes,
               std::size_t width, const char* encoding, std::string* error)
{
    if (bytes.size() <= width)
        return true;
    *error = std::string(option) + " text '" + shownText + "' is " + std::to_string(bytes.size())
             + " bytes" + encoding + ", longer than its field of " + std::to_string(width)
             + " bytes";
    return false;
}

std::string SequenceError(const char* option, const std::string& first, int count,
                          bool parsed, const char* expected)
{
    const std::string devices = std::to_string(count) + " devices";
    if (!parsed)
        return std::string(option) + " '" + first + "' is not " + expected + ", which " + devices
               + " need to count up from";
    return std::string(option) + " '" + first + "' leaves no room to count up " + devices;
}

} // namespace

std::optional<std::vector<DeviceRecord>> BuildDeviceRecords(const DevsimOptions& options,
                                                            std::string* error)
{
    const std::size_t count = static_cast<std::size_t>(options.count);
    std::optional<MacStyle> mac;
    std::optional<std::uint32_t> ip = ParseIPv4(options.ip);
    if (count > 1) {
        mac = ParseMac(options.mac);
        if (!mac || mac->value > LAST_MAC - (count - 1)) {
            *error = SequenceError("--mac", options.mac, options.count, mac.has_value(),
                                   "six hex octets separated by ':' or '-'");
            return std::nullopt;
        }
        if (!ip || *ip > LAST_IPV4 - (count - 1)) {
            *error = SequenceError("--ip", options.ip, options.count, ip.has_value(),
                                   "a dotted IPv4 address");
            return std::nullopt;
        }
    }
    std::string gateway;
    if (options.gateway)
        gateway = *options.gateway;
    else if (ip)
        gateway = FormatIPv4((*ip & 0xFFFFFF00u) | 1u);

    std::vector<DeviceRecord> records;
    records.reserve(count);
    for (std::size_t index = 0; index < count; ++index) {
        const int number = static_cast<int>(index) + 1;
        DeviceRecord record;
        record.mac = count > 1 ? FormatMac(mac->value + index, *mac) : options.mac;
        record.ip = count > 1 ? FormatIPv4(*ip + static_cast<std::uint32_t>(index)) : options.ip;
        record.gateway = gateway;
        record.port = options.port;
        record.version = WithDeviceNumber(options.version, number);
        const std::string chnText = WithDeviceNumber(options.chn, number);
        if (options.gbk) {
            const std::optional<std::string> encoded = EncodeGbk(chnText);
            if (!encoded) {
                *error = "--chn text '" + chnText + "' cannot be encoded in GBK";
                return std::nullopt;
            }
            record.chn = *encoded;
        } else {
            record.chn = chnText;
        }

        const char* chnEncoding = options.gbk ? " in GBK" : "";
        if (!FitsField("--mac", record.mac, record.mac, MAC_WIDTH, "", error)
            || !FitsField("--ip", record.ip, record.ip, IP_WIDTH, "", error)
            || !FitsField("--gateway", record.gateway, record.gateway, GATEWAY_WIDTH, "", error)
            || !FitsField("--chn", chnText, record.chn, CHN_WIDTH, chnEncoding, error)
            || !FitsField("--port", record.port, record.port, PORT_WIDTH, "", error)
            || !FitsField("--version", record.version, record.version, VERSION_WIDTH, "", error))
            return std::nullopt;
        records.push_back(std::move(record));
    }
    return records;
}
