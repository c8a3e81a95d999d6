// The list while the network changes: when a listed device counts as changed, silent and back,
// what a full list says, and what the window is told of each, and when.
#include "device_list_bridge.h"
#include "device_liveness.h"
#include "list_presenter.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::u16string Strings(int id)
{
    switch (id) {
    case IDS_STATUS_SEARCHING:
        return u"searching";
    case IDS_STATUS_COUNT:
        return u"%1 devices";
    case IDS_STATUS_CHANGED:
        return u"%1 changed";
    case IDS_STATUS_SILENT:
        return u"%1 silent";
    case IDS_STATUS_FULL:
        return u"full, %1 more";
    case IDS_STATUS_FULL_MORE:
        return u"full, over %1 more";
    case IDS_NO_NETWORK:
        return u"no network";
    case IDS_TIP_CHANGED:
        return u"now:";
    case IDS_TIP_CHANGED_FIELD:
        return u"%1 %2>%3";
    case IDS_TIP_SILENT:
        return u"silent since %1";
    default:
        return {};
    }
}

// UTF-8 of text in the Basic Multilingual Plane, for messages that read as the window shows.
std::string Narrow(std::u16string_view text)
{
    std::string utf8;
    for (const char16_t c : text) {
        if (c < 0x80) {
            utf8 += static_cast<char>(c);
        } else if (c < 0x800) {
            utf8 += static_cast<char>(0xC0 | c >> 6);
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            utf8 += static_cast<char>(0xE0 | c >> 12);
            utf8 += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            utf8 += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return utf8;
}

RowCells Cells(const std::u16string& ip, const std::u16string& chn = u"cam ")
{
    return {chn, u"V1 ", ip, u"80 ", u"10.0.0.1 ", u"AA "};
}

BCDevNetInfo Record(const char* mac, const char* ip)
{
    BCDevNetInfo record{};
    std::strncpy(record.mac, mac, sizeof record.mac);
    std::strncpy(record.ip, ip, sizeof record.ip);
    return record;
}

// Lists a device through the bridge as the worker does.
int List(CDeviceListBridge& bridge, const BCDevNetInfo& record)
{
    const int row = bridge.AppendRow();
    bridge.SetCellText(row, COL_IP, std::u16string(record.ip, record.ip + std::strlen(record.ip)) + u" ");
    bridge.SetCellText(row, COL_MAC, std::u16string(record.mac, record.mac + std::strlen(record.mac)) + u" ");
    bridge.SetRecord(row, record);
    bridge.TurnRedrawOn();
    return row;
}

// A new search's first batch: three devices at 10.0.0.<first>, <first + step>, ..., with MACs
// M0, M1, M2.
ListUpdate ThreeDevices(char16_t first, int step)
{
    ListUpdate update;
    update.cleared = true;
    for (RowId id = 0; id < 3; ++id) {
        DeviceRow row;
        row.id = id;
        row.cells = Cells(u"10.0.0." + std::u16string(1, char16_t(first + step * id)) + u" ");
        row.cells[COL_MAC] = u"M" + std::u16string(1, char16_t(u'0' + id)) + u" ";
        row.listed = row.latest = row.cells;
        update.rows.push_back(row);
    }
    return update;
}

} // namespace

TEST(LiveList, ADeviceIsToldOnlyWhenItSaysSomethingNewOrFallsSilentOrComesBack)
{
    const WallClock::time_point t0{};
    const struct Step {
        enum { Heard, CycleEnd } what;
        std::u16string ip;        // Heard: what the reply carries
        bool told;                // Heard: the window hears of it; CycleEnd: the device fell silent
        bool back;
    } steps[] = {
        // Listed in cycle 0 at 10.0.0.5; the same reply again and again is nothing new.
        {Step::Heard, u"10.0.0.5 ", false, false},
        {Step::CycleEnd, {}, false, false},
        {Step::Heard, u"10.0.0.5 ", false, false},
        // Re-addressed: told once, then quiet again.
        {Step::Heard, u"10.0.0.9 ", true, false},
        {Step::Heard, u"10.0.0.9 ", false, false},
        {Step::CycleEnd, {}, false, false}, // cycle 1, heard
        {Step::CycleEnd, {}, false, false}, // cycle 2, silent once
        {Step::CycleEnd, {}, false, false}, // cycle 3, twice
        {Step::CycleEnd, {}, true, false},  // cycle 4, three times: silent
        {Step::CycleEnd, {}, false, false}, // said once
        // It answers again, with the texts it had: back.
        {Step::Heard, u"10.0.0.9 ", true, true},
        {Step::Heard, u"10.0.0.9 ", false, false},
        {Step::CycleEnd, {}, false, false},
    };
    CDeviceLiveness liveness;
    liveness.Listed(7, Cells(u"10.0.0.5 "), {}, t0);
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const Step& step = steps[i];
        if (step.what == Step::Heard) {
            const auto told = liveness.Heard(7, Cells(step.ip), {}, t0 + std::chrono::seconds(i));
            ASSERT_EQ(step.told, told.has_value()) << "step " << i;
            if (told) {
                EXPECT_EQ(step.back, told->back) << "step " << i;
                EXPECT_EQ(step.ip, told->cells[COL_IP]) << "step " << i;
            }
        } else {
            const std::vector<SilentDevice> silent = liveness.CycleEnded();
            ASSERT_EQ(step.told ? 1u : 0u, silent.size()) << "step " << i;
            if (step.told) {
                EXPECT_EQ(7, silent[0].row);
                EXPECT_EQ(t0 + std::chrono::seconds(4), silent[0].lastHeard) << "its last reply";
            }
        }
    }
    EXPECT_FALSE(liveness.Heard(8, Cells(u"10.0.0.1 "), {}, t0)) << "a row never listed";

    // Where a reply comes in counts as something new too: the device moved to another card.
    HeardOn other;
    other.interfaceName = "eth1";
    EXPECT_TRUE(liveness.Heard(7, Cells(u"10.0.0.9 "), other, t0));
    liveness.Clear();
    EXPECT_FALSE(liveness.Heard(7, Cells(u"10.0.0.1 "), {}, t0)) << "a new search forgets";
}

