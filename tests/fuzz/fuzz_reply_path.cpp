// Feeds arbitrary datagrams down the path a reply takes: HandleReply into the device table (which
// is never reset, so the full table is reached too), the cell texts, the texts made visible, and
// the web-page rule. Any web page that comes out must be http to an IPv4 literal and nothing else.
#include "bc_protocol.h"
#include "device_table.h"
#include "device_url.h"
#include "search_worker.h"
#include "visible_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Digits only, at most maxDigits, no leading zero, at most maxValue.
bool IsPlainNumber(std::u16string_view text, std::size_t maxDigits, long minValue, long maxValue)
{
    if (text.empty() || text.size() > maxDigits || (text.size() > 1 && text.front() == u'0'))
        return false;
    long value = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return value >= minValue && value <= maxValue;
}

// http://a.b.c.d or http://a.b.c.d:port, and nothing more.
bool IsHttpToIpv4(std::u16string_view url)
{
    constexpr std::u16string_view scheme = u"http://";
    if (url.substr(0, scheme.size()) != scheme)
        return false;
    url.remove_prefix(scheme.size());
    const std::size_t colon = url.find(u':');
    if (colon != std::u16string_view::npos) {
        if (!IsPlainNumber(url.substr(colon + 1), 5, 1, 65535))
            return false;
        url = url.substr(0, colon);
    }
    for (int octet = 0; octet < 4; ++octet) {
        const std::size_t dot = octet < 3 ? url.find(u'.') : url.size();
        if (dot == std::u16string_view::npos || !IsPlainNumber(url.substr(0, dot), 3, 0, 255))
            return false;
        url.remove_prefix(octet < 3 ? dot + 1 : dot);
    }
    return url.empty();
}

template <std::size_t N>
std::u16string Cell(const char (&slot)[N])
{
    return FormatCellText(slot, N);
}

void FollowCells(const std::u16string& ip, const std::u16string& port,
                 std::initializer_list<const std::u16string*> others)
{
    for (const std::u16string* text : others)
        VisibleText(*text);
    const DeviceUrl page = DeviceWebPage(ip, port);
    VisibleText(page.text);
    if (!page.url.empty() && !IsHttpToIpv4(page.url))
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The receive buffer is zero-filled before every read, and holds at most 1500 bytes.
    std::array<unsigned char, BC_MAX_DATAGRAM> buffer{};
    std::memcpy(buffer.data(), data, std::min(size, buffer.size()));

    const std::int32_t known = DeviceTable().Count();
    const int result = HandleReply(buffer.data());
    if ((result != 0 && result != -2) || DeviceTable().Count() < known
        || DeviceTable().Count() > DEVTABLE_CAPACITY)
        __builtin_trap();

    if (DeviceTable().Count() > known) {
        const DeviceEntry& device = DeviceTable().Entry(DeviceTable().Count() - 1);
        const std::u16string chn = Cell(device.chn), version = Cell(device.version),
                             gateway = Cell(device.gateway), mac = Cell(device.mac);
        FollowCells(Cell(device.ip), Cell(device.port), {&chn, &version, &gateway, &mac});
    }
    // The record as the datagram carries it, whether the table took it or not.
    BCDevNetInfo record;
    std::memcpy(&record, buffer.data() + BC_HEADER_SIZE, sizeof record);
    FollowCells(Cell(record.ip), Cell(record.port), {});
    return 0;
}
