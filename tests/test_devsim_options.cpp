#include "bc_protocol.h"
#include "device_records.h"
#include "devsim_options.h"
#include "reply_datagram.h"
#include "reply_scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace {

using Arguments = std::vector<std::string>;
using std::chrono::milliseconds;

DevsimOptions Parsed(const Arguments& arguments)
{
    const DevsimCommandLine commandLine = ParseDevsimCommandLine(arguments);
    EXPECT_EQ(commandLine.error, "");
    EXPECT_FALSE(commandLine.showHelp);
    return commandLine.options;
}

std::vector<DeviceRecord> Records(const Arguments& arguments)
{
    std::string error;
    const auto records = BuildDeviceRecords(Parsed(arguments), &error);
    EXPECT_TRUE(records) << error;
    return records.value_or(std::vector<DeviceRecord>{});
}

std::string RecordError(const Arguments& arguments)
{
    std::string error;
    EXPECT_FALSE(BuildDeviceRecords(Parsed(arguments), &error));
    return error;
}

std::string Slot(const std::vector<unsigned char>& reply, std::size_t offset, std::size_t width)
{
    return SlotText(reinterpret_cast<const char*>(reply.data()) + BC_HEADER_SIZE + offset, width);
}

struct GoodCase {
    const char* name;
    Arguments arguments;
    std::function<void(const DevsimOptions&)> check;
};

class GoodCommandLine : public testing::TestWithParam<GoodCase> {};

TEST_P(GoodCommandLine, ParsesTo)
{
    GetParam().check(Parsed(GetParam().arguments));
}

INSTANTIATE_TEST_SUITE_P(
    Devsim, GoodCommandLine,
    testing::Values(
        GoodCase{"Defaults", {},
                 [](const DevsimOptions& o) {
                     EXPECT_EQ(o.count, 1);
                     EXPECT_EQ(o.mac, "00:11:22:33:44:01");
                     EXPECT_EQ(o.ip, "192.168.1.64");
                     EXPECT_FALSE(o.gateway);
                     EXPECT_EQ(o.chn, "CH{n}");
                     EXPECT_EQ(o.faults.copies, 1);
                     EXPECT_FALSE(o.faults.shortLength || o.faults.oversizedLength);
                 }},
        GoodCase{"CountAtItsLimit", {"-n", "10000"},
                 [](const DevsimOptions& o) { EXPECT_EQ(o.count, 10000); }},
        GoodCase{"LastOfTwoValuesCounts", {"-n", "2", "--count", "3"},
                 [](const DevsimOptions& o) { EXPECT_EQ(o.count, 3); }},
        GoodCase{"EmptyTexts", {"--mac", "", "--gateway", ""},
                 [](const DevsimOptions& o) {
                     EXPECT_EQ(o.mac, "");
                     EXPECT_EQ(o.gateway, "");
                 }},
        GoodCase{"Flags", {"--gbk", "--broadcast-reply", "--verbose"},
                 [](const DevsimOptions& o) {
                     EXPECT_TRUE(o.gbk && o.broadcastReply && o.verbose);
                 }},
        GoodCase{"Timing",
                 {"--delay", "3600000", "--jitter", "0", "--seed", "18446744073709551615"},
                 [](const DevsimOptions& o) {
                     EXPECT_EQ(o.delayMs, 3600000);
                     EXPECT_EQ(o.jitterMs, 0);
                     EXPECT_EQ(o.seed, 18446744073709551615ull);
                 }},
        GoodCase{"FaultDefaults", {"--fault", "short", "--fault", "duplicate"},
                 [](const DevsimOptions& o) {
                     EXPECT_EQ(o.faults.shortLength, 21u);
                     EXPECT_EQ(o.faults.copies, 2);
                 }},
        GoodCase{"FaultValuesAtTheLimits",
                 {"--fault", "short=0", "--fault", "duplicate=100", "--fault", "unknown-cmd"},
                 [](const DevsimOptions& o) {
                     EXPECT_EQ(o.faults.shortLength, 0u);
                     EXPECT_EQ(o.faults.copies, 100);
                     EXPECT_TRUE(o.faults.unknownCommand);
                 }},
        GoodCase{"OversizedAndLongVersion",
                 {"--fault", "oversized=65507", "--fault", "long-version", "--fault", "ignore"},
                 [](const DevsimOptions& o) {
                     EXPECT_EQ(o.faults.oversizedLength, 65507u);
                     EXPECT_TRUE(o.faults.longVersion && o.faults.ignoreCommand);
                 }}),
    [](const auto& test) { return std::string(test.param.name); });

