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
    case IDS_STATUS_FILTERED:
        return u"%1 of %2 devices";
    case IDS_STATUS_CHANGED:
        return u"%1 changed";
    case IDS_LIST_SEPARATOR:
        return u"; ";
    case IDS_STATUS_SILENT:
        return u"%1 silent";
    case IDS_STATUS_FULL:
        return u"full, %1 more";
    case IDS_STATUS_FULL_MORE:
        return u"full, over %1 more";
    case IDS_STATUS_FULL_AT_LEAST:
        return u"full, at least %1 more";
    case IDS_STATUS_LOST:
        return u"%1 lost";
    case IDS_STATUS_LOST_CAPPED:
        return u"%1 lost, queue %2 KiB";
    case IDS_NO_NETWORK:
        return u"no network";
    case IDS_TIP_CHANGED:
        return u"now:";
    case IDS_TIP_CHANGED_FIELD:
        return u"%1 %2>%3";
    case IDS_TIP_SILENT:
        return u"silent since %1";
    case IDS_TIP_EDITED:
        return u"edited, device says %1";
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

// What the liveness told of a row, as the bridge hands it over.
DeviceEvent Told(DeviceEvent::Kind kind, RowId row, const RowCells& cells)
{
    DeviceEvent event;
    event.kind = kind;
    event.row = row;
    event.cells = cells;
    return event;
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
    using Kind = DeviceEvent::Kind;
    const WallClock::time_point t0{};
    HeardOn inside;
    inside.interfaceName = "eth0";
    HeardOn outside = inside;
    outside.outsideLocalSubnets = true;
    HeardOn otherCard = inside;
    otherCard.interfaceName = "eth1";
    const struct Step {
        enum { Heard, CycleEnd } what;
        // Heard: what the reply carries, and where it came in.
        const char16_t* ip;
        const char16_t* version;
        const HeardOn* heardOn;
        std::vector<Kind> told;
    } steps[] = {
        // Listed in cycle 0 at 10.0.0.5; the same reply again and again is nothing new.
        {Step::Heard, u"10.0.0.5 ", u"V1 ", &inside, {}},
        {Step::CycleEnd, nullptr, nullptr, nullptr, {}},
        {Step::Heard, u"10.0.0.5 ", u"V1 ", &inside, {}},
        // Re-addressed, or given new firmware: told once each, then quiet again.
        {Step::Heard, u"10.0.0.9 ", u"V1 ", &inside, {Kind::Changed}},
        {Step::Heard, u"10.0.0.9 ", u"V1 ", &inside, {}},
        {Step::Heard, u"10.0.0.9 ", u"V2 ", &inside, {Kind::Changed}},
        // The same texts from elsewhere: outside the PC's subnets, on another card.
        {Step::Heard, u"10.0.0.9 ", u"V2 ", &outside, {Kind::Moved}},
        {Step::Heard, u"10.0.0.9 ", u"V2 ", &inside, {Kind::Moved}},
        {Step::Heard, u"10.0.0.9 ", u"V2 ", &otherCard, {Kind::Moved}},
        {Step::CycleEnd, nullptr, nullptr, nullptr, {}}, // cycle 1, heard
        {Step::CycleEnd, nullptr, nullptr, nullptr, {}}, // cycle 2, silent once
        {Step::CycleEnd, nullptr, nullptr, nullptr, {}}, // cycle 3, twice
        {Step::CycleEnd, nullptr, nullptr, nullptr, {Kind::Silent}}, // cycle 4, three times: silent
        {Step::CycleEnd, nullptr, nullptr, nullptr, {}},             // said once
        // It answers again, with other texts: back, then changed.
        {Step::Heard, u"10.0.0.7 ", u"V2 ", &otherCard, {Kind::Back, Kind::Changed}},
        {Step::Heard, u"10.0.0.7 ", u"V2 ", &otherCard, {}},
        {Step::CycleEnd, nullptr, nullptr, nullptr, {}},
    };
    CDeviceLiveness liveness;
    liveness.Listed(7, Cells(u"10.0.0.5 "), inside, t0);
    RowCells before = Cells(u"10.0.0.5 ");
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const Step& step = steps[i];
        RowCells cells;
        std::vector<DeviceEvent> told;
        if (step.what == Step::Heard) {
            cells = Cells(step.ip);
            cells[COL_VERSION] = step.version;
            told = liveness.Heard(7, cells, *step.heardOn, t0 + std::chrono::seconds(i));
        } else {
            told = liveness.CycleEnded();
        }
        std::vector<Kind> kinds;
        for (const DeviceEvent& event : told) {
            kinds.push_back(event.kind);
            EXPECT_EQ(7, event.row) << "step " << i;
            if (event.kind == Kind::Silent) {
                EXPECT_EQ(t0 + std::chrono::seconds(8), event.lastHeard) << "its last reply";
                continue;
            }
            EXPECT_EQ(cells, event.cells) << "step " << i;
            EXPECT_EQ(*step.heardOn, event.heardOn) << "step " << i;
            if (event.kind == Kind::Changed) {
                EXPECT_EQ(before, event.before) << "step " << i;
            }
        }
        EXPECT_EQ(step.told, kinds) << "step " << i;
        if (step.what == Step::Heard)
            before = cells;
    }
    EXPECT_TRUE(liveness.Heard(8, Cells(u"10.0.0.1 "), {}, t0).empty()) << "a row never listed";
    liveness.Clear();
    EXPECT_TRUE(liveness.Heard(7, Cells(u"10.0.0.1 "), {}, t0).empty()) << "a new search forgets";
}

