#include "device_table.h"
#include "heard_on.h"
#include "unlisted_count.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

template <std::size_t N>
void Put(char (&field)[N], const std::string& text)
{
    std::memset(field, 0, N);
    std::memcpy(field, text.data(), std::min(N, text.size()));
}

BCDevNetInfo Record(const std::string& mac, const std::string& ip = "192.168.1.10")
{
    BCDevNetInfo r{};
    Put(r.mac, mac);
    Put(r.ip, ip);
    Put(r.gateway, "192.168.1.1");
    Put(r.chn, "CH");
    Put(r.port, "80");
    Put(r.version, "V1");
    return r;
}

using Buffer = std::array<unsigned char, BC_MAX_DATAGRAM>;

// A zero-filled receive buffer holding a datagram with the given command byte.
Buffer Datagram(unsigned char command)
{
    Buffer buffer{};
    std::memcpy(buffer.data(), BC_MAGIC, sizeof BC_MAGIC);
    buffer[20] = command;
    return buffer;
}

void PutText(Buffer& buffer, std::size_t offset, const std::string& text)
{
    std::memcpy(buffer.data() + offset, text.data(), text.size());
}

class HandleReplyTest : public testing::Test
{
protected:
    void SetUp() override { DeviceTable().Reset(); }
    void TearDown() override { DeviceTable().Reset(); }
};

} // namespace

TEST(DeviceTable, SameMacKeepsTheFirstReplysTexts)
{
    CDeviceTable table;
    table.AddDevice(Record("00:11:22:33:44:55", "192.168.1.10"));
    table.AddDevice(Record("00:11:22:33:44:55", "192.168.1.99"));
    ASSERT_EQ(1, table.Count());
    EXPECT_EQ("192.168.1.10", SlotText(table.Entry(0).ip));
}

TEST(DeviceTable, MacMatchesAnyStoredMacItBeginsWith)
{
    CDeviceTable table;
    table.AddDevice(Record("00:11:22:33:44:55"));
    table.AddDevice(Record("00:11:22:33:44"));
    EXPECT_EQ(1, table.Count()) << "a prefix of a known MAC counts as known";

    CDeviceTable other;
    other.AddDevice(Record("00:11:22:33:44"));
    other.AddDevice(Record("00:11:22:33:44:55"));
    ASSERT_EQ(2, other.Count()) << "a longer MAC than the stored one is new";
    EXPECT_EQ("00:11:22:33:44:55", SlotText(other.Entry(1).mac));
}

TEST(DeviceTable, EmptyMacIsStoredFirstThenMatchesEntryZero)
{
    CDeviceTable table;
    table.AddDevice(Record(""));
    ASSERT_EQ(1, table.Count());
    table.AddDevice(Record(""));
    EXPECT_EQ(1, table.Count());

    CDeviceTable nonEmpty;
    nonEmpty.AddDevice(Record("AA"));
    nonEmpty.AddDevice(Record(""));
    EXPECT_EQ(1, nonEmpty.Count());
}

TEST(DeviceTable, KeepsFirstHeardOrder)
{
    CDeviceTable table;
    for (const char* mac : {"03", "01", "02"})
        table.AddDevice(Record(mac));
    ASSERT_EQ(3, table.Count());
    EXPECT_EQ("03", SlotText(table.Entry(0).mac));
    EXPECT_EQ("01", SlotText(table.Entry(1).mac));
    EXPECT_EQ("02", SlotText(table.Entry(2).mac));
}

TEST(DeviceTable, ResetClearsSlotsSoShorterTextsLeaveNothingBehind)
{
    CDeviceTable table;
    table.AddDevice(Record("AA", "192.168.100.123"));
    table.Reset();
    EXPECT_EQ(0, table.Count());
    table.AddDevice(Record("AA", "10.0.0.5"));
    ASSERT_EQ(1, table.Count());
    const DeviceEntry& e = table.Entry(0);
    EXPECT_EQ("10.0.0.5", SlotText(e.ip));
    EXPECT_EQ(std::string(sizeof e.ip - 8, '\0'), std::string(e.ip + 8, sizeof e.ip - 8));
}