TEST(LiveList, TheBridgeHandsOverTheLatestOfEachRowAndSaysWhenRequestsStopOrStartGoingOut)
{
    CDeviceListBridge bridge([] { return true; });
    bridge.DeleteAllRows();
    const int row = List(bridge, Record("AA", "10.0.0.5"));
    bridge.SetLatestReply(row, Record("AA", "10.0.0.6"), {});
    bridge.SetLatestReply(row, Record("AA", "10.0.0.7"), {});
    ListUpdate update = bridge.TakeUpdate();
    ASSERT_EQ(1u, update.rows.size());
    ASSERT_EQ(1u, update.latest.size()) << "one per row, the latest";
    EXPECT_EQ(u"10.0.0.7 ", update.latest[0].cells[COL_IP]);

    // Silent, then back at once, within one batch: the reply comes last and carries the silence
    // it ended, so that neither goes untold.
    for (int cycle = 0; cycle <= SILENT_CYCLES; ++cycle)
        bridge.OnCycleEnded(false);
    bridge.SetLatestReply(row, Record("AA", "10.0.0.7"), {});
    update = bridge.TakeUpdate();
    EXPECT_TRUE(update.silent.empty());
    ASSERT_EQ(1u, update.latest.size());
    EXPECT_TRUE(update.latest[0].back);
    EXPECT_TRUE(update.latest[0].endedSilence.has_value());
    for (int cycle = 0; cycle <= SILENT_CYCLES; ++cycle)
        bridge.OnCycleEnded(false);
    EXPECT_EQ(1u, bridge.TakeUpdate().silent.size());
    bridge.SetLatestReply(row, Record("AA", "10.0.0.7"), {});
    update = bridge.TakeUpdate();
    ASSERT_EQ(1u, update.latest.size());
    EXPECT_FALSE(update.latest[0].endedSilence) << "a silence already taken is not told twice";

    bridge.OnRequestNotSent();
    bridge.OnRequestNotSent();
    EXPECT_EQ(false, bridge.TakeUpdate().requestsSent) << "said once, at once";
    bridge.OnCycleEnded(true);
    EXPECT_FALSE(bridge.TakeUpdate().requestsSent.has_value()) << "that cycle sent nothing either";
    bridge.OnCycleEnded(true);
    EXPECT_EQ(true, bridge.TakeUpdate().requestsSent);

    // The cards are told when they change, not every cycle.
    const std::vector<NetworkCard> cards = {{"eth1", {0x0A000002u}, true}};
    bridge.OnCardsUsed(cards);
    EXPECT_EQ(cards, bridge.TakeUpdate().cards);
    bridge.OnCardsUsed(cards);
    EXPECT_FALSE(bridge.TakeUpdate().cards.has_value());
    bridge.OnCardsUsed({{"eth1", {0x0A000002u}, false}});
    EXPECT_TRUE(bridge.TakeUpdate().cards.has_value()) << "the card could not send this time";

    bridge.OnUnlistedDevices(1);
    bridge.OnUnlistedDevices(2);
    EXPECT_EQ(2, bridge.TakeUpdate().unlisted);
    bridge.DeleteAllRows();
    EXPECT_EQ(0, bridge.TakeUpdate().unlisted) << "a new search";
}