TEST(LiveList, TheBridgeHandsOverWhatHappenedInOrderAndSaysWhenRequestsStopOrStartGoingOut)
{
    using Kind = DeviceEvent::Kind;
    const auto kinds = [](const ListUpdate& update) {
        std::vector<Kind> told;
        for (const DeviceEvent& event : update.events)
            told.push_back(event.kind);
        return told;
    };
    CDeviceListBridge bridge([] { return true; });
    bridge.DeleteAllRows();
    const int row = List(bridge, Record("AA", "10.0.0.5"));
    const int other = List(bridge, Record("BB", "10.0.0.8"));
    // Changes one after another are one, from the first texts to the last.
    bridge.SetLatestReply(row, Record("AA", "10.0.0.6"), {});
    bridge.SetLatestReply(other, Record("BB", "10.0.0.9"), {});
    bridge.SetLatestReply(row, Record("AA", "10.0.0.7"), {});
    ListUpdate update = bridge.TakeUpdate();
    ASSERT_EQ(2u, update.rows.size());
    ASSERT_EQ((std::vector<Kind>{Kind::Changed, Kind::Changed}), kinds(update));
    EXPECT_EQ(other, update.events[0].row);
    EXPECT_EQ(row, update.events[1].row);
    EXPECT_EQ(u"10.0.0.5 ", update.events[1].before[COL_IP]);
    EXPECT_EQ(u"10.0.0.7 ", update.events[1].cells[COL_IP]);
    // Changed and changed back before the window looked: nothing to tell.
    bridge.SetLatestReply(row, Record("AA", "10.0.0.1"), {});
    bridge.SetLatestReply(row, Record("AA", "10.0.0.7"), {});
    EXPECT_TRUE(bridge.TakeUpdate().events.empty());

    // Silent, then back at once, within one batch: both are told, in that order.
    for (int cycle = 0; cycle <= SILENT_CYCLES; ++cycle)
        bridge.OnCycleEnded(false);
    bridge.SetLatestReply(row, Record("AA", "10.0.0.7"), {});
    update = bridge.TakeUpdate();
    EXPECT_EQ((std::vector<Kind>{Kind::Silent, Kind::Silent, Kind::Back}), kinds(update));
    EXPECT_EQ(row, update.events.back().row);

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

TEST(LiveList, ACycleThatLostRepliesCountsTowardNoSilenceAndTheListSaysHowManyWereLost)
{
    CDeviceListBridge bridge([] { return true; });
    CListPresenter presenter(Strings);
    bridge.DeleteAllRows();
    const int row = List(bridge, Record("AA", "10.0.0.5"));
    bridge.OnUnlistedDevices(4);
    bridge.OnCycleEnded(true); // the cycle that listed it
    bridge.OnCycleEnded(false);
    // The system counted the datagrams it dropped, or did not count them and the reading fell
    // behind: either way the device's reply may have been among them.
    bridge.OnRepliesLost(2950);
    bridge.OnCycleEnded(true);
    bridge.OnRepliesLost(0);
    bridge.OnCycleEnded(true);
    bridge.OnCycleEnded(false);
    ListUpdate update = bridge.TakeUpdate();
    EXPECT_TRUE(update.events.empty()) << "two whole cycles without its reply count";
    presenter.Apply(update);
    EXPECT_EQ("searching    1 devices    full, at least 4 more    2950 lost",
              Narrow(presenter.StatusText(true)));

    bridge.OnCycleEnded(false);
    update = bridge.TakeUpdate();
    ASSERT_EQ(1u, update.events.size()) << "the third counted cycle";
    EXPECT_EQ(DeviceEvent::Kind::Silent, update.events[0].kind);
    EXPECT_EQ(row, update.events[0].row);
    presenter.Apply(update);

    // Where the system caps the queue, the status says at how much.
    bridge.OnReplyQueueCapped(212992);
    bridge.OnRepliesLost(50);
    bridge.OnCycleEnded(true);
    presenter.Apply(bridge.TakeUpdate());
    EXPECT_EQ("searching    1 devices; 1 silent    full, at least 4 more    "
              "3000 lost, queue 208 KiB",
              Narrow(presenter.StatusText(true)));
    bridge.DeleteAllRows();
    presenter.Apply(bridge.TakeUpdate());
    EXPECT_EQ("searching    0 devices", Narrow(presenter.StatusText(true))) << "a new search";
}

TEST(LiveList, TheListSaysWhatChangedWhatIsSilentAndHowManyItCouldNotTake)
{
    CListPresenter presenter(Strings);
    presenter.Apply(ThreeDevices(u'1', 1));
    EXPECT_EQ("searching    3 devices", Narrow(presenter.StatusText(true)));

    // Row 0 re-addressed and renamed, row 1 silent, row 2 edited to row 0's new address.
    ListUpdate live;
    live.events = {Told(DeviceEvent::Kind::Changed, 0, Cells(u"10.0.0.9 ", u"gate ")),
                   Told(DeviceEvent::Kind::Silent, 1, Cells(u"10.0.0.2 "))};
    live.unlisted = 4;
    ListChange change = presenter.Apply(live);
    EXPECT_TRUE(change.repaint);
    EXPECT_TRUE(presenter.Changed(0));
    EXPECT_FALSE(presenter.Changed(1));
    EXPECT_EQ(CellMark::Changed, presenter.Mark(0, COL_CHN));
    EXPECT_TRUE(presenter.Silent(1));
    EXPECT_EQ("searching    3 devices; 1 changed; 1 silent    full, 4 more",
              Narrow(presenter.StatusText(true)));
    // An update that does not count keeps the count; a filter hides no change and no silence,
    // and blanks are no filter.
    presenter.Apply(ListUpdate{});
    presenter.SetFilter(u"10.0.0.3");
    EXPECT_EQ("searching    1 of 3 devices; 1 changed; 1 silent    full, 4 more",
              Narrow(presenter.StatusText(true)));
    presenter.SetFilter(u"  ");
    EXPECT_EQ("searching    3 devices; 1 changed; 1 silent    full, 4 more",
              Narrow(presenter.StatusText(true)));
    presenter.SetFilter(u"");
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
    EXPECT_EQ(CellMark::Edited, presenter.Mark(2, COL_IP));
    EXPECT_EQ(CellMark::None, presenter.Mark(2, COL_PORT)) << "only the cells the edit changed";
    EXPECT_EQ("edited, device says 10.0.0.3", Narrow(presenter.ToolTip(2, COL_IP).back()));
    ListUpdate same;
    same.events = {Told(DeviceEvent::Kind::Changed, 2, Cells(u"10.0.0.9 "))};
    presenter.Apply(same);
    EXPECT_TRUE(presenter.Marked(0, COL_IP));
    EXPECT_TRUE(presenter.Marked(2, COL_IP));

    // Taking the new texts in, of every changed row shown: the row is listed with them, and
    // opens the new address; a row the filter hides keeps its old texts.
    presenter.SetFilter(u"M0");
    presenter.TakeAllLatest();
    presenter.SetFilter(u"");
    EXPECT_FALSE(presenter.Changed(0));
    EXPECT_TRUE(presenter.Changed(2));
    EXPECT_EQ(u"gate ", presenter.At(0).cells[COL_CHN]);
    EXPECT_EQ("http://10.0.0.9:80", Narrow(presenter.WebPage(0).url));
    EXPECT_TRUE(presenter.TakeLatest(1).steps.empty()) << "nothing to take";
    presenter.TakeLatest(2);
    EXPECT_FALSE(presenter.Changed(2));

    // The silent device answers again; a deleted one's replies change nothing.
    ListUpdate back;
    back.events = {Told(DeviceEvent::Kind::Back, 1, Cells(u"10.0.0.2 ")),
                   Told(DeviceEvent::Kind::Changed, 42, Cells(u"10.0.0.3 "))};
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
