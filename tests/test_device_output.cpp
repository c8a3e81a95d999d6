// Listed devices as quenlo-find prints them and the window saves them: every format, the quoting
// and formula guards, JSON escaping, and the events of --watch.
#include "device_output.h"
#include "unlisted_count.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;

// 2026-12-31 20:15:30.250999 UTC, told with an offset.
LocalTime NewYearsEve(std::chrono::minutes offset)
{
    return {std::chrono::sys_days(2026y / 12 / 31) + 20h + 15min + 30s + 250999us, offset};
}

// A device whose texts try each rule: a formula start, a separator with a quote, a quote alone,
// a tab, a control character, and wide characters.
FoundDevice Tricky()
{
    FoundDevice device;
    DeviceRow& row = device.row;
    row.cells = {u"=1+2 ", u"-a,\"b ", u"10.0.0.5 ", u"8\"0 ", u"x\ty\x01 ", u"前门 "};
    std::memcpy(row.record.port, "8\"0", 3);
    row.heardOn.interfaceName = "eth0";
    row.heardOn.localAddress = 0x0A000001u;
    device.firstReply = std::chrono::milliseconds(12);
    device.firstHeard = NewYearsEve(8h);
    return device;
}

FoundDevice Plain()
{
    FoundDevice device;
    device.row.cells = {u"door ", u"V1 ", u"10.0.0.6 ", u"80 ", u"10.0.0.1 ", u"AA "};
    return device;
}

OutputStyle Style(OutputFormat format, bool raw = false, bool excel = false)
{
    return {format, raw, excel, {}};
}


} // namespace