struct BadCase {
    Arguments arguments;
    std::string expectedError;
};

class BadCommandLine : public testing::TestWithParam<BadCase> {};

TEST_P(BadCommandLine, NamesTheProblem)
{
    const DevsimCommandLine commandLine = ParseDevsimCommandLine(GetParam().arguments);
    EXPECT_NE(commandLine.error.find(GetParam().expectedError), std::string::npos)
        << commandLine.error;
}

INSTANTIATE_TEST_SUITE_P(
    Devsim, BadCommandLine,
    testing::Values(
        BadCase{{"--count", "0"}, "--count: needs a whole number from 1 to 10000, not '0'"},
        BadCase{{"-n", "10001"}, "not '10001'"},
        BadCase{{"-n", "-1"}, "not '-1'"},
        BadCase{{"-n", "0x10"}, "not '0x10'"},
        BadCase{{"--delay", "3600001"}, "--delay: needs"},
        BadCase{{"--seed", "18446744073709551616"}, "--seed: needs"},
        BadCase{{"--bogus"}, "--bogus"},
        BadCase{{"--fault", "explode"}, "unknown fault 'explode'"},
        BadCase{{"--fault", "ignore=1"}, "--fault ignore takes no value"},
        BadCase{{"--fault", "short=307"}, "--fault short needs a whole number from 0 to 306"},
        BadCase{{"--fault", "oversized=307"}, "from 308 to 65507"},
        BadCase{{"--fault", "oversized=65508"}, "from 308 to 65507"},
        BadCase{{"--fault", "duplicate=1"}, "from 2 to 100"},
        BadCase{{"--fault", "unknown-cmd", "--fault", "ignore"}, "cannot be combined"},
        BadCase{{"--fault", "oversized", "--fault", "short=5"}, "cannot be combined"}));

TEST(DeviceRecords, MacAndIpCountUpWithCarry)
{
    const auto records = Records({"-n", "3", "--mac", "00:11:22:33:44:FE", "--ip", "10.0.0.254"});
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].mac, "00:11:22:33:44:FF");
    EXPECT_EQ(records[2].mac, "00:11:22:33:45:00");
    EXPECT_EQ(records[1].ip, "10.0.0.255");
    EXPECT_EQ(records[2].ip, "10.0.1.0");
    EXPECT_EQ(records[2].gateway, "10.0.0.1");
}

TEST(DeviceRecords, MacKeepsSeparatorAndLetterCase)
{
    const auto records = Records({"-n", "2", "--mac", "aa-bb-cc-dd-ee-ff"});
    EXPECT_EQ(records[1].mac, "aa-bb-cc-dd-ef-00");
}

TEST(DeviceRecords, OneDeviceTakesTextsVerbatim)
{
    const auto records = Records({"--mac", "00:11:22:33:44", "--ip", "not an address"});
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].mac, "00:11:22:33:44");
    EXPECT_EQ(records[0].ip, "not an address");
    EXPECT_EQ(records[0].gateway, "");
}

TEST(DeviceRecords, DeviceNumberReplacesEveryPlaceholder)
{
    const auto records = Records({"-n", "12", "--chn", "A{n}B{n}", "--version", "{n}V{n"});
    EXPECT_EQ(records[0].chn, "A1B1");
    EXPECT_EQ(records[11].chn, "A12B12");
    EXPECT_EQ(records[11].version, "12V{n");
}

TEST(DeviceRecords, GbkEncodesTheChannelName)
{
    const auto records = Records({"-n", "2", "--gbk", "--chn", "摄像机{n}"});
    EXPECT_EQ(records[1].chn, "\xC9\xE3\xCF\xF1\xBB\xFA"
                              "2");
    // Ten bytes in GBK fill the field; the same text in UTF-8 is fifteen.
    EXPECT_EQ(Records({"--gbk", "--chn", "摄像机摄像"})[0].chn.size(), 10u);
    EXPECT_NE(RecordError({"--chn", "摄像机摄像"}).find("15 bytes"), std::string::npos);
    EXPECT_NE(RecordError({"--gbk", "--chn", "摄像机摄像{n}"}).find("11 bytes in GBK"),
              std::string::npos);
    EXPECT_NE(RecordError({"--gbk", "--chn", "\xF0\x9F\x98\x80"}).find("cannot be encoded in GBK"),
              std::string::npos);
}

struct Field {
    const char* option;
    std::size_t width;
};

class FieldWidth : public testing::TestWithParam<Field> {};

