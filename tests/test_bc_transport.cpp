// The socket operations end to end, in the private test network.
#include "bc_protocol.h"
#include "bc_transport.h"
#include "device_table.h"
#include "diagnostic_capture.h"
#include "testnet.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <thread>
#include <vector>

using namespace std::chrono_literals;
using testnet::DevSim;
using testnet::Probe;
using testnet::TestHost;

namespace {

using Buffer = std::array<unsigned char, BC_MAX_DATAGRAM>;

std::vector<unsigned char> SearchRequest()
{
    std::vector<unsigned char> request(BC_SEARCH_REQUEST_SIZE);
    BuildSearchRequest(request.data());
    return request;
}

int Broadcast()
{
    const std::vector<unsigned char> request = SearchRequest();
    return OnHandleSendBC(request.data(), request.size());
}

// A device-info reply whose record carries mac.
std::vector<unsigned char> Reply(const std::string& mac, std::size_t length = BC_DEVINFO_REPLY_SIZE)
{
    std::vector<unsigned char> reply(length);
    reply[20] = BC_CMD_DEVINFO;
    std::memcpy(reply.data() + 52, mac.data(), mac.size());
    return reply;
}

// Receives on the reply socket until count devices are known or the limit passes. With heard,
// notes where each new device's reply came in, by MAC.
void ReceiveDevices(bc_socket_t socket, int count, std::chrono::milliseconds limit,
                    std::map<std::string, HeardOn>* heard = nullptr)
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    Buffer buffer{};
    udp::Waker neverWoken;
    while (DeviceTable().Count() < count && std::chrono::steady_clock::now() < deadline) {
        neverWoken.Wait(socket, 50);
        buffer.fill(0);
        const int known = DeviceTable().Count();
        HeardOn heardOn;
        OnHandleRecvBC(buffer.data(), socket, &heardOn);
        if (heard && DeviceTable().Count() > known)
            (*heard)[SlotText(DeviceTable().Entry(known).mac)] = heardOn;
    }
}

class Transport : public testing::Test
{
protected:
    void SetUp() override { DeviceTable().Reset(); }
    void TearDown() override
    {
        if (replySocket_ >= 0)
            udp::Close(replySocket_);
        DeviceTable().Reset();
    }

    bc_socket_t OpenReplySocket()
    {
        replySocket_ = ZkRecvBCSock();
        return replySocket_;
    }

    bc_socket_t replySocket_ = -1;
};

} // namespace

TEST_F(Transport, RequestReachesEveryLanOnceFromThatLansOwnAddress)
{
    Probe onA(TestHost("a1"), BC_SEARCH_PORT);
    Probe onB(TestHost("b1"), BC_SEARCH_PORT);
    Probe foreign(TestHost("f1"), BC_SEARCH_PORT);

    ASSERT_EQ(0, Broadcast());

    const std::vector<unsigned char> expected = SearchRequest();
    const auto seenOnA = onA.Collect(300ms);
    const auto seenOnB = onB.Collect(100ms);
    const auto seenForeign = foreign.Collect(100ms);
    ASSERT_EQ(1u, seenOnA.size());
    ASSERT_EQ(1u, seenOnB.size());
    ASSERT_EQ(1u, seenForeign.size()) << "a device outside the PC's subnets hears the broadcast";
    EXPECT_EQ(expected, seenOnA[0].bytes);
    EXPECT_EQ(expected, seenOnB[0].bytes);
    EXPECT_EQ(TestHost("pc").address, seenOnA[0].from);
    EXPECT_EQ(std::getenv("QUENLO_ADDR_PC_B"), seenOnB[0].from);
}

// Address labels are Linux's own.
#ifndef _WIN32
TEST_F(Transport, ALabelledAliasOnALanAddsNoSecondRequest)
{
    // An address of another subnet on LAN A's interface, under a label of its own.
    ASSERT_EQ(0, std::system("ip addr add 10.70.1.2/24 dev qna0 label qna0:1"));
    Probe onA(TestHost("a1"), BC_SEARCH_PORT);
    const int sent = Broadcast();
    const auto seenOnA = onA.Collect(300ms);
    EXPECT_EQ(0, std::system("ip addr del 10.70.1.2/24 dev qna0"));

    ASSERT_EQ(0, sent);
    ASSERT_EQ(1u, seenOnA.size());
    EXPECT_EQ(TestHost("pc").address, seenOnA[0].from) << "sent from the interface's primary";
}
#endif