TEST(DeviceOutput, EachFormatWritesTheTextsSafelyForWhereTheyGo)
{
    const std::vector<FoundDevice> devices = {Tricky(), Plain()};
    const struct {
        OutputStyle style;
        std::string expected;
    } cases[] = {
        // A spreadsheet sees no formula and no control character; tsv needs no quoting.
        {Style(OutputFormat::Tsv),
         "'=1+2\t'-a,\"b\t10.0.0.5\t8\"0\tx␉y␁\t前门\n"
         "door\tV1\t10.0.0.6\t80\t10.0.0.1\tAA\n"},
        // csv quotes a field that holds a comma or a quote, and doubles the quote.
        {Style(OutputFormat::Csv),
         "chn,version,ip,port,gateway,mac\r\n"
         "'=1+2,\"'-a,\"\"b\",10.0.0.5,\"8\"\"0\",x␉y␁,前门\r\n"
         "door,V1,10.0.0.6,80,10.0.0.1,AA\r\n"},
        {Style(OutputFormat::Csv, false, true),
         "\xEF\xBB\xBF"
         "chn,version,ip,port,gateway,mac\r\n"
         "'=1+2,\"'-a,\"\"b\",10.0.0.5,\"8\"\"0\",x␉y␁,前门\r\n"
         "door,V1,10.0.0.6,80,10.0.0.1,AA\r\n"},
        // A table shows the texts as they are, visible, aligned by the columns they take.
        {Style(OutputFormat::Table),
         "chn   version  ip        port  gateway   mac\n"
         "=1+2  -a,\"b    10.0.0.5  8\"0   x␉y␁      前门\n"
         "door  V1       10.0.0.6  80    10.0.0.1  AA\n"},
        // JSON carries the exact texts, escaped, and where and when each device was heard.
        {Style(OutputFormat::Json),
         "{\"chn\":\"=1+2\",\"version\":\"-a,\\\"b\",\"ip\":\"10.0.0.5\",\"port\":\"8\\\"0\","
         "\"gateway\":\"x\\ty\\u0001\",\"mac\":\"前门\",\"interface\":\"eth0\","
         "\"local_address\":\"10.0.0.1\",\"outside_local_subnets\":false,\"first_reply_ms\":12,"
         "\"first_heard\":\"2027-01-01T04:15:30.250+08:00\"}\n"
         "{\"chn\":\"door\",\"version\":\"V1\",\"ip\":\"10.0.0.6\",\"port\":\"80\","
         "\"gateway\":\"10.0.0.1\",\"mac\":\"AA\",\"interface\":null,\"local_address\":null,"
         "\"outside_local_subnets\":false,\"first_reply_ms\":null,\"first_heard\":null}\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, FormatDevices(devices, c.style))
            << "format " << static_cast<int>(c.style.format) << ", excel " << c.style.excel;
    }
    EXPECT_EQ("", FormatDevices({}, Style(OutputFormat::Table))) << "no heading without devices";
}

TEST(DeviceOutput, RawAddsEveryByteOfEachSlot)
{
    // The slots in column order: chn 10 bytes, version 40, ip 16, port 6, gateway 16, mac 20.
    const auto zeros = [](std::size_t bytes) { return std::string(bytes * 2, '0'); };
    EXPECT_EQ("'=1+2\t'-a,\"b\t10.0.0.5\t8\"0\tx␉y␁\t前门\t" + zeros(10) + "\t" + zeros(40) + "\t"
                  + zeros(16) + "\t382230000000\t" + zeros(16) + "\t" + zeros(20) + "\n",
              FormatDevices({Tricky()}, Style(OutputFormat::Tsv, true)));
    EXPECT_EQ(0u, FormatDevices({Tricky()}, Style(OutputFormat::Csv, true))
                      .find("chn,version,ip,port,gateway,mac,chn_hex,version_hex,ip_hex,port_hex,"
                            "gateway_hex,mac_hex\r\n"));
}

TEST(DeviceOutput, TimesAreLocalWithTheirOffsetToTheMillisecond)
{
    const struct {
        LocalTime time;
        const char* expected;
    } cases[] = {
        // The offset moves the day, the month and the year; the milliseconds are cut, not rounded.
        {NewYearsEve(8h), "2027-01-01T04:15:30.250+08:00"},
        {NewYearsEve(-5h - 30min), "2026-12-31T14:45:30.250-05:30"},
        {NewYearsEve(0min), "2026-12-31T20:15:30.250+00:00"},
        {{std::chrono::sys_days(2027y / 1 / 1) + 3h + 5ms, -5h - 30min},
         "2026-12-31T21:30:00.005-05:30"},
        {{std::chrono::sys_days(2028y / 2 / 28) + 23h + 59min + 59s + 999ms, 1min},
         "2028-02-29T00:00:59.999+00:01"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, Rfc3339Text(c.time));

    // The system's own offset, where the test runs in a zone of half hours west of UTC.
    if (const char* zone = std::getenv("TZ"); zone && std::string(zone) == "QLT+05:30") {
        EXPECT_EQ(-5h - 30min, LocalTimeNow().offset);
    }
}

TEST(DeviceOutput, WatchEventsAreOneLineEachInEveryFormat)
{
    const LocalTime east = NewYearsEve(8h);
    const LocalTime west = NewYearsEve(-5h - 30min);
    const LocalTime utc = NewYearsEve(0min);
    SearchEvent changed{SearchEvent::Kind::Changed, Plain(), {}, {}, 0, {}, east};
    changed.before = Tricky().row.cells;
    const SearchEvent silent{
        SearchEvent::Kind::Silent, Plain(), {}, std::chrono::milliseconds(4200), 0, {}, west};
    const SearchEvent full{SearchEvent::Kind::Full, {}, {}, {}, 45, {}, utc};
    const SearchEvent beyond{
        SearchEvent::Kind::Full, {}, {}, {}, MAX_UNLISTED_COUNTED + 1, {}, utc};
    // Replies lost in the queue may have come from devices not counted.
    const SearchEvent fullAfterLoss{SearchEvent::Kind::Full, {}, {}, {}, 45, {true, 0, 0}, utc};
    const SearchEvent lost{SearchEvent::Kind::Lost, {}, {}, {}, 0, {true, 2950, 212992}, utc};
    // A search begins: what follows is new to it, not to the site.
    const SearchEvent start{SearchEvent::Kind::Start, {}, {}, {}, 0, {}, west};
    const struct {
        const SearchEvent& event;
        OutputStyle style;
        std::string expected;
    } cases[] = {
        {changed, Style(OutputFormat::Tsv),
         "2027-01-01T04:15:30.250+08:00\tchanged\tdoor\tV1\t10.0.0.6\t80\t10.0.0.1\tAA\n"},
        {changed, Style(OutputFormat::Table),
         "2027-01-01T04:15:30.250+08:00\tchanged\tdoor\tV1\t10.0.0.6\t80\t10.0.0.1\tAA\n"},
        {silent, Style(OutputFormat::Csv),
         "2026-12-31T14:45:30.250-05:30,silent,door,V1,10.0.0.6,80,10.0.0.1,AA\r\n"},
        {full, Style(OutputFormat::Tsv), "2026-12-31T20:15:30.250+00:00\tfull\t45\n"},
        {beyond, Style(OutputFormat::Csv),
         "2026-12-31T20:15:30.250+00:00,full,more than 10000\r\n"},
        {full, Style(OutputFormat::Json),
         "{\"time\":\"2026-12-31T20:15:30.250+00:00\",\"event\":\"full\",\"unlisted\":45}\n"},
        {beyond, Style(OutputFormat::Json),
         "{\"time\":\"2026-12-31T20:15:30.250+00:00\",\"event\":\"full\",\"unlisted\":10000,"
         "\"more\":true}\n"},
        {fullAfterLoss, Style(OutputFormat::Tsv),
         "2026-12-31T20:15:30.250+00:00\tfull\tat least 45\n"},
        {fullAfterLoss, Style(OutputFormat::Json),
         "{\"time\":\"2026-12-31T20:15:30.250+00:00\",\"event\":\"full\",\"unlisted\":45,"
         "\"at_least\":true}\n"},
        {lost, Style(OutputFormat::Csv), "2026-12-31T20:15:30.250+00:00,lost,2950\r\n"},
        {lost, Style(OutputFormat::Json),
         "{\"time\":\"2026-12-31T20:15:30.250+00:00\",\"event\":\"lost\",\"lost\":2950}\n"},
        {silent, Style(OutputFormat::Json),
         "{\"time\":\"2026-12-31T14:45:30.250-05:30\",\"event\":\"silent\",\"chn\":\"door\","
         "\"version\":\"V1\",\"ip\":\"10.0.0.6\",\"port\":\"80\",\"gateway\":\"10.0.0.1\","
         "\"mac\":\"AA\",\"interface\":null,\"local_address\":null,"
         "\"outside_local_subnets\":false,\"first_reply_ms\":null,\"first_heard\":null,"
         "\"last_reply_ms\":4200}\n"},
        {start, Style(OutputFormat::Tsv), "2026-12-31T14:45:30.250-05:30\tstart\n"},
        {start, Style(OutputFormat::Csv), "2026-12-31T14:45:30.250-05:30,start\r\n"},
        {start, Style(OutputFormat::Json),
         "{\"time\":\"2026-12-31T14:45:30.250-05:30\",\"event\":\"start\"}\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, FormatEvent(c.event, c.style));

    // A changed device's earlier texts, exact, under "listed".
    const std::string json = FormatEvent(changed, Style(OutputFormat::Json));
    EXPECT_NE(std::string::npos,
              json.find(",\"listed\":{\"chn\":\"=1+2\",\"version\":\"-a,\\\"b\",\"ip\":\"10.0.0.5\","
                        "\"port\":\"8\\\"0\",\"gateway\":\"x\\ty\\u0001\",\"mac\":\"前门\"}}\n"))
        << json;

    // Only csv has a heading line, with the byte order mark when asked for.
    EXPECT_EQ("time,event,chn,version,ip,port,gateway,mac\r\n",
              FormatEventHeading(Style(OutputFormat::Csv)));
    EXPECT_EQ("\xEF\xBB\xBF"
              "time,event,chn,version,ip,port,gateway,mac\r\n",
              FormatEventHeading(Style(OutputFormat::Csv, false, true)));
    EXPECT_EQ("", FormatEventHeading(Style(OutputFormat::Json, false, true)));
}