TEST_P(FieldWidth, FullFieldFitsAndOneMoreByteIsNamed)
{
    const Field field = GetParam();
    EXPECT_EQ(Records({field.option, std::string(field.width, '7')}).size(), 1u);
    const std::string tooLong(field.width + 1, '7');
    const std::string error = RecordError({field.option, tooLong});
    const std::string expected = std::string(field.option) + " text '" + tooLong + "' is "
                                 + std::to_string(field.width + 1)
                                 + " bytes, longer than its field of "
                                 + std::to_string(field.width) + " bytes";
    EXPECT_EQ(error, expected);
}

INSTANTIATE_TEST_SUITE_P(Devsim, FieldWidth,
                         testing::Values(Field{"--mac", 20}, Field{"--ip", 16},
                                         Field{"--gateway", 16}, Field{"--chn", 10},
                                         Field{"--port", 6}, Field{"--version", 40}));

TEST(DeviceRecords, LastDeviceNumberCanOverflowTheChannel)
{
    EXPECT_EQ(Records({"-n", "100", "--chn", "Channel{n}"})[99].chn, "Channel100");
    EXPECT_NE(RecordError({"-n", "1000", "--chn", "Channel{n}"}).find("'Channel1000' is 11 bytes"),
              std::string::npos);
}

class BadSequence : public testing::TestWithParam<Arguments> {};