// A Windows process cannot move a thread to the host that has nothing but loopback.
#ifndef _WIN32
TEST_F(Transport, WithNoBroadcastInterfaceSendsFromAnUnboundSocket)
{
    // Only loopback here, as with the only cable pulled: the unbound send finds no route, and
    // the request is said not to have gone out.
    testnet::NamespaceScope inside(TestHost("empty"));
    DiagnosticCapture diagnostics;
    EXPECT_EQ(-2, Broadcast());
    EXPECT_EQ("", diagnostics.Text());
}
#endif

TEST_F(Transport, RepliesFromBothLansAndTheForeignSubnetReachTheTableWithWhereTheyCameIn)
{
    const bc_socket_t socket = OpenReplySocket();
    ASSERT_GE(socket, 0);
    DevSim a1(TestHost("a1"), {"--mac", "00:11:22:00:00:A1", "--ip", "10.60.1.11"});
    DevSim b1(TestHost("b1"), {"--mac", "00:11:22:00:00:B1", "--ip", "10.60.2.11"});
    DevSim f1(TestHost("f1"), {"--mac", "00:11:22:00:00:F1", "--ip", "192.168.1.64",
                               "--broadcast-reply"});

    ASSERT_EQ(0, Broadcast());
    std::map<std::string, HeardOn> heard;
    ReceiveDevices(socket, 3, 3s, &heard);

    ASSERT_EQ(3, DeviceTable().Count());
    std::vector<std::string> macs;
    for (int i = 0; i < 3; ++i)
        macs.push_back(SlotText(DeviceTable().Entry(i).mac));
    std::sort(macs.begin(), macs.end());
    EXPECT_EQ((std::vector<std::string>{"00:11:22:00:00:A1", "00:11:22:00:00:B1",
                                        "00:11:22:00:00:F1"}),
              macs);

    // The PC's links as testnet.sh names them; the foreign device's broadcast comes in on LAN B.
    const std::uint32_t pcA = testnet::ParseAddress(TestHost("pc").address);
    const std::uint32_t pcB = testnet::ParseAddress(std::getenv("QUENLO_ADDR_PC_B"));
    EXPECT_EQ("qna0", heard["00:11:22:00:00:A1"].interfaceName);
    EXPECT_EQ(pcA, heard["00:11:22:00:00:A1"].localAddress);
    EXPECT_EQ("qnb0", heard["00:11:22:00:00:B1"].interfaceName);
    EXPECT_EQ(pcB, heard["00:11:22:00:00:B1"].localAddress);
    EXPECT_EQ("qnb0", heard["00:11:22:00:00:F1"].interfaceName);
    EXPECT_EQ(pcB, heard["00:11:22:00:00:F1"].localAddress);

    const std::vector<LocalSubnet> subnets = udp::LocalSubnets();
    EXPECT_FALSE(LiesOutside("10.60.1.11", subnets));
    EXPECT_FALSE(LiesOutside("10.60.2.11", subnets));
    EXPECT_FALSE(LiesOutside("127.0.0.1", subnets));
    EXPECT_TRUE(LiesOutside("192.168.1.64", subnets));
}

TEST_F(Transport, ReplyTextsArriveAsTheDeviceSentThem)
{
    const bc_socket_t socket = OpenReplySocket();
    ASSERT_GE(socket, 0);
    DevSim device(TestHost("a2"), {"--mac", "00:11:22:33:44:55", "--ip", "10.60.1.12", "--gateway",
                                   "10.60.1.254", "--port", "8080", "--chn", "Gate{n}",
                                   "--version", "V5.5.0 build 1"});
    ASSERT_EQ(0, Broadcast());
    ReceiveDevices(socket, 1, 3s);

    ASSERT_EQ(1, DeviceTable().Count());
    const DeviceEntry& e = DeviceTable().Entry(0);
    EXPECT_EQ("00:11:22:33:44:55", SlotText(e.mac));
    EXPECT_EQ("10.60.1.12", SlotText(e.ip));
    EXPECT_EQ("10.60.1.254", SlotText(e.gateway));
    EXPECT_EQ("Gate1", SlotText(e.chn));
    EXPECT_EQ("8080", SlotText(e.port));
    EXPECT_EQ("V5.5.0 build 1", SlotText(e.version));
}