TEST(LiveList, TheListSaysWhatChangedWhatIsSilentAndHowManyItCouldNotTake)
{
    CListPresenter presenter(Strings);
    presenter.Apply(ThreeDevices(u'1', 1));
    EXPECT_EQ("searching    3 devices", Narrow(presenter.StatusText(true)));

    // Row 0 re-addressed and renamed, row 1 silent, row 2 edited to row 0's new address.
    ListUpdate live;
    live.latest.push_back({0, Cells(u"10.0.0.9 ", u"gate "), {}, false, std::nullopt});
    live.silent.push_back({1, WallClock::time_point{}});
    live.unlisted = 4;
    ListChange change = presenter.Apply(live);
    EXPECT_TRUE(change.repaint);
    EXPECT_TRUE(presenter.Changed(0));
    EXPECT_FALSE(presenter.Changed(1));
    EXPECT_EQ(CellMark::Changed, presenter.Mark(0, COL_CHN));
    EXPECT_TRUE(presenter.Silent(1));
    EXPECT_EQ("searching    3 devices，1 changed，1 silent    full, 4 more",
              Narrow(presenter.StatusText(true)));
    // The count is exact up to its bound, and says "more" beyond it.
    const auto fullText = [&presenter](int unlisted) {
        ListUpdate flood;
        flood.unlisted = unlisted;
        presenter.Apply(flood);
        const std::string status = Narrow(presenter.StatusText(true));
        return status.substr(status.rfind("    ") + 4);
    };
    EXPECT_EQ("full, 10000 more", fullText(MAX_UNLISTED_COUNTED));
    EXPECT_EQ("full, over 10000 more", fullText(MAX_UNLISTED_COUNTED + 1));
    const std::vector<std::u16string> tip = presenter.ToolTip(0, COL_MAC);
    ASSERT_GE(tip.size(), 3u);
    EXPECT_EQ("now:", Narrow(tip[tip.size() - 3]));
    EXPECT_EQ("IP 10.0.0.1>10.0.0.9", Narrow(tip[tip.size() - 2]));
    EXPECT_EQ("chn cam>gate", Narrow(tip.back()));
    EXPECT_EQ(0u, Narrow(presenter.ToolTip(1, COL_IP).back()).rfind("silent since ", 0));
    EXPECT_EQ("http://10.0.0.1:80", Narrow(presenter.WebPage(0).url)) << "the row shows the old";

    // An edit of the cells hides no duplicate address: the marks follow what devices report.
    presenter.TakeSnapshot(2);
    presenter.Snapshot().ip = u"10.0.0.9 ";
    presenter.WriteBackSnapshot();
    EXPECT_FALSE(presenter.Marked(2, COL_IP));
    ListUpdate same;
    same.latest.push_back({2, Cells(u"10.0.0.9 "), {}, false, std::nullopt});
    presenter.Apply(same);
    EXPECT_TRUE(presenter.Marked(0, COL_IP));
    EXPECT_TRUE(presenter.Marked(2, COL_IP));

    // Taking the new texts in: the row is listed with them, and opens the new address.
    presenter.TakeLatest(0);
    EXPECT_FALSE(presenter.Changed(0));
    EXPECT_EQ(u"gate ", presenter.At(0).cells[COL_CHN]);
    EXPECT_EQ("http://10.0.0.9:80", Narrow(presenter.WebPage(0).url));
    EXPECT_TRUE(presenter.TakeLatest(1).steps.empty()) << "nothing to take";

    // The silent device answers again; a deleted one's replies change nothing.
    ListUpdate back;
    back.latest.push_back({1, Cells(u"10.0.0.2 "), {}, true, std::nullopt});
    back.latest.push_back({42, Cells(u"10.0.0.3 "), {}, false, std::nullopt});
    presenter.Apply(back);
    EXPECT_FALSE(presenter.Silent(1));
    EXPECT_EQ(3, presenter.Size());

    ListUpdate down;
    down.requestsSent = false;
    presenter.Apply(down);
    EXPECT_EQ("no network", Narrow(presenter.StatusText(true)));
    EXPECT_NE("no network", Narrow(presenter.StatusText(false))) << "said while searching only";
    ListUpdate fresh;
    fresh.cleared = true;
    presenter.Apply(fresh);
    EXPECT_EQ("searching    0 devices", Narrow(presenter.StatusText(true)));
}

TEST(LiveList, ASearchAfreshKeepsTheOrderTheWidthsAndTheSelectionAsTheRowsComeBack)
{
    CListPresenter presenter(Strings);
    const ListUpdate first = ThreeDevices(u'3', -1);
    presenter.Apply(first);
    presenter.SortBy(COL_IP);
    presenter.KeepOperatorsColumnWidths();
    presenter.KeepView({0, 2}); // 10.0.0.1 (M2) and 10.0.0.3 (M0)

    ListUpdate again = first;
    for (DeviceRow& row : again.rows)
        row.id += 10;
    again.rows.pop_back(); // M2 has not answered yet
    ListChange change = presenter.Apply(again);
    EXPECT_TRUE(change.emptied);
    EXPECT_EQ((RowOrder{COL_IP, false}), presenter.Order());
    EXPECT_TRUE(presenter.OperatorsColumnWidths());
    EXPECT_EQ(std::vector<RowId>{10}, change.select);
    ListUpdate later;
    later.rows.push_back(first.rows[2]);
    later.rows.back().id = 12;
    change = presenter.Apply(later);
    EXPECT_EQ(std::vector<RowId>{12}, change.select);
    EXPECT_EQ(12, presenter.At(0).id) << "in its sorted place";

    // The search after that is a plain one again.
    ListUpdate plain = first;
    change = presenter.Apply(plain);
    EXPECT_TRUE(change.select.empty());
    EXPECT_FALSE(presenter.Order().Sorted());
    EXPECT_FALSE(presenter.OperatorsColumnWidths());
}
