#include "device_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

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