TEST(DeviceTable, FullTableDropsTheNextDeviceAndWritesNothingPastIt)
{
    // The table sits between two guards so that a write past its end shows.
    struct Guarded {
        unsigned char before[64];
        CDeviceTable table;
        unsigned char after[64];
    };
    auto guarded = std::make_unique<Guarded>();
    std::memset(guarded->before, 0x5A, sizeof guarded->before);
    std::memset(guarded->after, 0x5A, sizeof guarded->after);

    for (int i = 0; i < DEVTABLE_CAPACITY + 45; ++i)
        guarded->table.AddDevice(Record("MAC" + std::to_string(i)));

    EXPECT_EQ(DEVTABLE_CAPACITY, guarded->table.Count());
    EXPECT_EQ("MAC254", SlotText(guarded->table.Entry(DEVTABLE_CAPACITY - 1).mac));
    for (unsigned char b : guarded->after)
        ASSERT_EQ(0x5A, b);
    for (unsigned char b : guarded->before)
        ASSERT_EQ(0x5A, b);
    EXPECT_THROW(guarded->table.Entry(DEVTABLE_CAPACITY), std::out_of_range);

    // A known device is still recognised while the table is full.
    guarded->table.AddDevice(Record("MAC7"));
    EXPECT_EQ(DEVTABLE_CAPACITY, guarded->table.Count());
}

TEST(UnlistedCount, DistinctMacsAreCountedExactlyUpToTheBoundThenAsMore)
{
    CUnlistedCount unlisted;
    for (int i = 0; i < MAX_UNLISTED_COUNTED; ++i)
        unlisted.Add("MAC" + std::to_string(i));
    unlisted.Add("MAC0");
    unlisted.Add("MAC" + std::to_string(MAX_UNLISTED_COUNTED - 1));
    EXPECT_EQ(MAX_UNLISTED_COUNTED, unlisted.Count()) << "a device counted once, however often";
    EXPECT_FALSE(UnlistedBeyondCount(unlisted.Count()));
    for (int i = 0; i < 3; ++i)
        unlisted.Add("NEW" + std::to_string(i));
    EXPECT_EQ(MAX_UNLISTED_COUNTED + 1, unlisted.Count());
    EXPECT_TRUE(UnlistedBeyondCount(unlisted.Count()));
}

TEST_F(HandleReplyTest, DeviceInfoReplyStoresTheSixTextsFromTheirOffsets)
{
    Buffer buffer = Datagram(BC_CMD_DEVINFO);
    PutText(buffer, 52, "00:11:22:33:44:55");
    PutText(buffer, 72, "192.168.1.10");
    PutText(buffer, 88, "192.168.1.1");
    PutText(buffer, 104, "CH01");
    PutText(buffer, 114, "80");
    PutText(buffer, 120, "V2.0");

    ASSERT_EQ(0, HandleReply(buffer.data()));
    ASSERT_EQ(1, DeviceTable().Count());
    const DeviceEntry& e = DeviceTable().Entry(0);
    EXPECT_EQ("00:11:22:33:44:55", SlotText(e.mac));
    EXPECT_EQ("192.168.1.10", SlotText(e.ip));
    EXPECT_EQ("192.168.1.1", SlotText(e.gateway));
    EXPECT_EQ("CH01", SlotText(e.chn));
    EXPECT_EQ("80", SlotText(e.port));
    EXPECT_EQ("V2.0", SlotText(e.version));
}