TEST_P(BadSequence, IsRefusedForManyDevices)
{
    Arguments arguments = GetParam();
    const std::string option = arguments[0];
    arguments.insert(arguments.end(), {"-n", "2"});
    EXPECT_EQ(RecordError(arguments).rfind(option + " '", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Devsim, BadSequence,
    testing::Values(Arguments{"--mac", "00:11:22:33:44"}, Arguments{"--mac", "00:11-22:33:44:55"},
                    Arguments{"--mac", "00:11:22:33:44:0g"},
                    Arguments{"--mac", "ff:ff:ff:ff:ff:ff"}, Arguments{"--ip", "192.168.1.256"},
                    Arguments{"--ip", "192.168.01.1"}, Arguments{"--ip", "1.2.3"},
                    Arguments{"--ip", "255.255.255.255"}));

DeviceRecord FullRecord()
{
    DeviceRecord record;
    record.mac = "AA:BB:CC:DD:EE:FF:00"; // fills its field
    record.ip = "10.60.1.11";
    record.gateway = "10.60.1.1";
    record.chn = "CH1";
    record.port = "80";
    record.version = "V1.0.0";
    return record;
}

TEST(Reply, CarriesTheRecordInItsFields)
{
    const std::vector<unsigned char> reply = BuildReply(FullRecord(), DevsimFaults{});
    ASSERT_EQ(reply.size(), BC_DEVINFO_REPLY_SIZE);
    EXPECT_TRUE(std::equal(BC_MAGIC, BC_MAGIC + sizeof BC_MAGIC, reply.begin()));
    EXPECT_EQ(reply[BC_COMMAND_OFFSET], BC_CMD_DEVINFO);
    EXPECT_EQ(Slot(reply, offsetof(BCDevNetInfo, mac), 20), FullRecord().mac);
    EXPECT_EQ(Slot(reply, offsetof(BCDevNetInfo, ip), 16), "10.60.1.11");
    EXPECT_EQ(Slot(reply, offsetof(BCDevNetInfo, gateway), 16), "10.60.1.1");
    EXPECT_EQ(Slot(reply, offsetof(BCDevNetInfo, chn), 10), "CH1");
    EXPECT_EQ(Slot(reply, offsetof(BCDevNetInfo, port), 6), "80");
    EXPECT_EQ(Slot(reply, offsetof(BCDevNetInfo, version), 40), "V1.0.0");
}

struct FaultCase {
    const char* name;
    Arguments faults;
    std::size_t length;
    int command; // -1 when the datagram is too short to hold one
};

class FaultyReply : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultyReply, HasTheLengthAndCommandByte)
{
    const DevsimOptions options = Parsed(GetParam().faults);
    const std::vector<unsigned char> reply = BuildReply(FullRecord(), options.faults);
    ASSERT_EQ(reply.size(), GetParam().length);
    if (GetParam().command >= 0) {
        EXPECT_EQ(reply[BC_COMMAND_OFFSET], GetParam().command);
    }
    for (std::size_t i = BC_DEVINFO_REPLY_SIZE; i < reply.size(); ++i)
        ASSERT_EQ(reply[i], 0) << "padding byte " << i;
}

INSTANTIATE_TEST_SUITE_P(
    Devsim, FaultyReply,
    testing::Values(FaultCase{"UnknownCommand", {"--fault", "unknown-cmd"}, 307, 0x55},
                    FaultCase{"Ignore", {"--fault", "ignore"}, 307, BC_CMD_IGNORE},
                    FaultCase{"ShortKeepsCommandByte", {"--fault", "short"}, 21, BC_CMD_DEVINFO},
                    FaultCase{"ShortEmpty", {"--fault", "short=0"}, 0, -1},
                    FaultCase{"Oversized", {"--fault", "oversized", "--fault", "ignore"}, 1501,
                              BC_CMD_IGNORE},
                    FaultCase{"DuplicateLeavesBytesAlone", {"--fault", "duplicate=5"}, 307,
                              BC_CMD_DEVINFO}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(Reply, LongVersionFillsItsFieldWithoutNul)
{
    const std::vector<unsigned char> reply =
        BuildReply(FullRecord(), Parsed({"--fault", "long-version"}).faults);
    const std::string version = Slot(reply, offsetof(BCDevNetInfo, version), 40);
    EXPECT_EQ(version.size(), 40u);
    EXPECT_EQ(version[0], 'V');
    for (const char c : version)
        EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << version;
}

TEST(SearchRequest, OnlyTheExactRequestIsValid)
{
    unsigned char request[BC_SEARCH_REQUEST_SIZE + 1] = {};
    BuildSearchRequest(request);
    EXPECT_TRUE(IsSearchRequest(request, BC_SEARCH_REQUEST_SIZE));
    EXPECT_FALSE(IsSearchRequest(request, BC_SEARCH_REQUEST_SIZE - 1));
    EXPECT_FALSE(IsSearchRequest(request, BC_SEARCH_REQUEST_SIZE + 1));
    request[BC_SEARCH_REQUEST_SIZE - 1] = 1;
    EXPECT_FALSE(IsSearchRequest(request, BC_SEARCH_REQUEST_SIZE));
}

using Clock = ReplyScheduler::Clock;

TEST(ReplyScheduler, SendsEachCopyOfADeviceBeforeTheNextDevice)
{
    ReplyScheduler scheduler(2, milliseconds(0), milliseconds(0), 3, 1);
    const Clock::time_point arrival = Clock::now();
    scheduler.ScheduleRequest(arrival, {0x7F000001, 2});
    std::vector<std::size_t> sent;
    while (const PendingReply* reply = scheduler.DueReply(arrival)) {
        EXPECT_EQ(reply->target.address, 0x7F000001u);
        EXPECT_EQ(reply->target.interfaceIndex, 2);
        sent.push_back(reply->deviceIndex);
        scheduler.CopySent();
    }
    EXPECT_EQ(sent, (std::vector<std::size_t>{0, 0, 0, 1, 1, 1}));
    EXPECT_TRUE(scheduler.Empty());
}

std::vector<Clock::duration> DueOffsets(std::uint64_t seed)
{
    ReplyScheduler scheduler(50, milliseconds(100), milliseconds(20), 1, seed);
    const Clock::time_point arrival = Clock::now();
    scheduler.ScheduleRequest(arrival, {});
    EXPECT_EQ(scheduler.DueReply(arrival + milliseconds(100) - std::chrono::microseconds(1)),
              nullptr);
    std::vector<Clock::duration> offsets;
    while (!scheduler.Empty()) {
        const PendingReply* reply = scheduler.DueReply(scheduler.NextDue());
        offsets.push_back(reply->due - arrival);
        scheduler.Discard();
    }
    return offsets;
}

TEST(ReplyScheduler, JitterStaysInRangeComesInDueOrderAndFollowsTheSeed)
{
    const std::vector<Clock::duration> offsets = DueOffsets(42);
    ASSERT_EQ(offsets.size(), 50u);
    EXPECT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
    EXPECT_GE(offsets.front(), milliseconds(100));
    EXPECT_LE(offsets.back(), milliseconds(120));
    EXPECT_GT(offsets.back() - offsets.front(), milliseconds(10));
    EXPECT_EQ(DueOffsets(42), offsets);
    EXPECT_NE(DueOffsets(43), offsets);
}

TEST(ReplyScheduler, DropsAndCountsRepliesBeyondTheLimit)
{
    ReplyScheduler scheduler(3, milliseconds(0), milliseconds(0), 1, 1, 5);
    EXPECT_EQ(scheduler.ScheduleRequest(Clock::now(), {}), 0u);
    EXPECT_EQ(scheduler.ScheduleRequest(Clock::now(), {}), 1u);
    EXPECT_EQ(scheduler.ScheduleRequest(Clock::now(), {}), 3u);
    EXPECT_EQ(scheduler.PendingCount(), 5u);
    EXPECT_EQ(scheduler.DroppedCount(), 4u);
}

} // namespace
