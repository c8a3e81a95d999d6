// The Windows window searching simulated devices in the private test network: rows as the devices
// answer, Stop felt at once, the busy reply port said once per search, and closing mid-search.
#include "bc_protocol.h"
#include "device_table.h"
#include "main_window_test.h"
#include "quenlo_dlg.h"
#include "resource.h"
#include "testnet.h"
#include "win32_driver.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

using testnet::DevSim;
using testnet::Probe;
using testnet::TestHost;

namespace {

class Win32Search : public MainWindowTest
{
protected:
    void Click(int id)
    {
        ::SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(dialog.Item(id)));
    }
};

} // namespace

TEST_F(Win32Search, ListsEveryDeviceAsItAnswersAndStopsAtOnce)
{
    DevSim devices(TestHost("a1"), {"--count", "16", "--ip", "10.60.1.101", "--mac",
                                    "00:11:22:33:44:01", "--chn", "前门{n}"});
    DevSim foreign(TestHost("f1"), {"--ip", "192.168.1.64", "--mac", "00:11:22:33:44:F1",
                                    "--broadcast-reply", "--chn", "Yard"});
    Click(IDC_SEARCH);
    EXPECT_TRUE(dialog.Worker().IsSearching());
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 17; })) << ItemCount(list);
    std::set<std::wstring> macs;
    for (int item = 0; item < 17; ++item)
        macs.insert(ItemText(list, item, COL_MAC));
    EXPECT_EQ(17u, macs.size());
    EXPECT_TRUE(macs.count(L"00:11:22:33:44:F1 "));
    EXPECT_EQ(L"正在搜索…    共 17 台设备，1 台在网段外", dialog.ItemText(IDC_STATUS));

    // The foreign device, heard on the second LAN: marked, and its tooltip says where.
    const int foreignRow = [&] {
        for (int item = 0; item < 17; ++item)
            if (ItemText(list, item, COL_MAC) == L"00:11:22:33:44:F1 ")
                return item;
        return -1;
    }();
    ASSERT_GE(foreignRow, 0);
    EXPECT_TRUE(dialog.Presenter().At(foreignRow).heardOn.outsideLocalSubnets);
    EXPECT_TRUE(dialog.Presenter().Marked(foreignRow, COL_IP));
    const std::wstring tipText = HoverToolTip(dialog, foreignRow, COL_IP);
    EXPECT_EQ(0u, tipText.rfind(L"192.168.1.64\r\n", 0)) << tipText.size();
    EXPECT_NE(std::wstring::npos, tipText.find(L"qnb0"));
    EXPECT_NE(std::wstring::npos, tipText.find(L"10.60.2.1"));

    Click(IDC_STOP);
    EXPECT_FALSE(dialog.Worker().IsSearching());
    EXPECT_EQ(L"已停止    共 17 台设备，1 台在网段外", dialog.ItemText(IDC_STATUS));
    // The worker's last act.
    ASSERT_TRUE(PumpUntil([&] { return DeviceTable().Count() == 0; }));
    EXPECT_EQ(17, ItemCount(list));

    // F5 in the list: Stop, then a new search that lists the devices again.
    ::SendMessageW(list, WM_KEYDOWN, VK_F5, 0);
    EXPECT_TRUE(dialog.Worker().IsSearching());
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 17 && dialog.Presenter().Size() == 17; }));
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(Win32Search, ABusyReplyPortEndsTheSearchAndSearchTriesAgain)
{
    auto holder = std::make_unique<Probe>(TestHost("pc"), BC_REPLY_PORT);
    DevSim device(TestHost("a1"), {"--ip", "10.60.1.11"});
    Click(IDC_SEARCH);
    ASSERT_TRUE(PumpUntil([&] { return seams.boxes.size() == 1; }));
    EXPECT_EQ(L"无法监听 UDP 端口 6061，收不到设备的应答。请关闭占用该端口的程序后重新搜索。",
              seams.boxes[0].text);
    EXPECT_EQ(L"test_win32_search", seams.boxes[0].caption);

    // A search that can hear nothing has ended, and says so.
    ASSERT_TRUE(PumpUntil([&] { return !dialog.Worker().IsSearching(); }));
    EXPECT_EQ(L"已停止    共 0 台设备", dialog.ItemText(IDC_STATUS));

    // The other program lets the port go, and Search, as the message says, finds the device.
    holder.reset();
    Click(IDC_SEARCH);
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 1; }));
    EXPECT_EQ(1u, seams.boxes.size());
}