TEST_F(Transport, NothingWaitingReturnsAtOnceAndSaysNothing)
{
    const bc_socket_t socket = OpenReplySocket();
    ASSERT_GE(socket, 0);
    Buffer buffer{};
    DiagnosticCapture diagnostics;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(-2, OnHandleRecvBC(buffer.data(), socket));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << "the reply socket blocks";
    EXPECT_EQ("", diagnostics.Text());
}

TEST_F(Transport, BusyReplyPortGivesTheBindDiagnostic)
{
    Probe holder(TestHost("pc"), BC_REPLY_PORT);
    DiagnosticCapture diagnostics;
    EXPECT_EQ(-1, OpenReplySocket());
    EXPECT_EQ("netserver  CQuenlo::ZkRecvBCSock (bind): INVALID_SOCKET == iRet !\n",
              diagnostics.Text());

    Buffer buffer{};
    EXPECT_EQ(-2, OnHandleRecvBC(buffer.data(), -1)) << "a failed socket reads nothing";
}

TEST_F(Transport, WaitingDatagramsAreTakenOneACallAndOversizedOnesAreDropped)
{
    const bc_socket_t socket = OpenReplySocket();
    ASSERT_GE(socket, 0);
    Probe sender(TestHost("pc"), 0);
    sender.SendTo(Reply("00:00:00:00:00:01"), "127.0.0.1", BC_REPLY_PORT);
    sender.SendTo(Reply("00:00:00:00:00:02", BC_MAX_DATAGRAM + 1), "127.0.0.1", BC_REPLY_PORT);
    sender.SendTo(Reply("00:00:00:00:00:03", BC_MAX_DATAGRAM), "127.0.0.1", BC_REPLY_PORT);
    std::vector<unsigned char> unknown = Reply("00:00:00:00:00:04");
    unknown[20] = BC_CMD_SEARCH;
    sender.SendTo(unknown, "127.0.0.1", BC_REPLY_PORT);
    std::this_thread::sleep_for(100ms);

    Buffer buffer{};
    DiagnosticCapture diagnostics;
    EXPECT_EQ(0, OnHandleRecvBC(buffer.data(), socket));
    EXPECT_EQ(1, DeviceTable().Count());
    EXPECT_EQ(-2, OnHandleRecvBC(buffer.data(), socket)) << "the 1501-byte datagram is dropped";
    EXPECT_EQ(1, DeviceTable().Count());
    buffer.fill(0);
    EXPECT_EQ(0, OnHandleRecvBC(buffer.data(), socket)) << "1500 bytes fit";
    EXPECT_EQ(2, DeviceTable().Count());
    buffer.fill(0);
    EXPECT_EQ(0, OnHandleRecvBC(buffer.data(), socket));
    EXPECT_EQ(2, DeviceTable().Count());
    EXPECT_EQ(-2, OnHandleRecvBC(buffer.data(), socket));
    EXPECT_EQ("netserver OnHandleRecvBC : send broad cast failed!\n", diagnostics.Text());
    EXPECT_EQ("00:00:00:00:00:03", SlotText(DeviceTable().Entry(1).mac));
}

TEST_F(Transport, ReplySocketHoldsAFullTablesBurst)
{
    const bc_socket_t socket = OpenReplySocket();
    ASSERT_GE(socket, 0);
    Probe sender(TestHost("pc"), 0);
    for (int i = 0; i < DEVTABLE_CAPACITY; ++i)
        sender.SendTo(Reply("MAC" + std::to_string(1000 + i)), "127.0.0.1", BC_REPLY_PORT);
    std::this_thread::sleep_for(100ms);

    Buffer buffer{};
    while (OnHandleRecvBC(buffer.data(), socket) == 0)
        buffer.fill(0);
    EXPECT_EQ(DEVTABLE_CAPACITY, DeviceTable().Count()) << "replies were lost in the queue";
}