TEST_F(HandleReplyTest, FullWidthTextsTakeTheWholeSlotAndNothingAfterIt)
{
    Buffer buffer = Datagram(BC_CMD_DEVINFO);
    const std::string version(40, 'v');
    PutText(buffer, 52, std::string(20, 'm'));
    PutText(buffer, 104, "0123456789");
    PutText(buffer, 114, "654321");
    PutText(buffer, 120, version);
    PutText(buffer, 160, "after the record"); // the unused rest of the block

    ASSERT_EQ(0, HandleReply(buffer.data()));
    const DeviceEntry& e = DeviceTable().Entry(0);
    EXPECT_EQ(std::string(20, 'm'), SlotText(e.mac));
    EXPECT_EQ("0123456789", SlotText(e.chn));
    EXPECT_EQ("654321", SlotText(e.port));
    EXPECT_EQ(version, SlotText(e.version));
}

TEST_F(HandleReplyTest, ShortDeviceInfoReplyYieldsEmptyTexts)
{
    // A 21-byte reply in a zero-filled buffer: nothing beyond the command byte.
    Buffer buffer = Datagram(BC_CMD_DEVINFO);
    ASSERT_EQ(0, HandleReply(buffer.data()));
    ASSERT_EQ(1, DeviceTable().Count());
    const DeviceEntry& e = DeviceTable().Entry(0);
    for (const std::string& text : {SlotText(e.mac), SlotText(e.ip), SlotText(e.gateway),
                                    SlotText(e.chn), SlotText(e.port), SlotText(e.version)})
        EXPECT_EQ("", text);
}

struct CommandCase {
    unsigned char command;
    int result;
};

class HandleReplyCommand : public HandleReplyTest, public testing::WithParamInterface<CommandCase>
{
};

TEST_P(HandleReplyCommand, OnlyDeviceInfoStoresAndUnknownCommandsAreRejected)
{
    Buffer buffer = Datagram(GetParam().command);
    PutText(buffer, 52, "00:11:22:33:44:55");
    EXPECT_EQ(GetParam().result, HandleReply(buffer.data()));
    EXPECT_EQ(0, DeviceTable().Count());
}

INSTANTIATE_TEST_SUITE_P(Commands, HandleReplyCommand,
                         testing::Values(CommandCase{BC_CMD_IGNORE, 0}, CommandCase{BC_CMD_SEARCH, -2},
                                         CommandCase{0x00, -2}, CommandCase{0x8A, -2},
                                         CommandCase{0xFF, -2}));

TEST_F(HandleReplyTest, StoredRecordDoesNotReferToTheBuffer)
{
    Buffer buffer = Datagram(BC_CMD_DEVINFO);
    PutText(buffer, 52, "AA");
    PutText(buffer, 72, "10.0.0.1");
    ASSERT_EQ(0, HandleReply(buffer.data()));
    buffer.fill(0x41);
    EXPECT_EQ("10.0.0.1", SlotText(DeviceTable().Entry(0).ip));
}

TEST(LiesOutside, FlagsOnlyDottedQuadsInNoneOfTheSubnets)
{
    // 10.60.1.1/24 and 127.0.0.1/8, as an interface lists them: host bits set.
    const std::vector<LocalSubnet> subnets = {{0x0A3C0101u, 0xFFFFFF00u},
                                              {0x7F000001u, 0xFF000000u}};
    const struct {
        const char* ip;
        bool outside;
    } cases[] = {
        {"10.60.1.11", false},   {"10.60.1.255", false},  {"127.200.0.9", false},
        {"10.60.2.11", true},    {"192.168.1.64", true},  {"10.60.0.0", true},
        {"", false},             {"10.60.2", false},      {"10.60.2.11.1", false},
        {"010.60.2.11", true},   {"10.60.1.011", false},  {"10.60.2.256", false},
        {"10.60.2.1x", false},   {" 10.60.2.11 ", true},  {"10.60.2.11\t", false},
        {"10.60..11", false},    {"10.60.2.+1", false},   {"camera", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.outside, LiesOutside(c.ip, subnets)) << '"' << c.ip << '"';
    EXPECT_FALSE(LiesOutside("192.168.1.64", {})) << "with no subnet known nothing is flagged";
}
