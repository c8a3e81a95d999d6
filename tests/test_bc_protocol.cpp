#include "bc_protocol.h"
#include "device_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>

namespace {

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

TEST(SearchRequest, IsTheMagicAndTheSearchCommandOverZeros)
{
    std::array<unsigned char, 64> out;
    out.fill(0xEE);
    BuildSearchRequest(out.data());

    std::array<unsigned char, BC_SEARCH_REQUEST_SIZE> expected{};
    std::memcpy(expected.data(), "Zarquvel", 8);
    expected[20] = 0xA0;
    EXPECT_EQ(0, std::memcmp(out.data(), expected.data(), expected.size()));
    EXPECT_EQ(0xEE, out[BC_SEARCH_REQUEST_SIZE]) << "wrote past the 52 bytes";

    std::array<unsigned char, BC_SEARCH_REQUEST_SIZE> again{};
    BuildSearchRequest(again.data());
    EXPECT_EQ(0, std::memcmp(again.data(), expected.data(), expected.size()));
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

TEST(SlotText, StopsAtTheFirstNulOrTheWidth)
{
    const char full[4] = {'a', 'b', 'c', 'd'};
    const char shorter[4] = {'a', '\0', 'c', 'd'};
    EXPECT_EQ("abcd", SlotText(full));
    EXPECT_EQ("a", SlotText(shorter));
    EXPECT_EQ("ab", SlotText(full, 2));
}