TEST_F(Win32Search, AReaddressedDeviceShowsAsChangedAndAnUnpluggedOneGreysOut)
{
    auto moved = std::make_unique<DevSim>(
        TestHost("f1"), std::vector<std::string>{"--mac", "02:00:00:00:30:01", "--ip",
                                                 "192.168.1.64", "--broadcast-reply"});
    auto unplugged = std::make_unique<DevSim>(
        TestHost("a1"), std::vector<std::string>{"--mac", "02:00:00:00:30:02", "--ip", "10.60.1.60"});
    Click(IDC_SEARCH);
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 2; }));
    const int movedRow = ItemText(list, 0, COL_MAC) == L"02:00:00:00:30:01 " ? 0 : 1;

    // Given its real address, the camera answers from there with its own MAC; the other is gone.
    moved.reset();
    moved = std::make_unique<DevSim>(
        TestHost("f1"), std::vector<std::string>{"--mac", "02:00:00:00:30:01", "--ip",
                                                 "10.60.2.64", "--broadcast-reply"});
    unplugged.reset();
    ASSERT_TRUE(PumpUntil([&] { return dialog.Presenter().Changed(movedRow); }));
    EXPECT_EQ(L"192.168.1.64 ", ItemText(list, movedRow, COL_IP));
    EXPECT_NE(std::wstring::npos, dialog.ItemText(IDC_STATUS).find(L"1 台设备的设置已变"));

    seams.menuChoice = ID_ROW_TAKE_LATEST;
    dialog.OnRowMenu(movedRow, POINT{10, 10});
    EXPECT_EQ(L"10.60.2.64 ", ItemText(list, movedRow, COL_IP));

    ASSERT_TRUE(PumpUntil([&] { return dialog.Presenter().Silent(1 - movedRow); }));
    const std::wstring status = dialog.ItemText(IDC_STATUS);
    EXPECT_EQ(L"正在搜索…    共 2 台设备，1 台无应答", status);
}

TEST_F(Win32Search, HearingNothingTheHintSaysWhatTheFirewallReportsAskedOnceASearch)
{
    seams.firewall = std::vector<ProfileFirewall>{{NetworkProfile::Private, true, false, false},
                                                  {NetworkProfile::Public, true, true, false}};
    Click(IDC_SEARCH);
    const std::wstring publicBlocks =
        L"三个周期内没有收到任何应答：本机连在公用网络上，Windows 防火墙默认拦截其入站应答，而防火墙"
        L"的提示框不勾选公用网络。请按 README-Windows.txt 为 UDP 端口 6061 添加允许规则，或把该网络"
        L"设为专用网络。";
    ASSERT_TRUE(PumpUntil([&] { return dialog.ItemText(IDC_STATUS) == publicBlocks; }));
    EXPECT_EQ(1, seams.firewallAsked);
    // The status line drawn again, by a filter typed and cleared: the hint stays, the firewall is
    // not asked again.
    ::SetDlgItemTextW(dialog.Handle(), IDC_FILTER, L"10.60");
    ::SetDlgItemTextW(dialog.Handle(), IDC_FILTER, L"");
    EXPECT_EQ(publicBlocks, dialog.ItemText(IDC_STATUS));
    EXPECT_EQ(1, seams.firewallAsked);

    // Where the firewall cannot be asked, as under Wine, the hint is the general one.
    Click(IDC_STOP);
    seams.firewall.reset();
    Click(IDC_SEARCH);
    ASSERT_TRUE(PumpUntil([&] {
        return dialog.ItemText(IDC_STATUS)
               == L"三个周期内没有收到任何应答：防火墙可能拦截了发往 UDP 端口 6061 的应答。";
    }));
    EXPECT_EQ(2, seams.firewallAsked);
    EXPECT_TRUE(seams.boxes.empty());
}

TEST_F(Win32Search, ClosingDuringASearchEndsTheWorkerWithTheWindow)
{
    DevSim devices(TestHost("a1"), {"--count", "4", "--ip", "10.60.1.101"});
    Click(IDC_SEARCH);
    ASSERT_TRUE(PumpUntil([&] { return ItemCount(list) == 4; }));
    ::SendMessageW(dialog.Handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_EQ(nullptr, dialog.Handle());
    EXPECT_EQ(0, DeviceTable().Count()) << "closed only once the worker has ended";
    EXPECT_TRUE(seams.boxes.empty());
}
