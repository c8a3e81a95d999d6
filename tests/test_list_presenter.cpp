// What every window shows of the list, decided by the presenter: where rows go, what a window is
// told to redraw, marks and tooltips, the status line, the edit's write-back and the columns.
#include "firewall_hint.h"
#include "list_presenter.h"
#include "resource.h"
#include "site_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace {

std::u16string Strings(int id)
{
    switch (id) {
    case IDS_STATUS_SEARCHING:
        return u"searching";
    case IDS_STATUS_STOPPED:
        return u"stopped";
    case IDS_STATUS_COUNT:
        return u"%1 devices";
    case IDS_TIP_HEARD_ON:
        return u"on %1 (%2)";
    case IDS_TIP_OUTSIDE:
        return u"outside";
    case IDS_TIP_SHARED_IP:
        return u"%1 share";
    case IDS_NOTHING_HEARD:
        return u"firewall?";
    case IDS_STATUS_FILTERED:
        return u"%1 of %2";
    case IDS_REACH_TEXT:
        return u"%1 on %2";
    case IDS_REACH_MASK_GATEWAY:
        return u"mask %2 by %1";
    case IDS_REACH_MASK_USUAL:
        return u"mask %1";
    case IDS_REACH_FREE:
        return u"free %1";
    case IDS_REACH_ADD:
        return u"add:";
    case IDS_REACH_REMOVE:
        return u"remove:";
    case IDS_REACH_NONE:
        return u"none";
    case IDS_REACH_SHARED:
        return u"%1 answer at %2";
    case IDS_STATUS_CHANGED:
        return u"%1 changed";
    case IDS_LIST_SEPARATOR:
        return u"，";
    case IDS_STATUS_SILENT:
        return u"%1 silent";
    case IDS_STATUS_SHARED:
        return u"%1 shared";
    case IDS_STATUS_OUTSIDE:
        return u"%1 outside";
    case IDS_STATUS_EDITED:
        return u"%1 edited";
    default:
        return {};
    }
}

std::string Narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

// A row as the worker lists it, every text followed by the cell's blank.
DeviceRow Heard(RowId id, const std::u16string& chn, const std::u16string& ip,
                const std::u16string& port, bool outside = false)
{
    DeviceRow row;
    row.id = id;
    row.cells = {chn + u" ", u"V1 ", ip + u" ", port + u" ", u"10.0.0.1 ",
                 u"MAC" + std::u16string(1, char16_t(u'0' + id)) + u" "};
    row.heardOn = {"eth1", 0x0A000002u, outside};
    row.listed = row.cells;
    row.latest = row.cells;
    return row;
}

ListUpdate Batch(std::vector<DeviceRow> rows, bool cleared = false)
{
    ListUpdate update;
    update.cleared = cleared;
    update.rows = std::move(rows);
    return update;
}

std::vector<RowId> Ids(const CListPresenter& presenter)
{
    std::vector<RowId> ids;
    for (int p = 0; p < presenter.Size(); ++p)
        ids.push_back(presenter.At(p).id);
    return ids;
}

// What a window that follows the steps one by one ends up showing.
void Replay(const ListChange& change, std::vector<RowId>& shown)
{
    for (const ListStep& step : change.steps) {
        ASSERT_LE(step.position, static_cast<int>(shown.size()));
        if (step.kind == ListStep::Kind::Insert) {
            shown.insert(shown.begin() + step.position, step.ids.begin(), step.ids.end());
        } else {
            const auto at = shown.begin() + step.position;
            ASSERT_LE(step.ids.size(), static_cast<std::size_t>(shown.end() - at));
            ASSERT_EQ(step.ids, std::vector<RowId>(at, at + static_cast<long>(step.ids.size())));
            shown.erase(at, at + static_cast<long>(step.ids.size()));
        }
    }
}

} // namespace

TEST(ListPresenter, RowsGoWhereTheOrderSaysAndTheStepsLeadAWindowThere)
{
    CListPresenter presenter(Strings);
    ListChange change = presenter.Apply(Batch({Heard(0, u"b", u"10.0.0.20", u"80"),
                                               Heard(1, u"a", u"10.0.0.3", u"443")},
                                              true));
    EXPECT_TRUE(change.emptied);
    EXPECT_EQ((std::vector<RowId>{0, 1}), Ids(presenter)) << "first-heard order";

    std::vector<RowId> shown = Ids(presenter);
    change = presenter.Apply(Batch({Heard(2, u"c", u"10.0.0.1", u"8080")}));
    ASSERT_EQ(1u, change.steps.size()) << "rows after the last are one insertion";
    Replay(change, shown);
    EXPECT_EQ(Ids(presenter), shown);

    change = presenter.SortBy(COL_IP);
    EXPECT_TRUE(change.reordered);
    EXPECT_EQ((std::vector<RowId>{2, 1, 0}), Ids(presenter));
    shown = Ids(presenter);

    // A batch whose rows land apart and together in a sorted list.
    const std::vector<DeviceRow> batch = {Heard(3, u"d", u"10.0.0.30", u"1"),
                                          Heard(4, u"e", u"10.0.0.2", u"2"),
                                          Heard(5, u"f", u"010.0.0.4", u"3"),
                                          Heard(6, u"g", u"10.0.0.31", u"4"),
                                          Heard(7, u"h", u"not an address", u"5")};
    change = presenter.Apply(Batch(batch));
    Replay(change, shown);
    EXPECT_EQ(Ids(presenter), shown);
    EXPECT_EQ((std::vector<RowId>{2, 4, 1, 5, 0, 3, 6, 7}), Ids(presenter));
    EXPECT_LT(change.steps.size(), batch.size()) << "neighbours are inserted together";

    presenter.SortBy(COL_PORT);
    presenter.SortBy(COL_PORT);
    shown = Ids(presenter);
    change = presenter.Apply(Batch({Heard(8, u"i", u"10.0.0.9", u"444")}));
    Replay(change, shown);
    EXPECT_EQ(Ids(presenter), shown);
    EXPECT_EQ((std::vector<RowId>{2, 8, 1, 0, 7, 6, 5, 4, 3}), Ids(presenter)) << "ports descending";

    change = presenter.Remove(3);
    Replay(change, shown);
    EXPECT_EQ(Ids(presenter), shown);
    EXPECT_TRUE(presenter.Remove(-1).steps.empty());
    EXPECT_TRUE(presenter.Remove(presenter.Size()).steps.empty());

    // A new search: first-heard order again, from the start.
    change = presenter.Apply(Batch({Heard(9, u"z", u"10.0.0.1", u"1")}, true));
    EXPECT_TRUE(change.emptied);
    EXPECT_FALSE(presenter.Order().Sorted());
    EXPECT_EQ(std::vector<RowId>{9}, Ids(presenter));
}

// Five rows a site might list, found by any of their texts.
std::vector<DeviceRow> Site()
{
    std::vector<DeviceRow> rows = {Heard(0, u"前门2", u"10.60.1.102", u"80"),
                                   Heard(1, u"前门10", u"10.60.1.110", u"80"),
                                   Heard(2, u"Lobby", u"192.168.1.64", u"8080", true),
                                   Heard(3, u"仓库1", u"10.60.2.31", u"8000"),
                                   Heard(4, u"lobby-2", u"10.60.1.64", u"554")};
    rows[2].cells[COL_MAC] = u"02:4E:51:3C:1F:0A ";
    rows[3].cells[COL_MAC] = u"024e513c6f01 ";
    rows[4].cells[COL_VERSION] = u"V2.10 ";
    for (DeviceRow& row : rows)
        row.listed = row.latest = row.cells;
    return rows;
}

TEST(ListPresenter, TheFilterShowsTheRowsThatMatchAndPositionsCountAmongThem)
{
    const struct {
        std::u16string filter;
        std::vector<RowId> shown;
    } cases[] = {
        {u"LOBBY", {2, 4}},           // any case
        {u"前门", {0, 1}},            // a channel name
        {u" 1.64 ", {2, 4}},          // an address, blanks around it left out
        {u"4e-51-3c", {2, 3}},        // the MAC with other separators, or with none
        {u"1f0a", {2}},
        {u"1F-0A", {2}},
        {u"前门1", {1}},              // a name's fragment finds names, not MACs holding a 1
        {u"仓库1", {3}},
        {u"10.60.2.3", {3}},
        {u"v2.1", {4}},               // the version
        {u"8080", {2}},               // the port
        {u"nothing like it", {}},
        {u"", {0, 1, 2, 3, 4}},
    };
    CListPresenter presenter(Strings);
    presenter.Apply(Batch(Site(), true));
    std::vector<RowId> shown = Ids(presenter);
    for (const auto& c : cases) {
        const ListChange change = presenter.SetFilter(c.filter);
        Replay(change, shown);
        EXPECT_EQ(c.shown, Ids(presenter)) << Narrow(c.filter);
        EXPECT_EQ(Ids(presenter), shown) << "the steps lead a window there: " << Narrow(c.filter);
    }

    // Under a filter every position is one among the rows shown, and so are new rows.
    presenter.SetFilter(u"lobby");
    presenter.SortBy(COL_IP);
    EXPECT_EQ((std::vector<RowId>{4, 2}), Ids(presenter));
    shown = Ids(presenter);
    ListChange change = presenter.Apply(Batch({Heard(5, u"Lobby 3", u"10.60.1.1", u"80"),
                                               Heard(6, u"门厅", u"10.60.1.2", u"80")}));
    Replay(change, shown);
    EXPECT_EQ((std::vector<RowId>{5, 4, 2}), shown);
    EXPECT_EQ("searching    3 of 7\f1 outside", Narrow(presenter.StatusText(true)));
    EXPECT_TRUE(presenter.Marked(2, COL_IP));
    presenter.TakeSnapshot(1);
    EXPECT_EQ(4, presenter.Snapshot().row);
    EXPECT_EQ("http://192.168.1.64:8080", Narrow(presenter.WebPage(2).url));
    EXPECT_EQ(0u, Narrow(presenter.CopyRows({2})).rfind("Lobby\t", 0));
    change = presenter.Remove(1);
    Replay(change, shown);
    EXPECT_EQ((std::vector<RowId>{5, 2}), shown);

    // An edited row stays in sight until the filter changes.
    presenter.TakeSnapshot(0);
    presenter.Snapshot().chn = u"Hall ";
    change = presenter.WriteBackSnapshot();
    EXPECT_EQ((std::vector<RowId>{5, 2}), Ids(presenter));
    presenter.SetFilter(u"lobb");
    EXPECT_EQ(std::vector<RowId>{2}, Ids(presenter));
}

TEST(ListPresenter, NamesAndVersionsSortWithTheirNumbersAsNumbers)
{
    const struct {
        int column;
        std::vector<std::u16string> heard;
        std::vector<RowId> sorted;
    } cases[] = {
        {COL_CHN, {u"前门10", u"前门2", u"前门1"}, {2, 1, 0}},
        {COL_VERSION, {u"V2.10", u"V2.9", u"V10.0", u"V2.9.1"}, {1, 3, 0, 2}},
        {COL_CHN, {u"cam007", u"cam7", u"cam 7"}, {2, 0, 1}}, // zeros decide last
        {COL_CHN, {u"99999999999999999999b", u"100000000000000000000a"}, {0, 1}},
        {COL_IP, {u"10.0.0.10", u"10.0.0.9"}, {1, 0}}, // addresses as they were
    };
    for (const auto& c : cases) {
        std::vector<DeviceRow> rows;
        for (const std::u16string& text : c.heard) {
            DeviceRow row = Heard(static_cast<RowId>(rows.size()), u"c", u"10.0.0.1", u"80");
            row.cells[static_cast<std::size_t>(c.column)] = text + u" ";
            rows.push_back(std::move(row));
        }
        CListPresenter presenter(Strings);
        presenter.Apply(Batch(std::move(rows), true));
        presenter.SortBy(c.column);
        EXPECT_EQ(c.sorted, Ids(presenter)) << Narrow(c.heard.front());
    }
}

TEST(ListPresenter, AnUnreachableDeviceGetsTheCommandsForATemporaryAddressOnItsCard)
{
    const struct {
        std::u16string ip, gateway;
        std::string card;
        CommandShell shell;
        std::string text;
    } cases[] = {
        // .254 is another device's address and .253 a third one's gateway: the next one down,
        // the mask of the gateway's subnet.
        {u"192.168.1.64", u"192.168.1.1", "eth1", CommandShell::Linux,
         "192.168.1.64 on eth1\n\nmask 255.255.255.0 by 192.168.1.1\nfree 192.168.1.252\n\n"
         "add:\nsudo ip addr add 192.168.1.252/24 dev eth1\n\n"
         "remove:\nsudo ip addr del 192.168.1.252/24 dev eth1\n"},
        {u"192.168.1.64", u"0.0.0.0", "en p0's", CommandShell::Linux,
         "192.168.1.64 on en p0's\n\nmask 255.255.255.0\nfree 192.168.1.252\n\n"
         "add:\nsudo ip addr add 192.168.1.252/24 dev 'en p0'\\''s'\n\n"
         "remove:\nsudo ip addr del 192.168.1.252/24 dev 'en p0'\\''s'\n"},
        {u"172.16.5.9", u"172.16.0.1", "\xE4\xBB\xA5 2", CommandShell::Windows,
         "172.16.5.9 on ? 2\n\nmask 255.255.0.0 by 172.16.0.1\nfree 172.16.255.254\n\n"
         "add:\nnetsh interface ipv4 add address name=\"? 2\" address=172.16.255.254 "
         "mask=255.255.0.0\n\n"
         "remove:\nnetsh interface ipv4 delete address name=\"? 2\" address=172.16.255.254\n"},
        // The third device answers at the same address: whichever answers is reached.
        {u"192.168.1.20", u"192.168.1.1", "eth1", CommandShell::Linux,
         "192.168.1.20 on eth1\n\n2 answer at 192.168.1.20\n\nmask 255.255.255.0 by 192.168.1.1\n"
         "free 192.168.1.252\n\nadd:\nsudo ip addr add 192.168.1.252/24 dev eth1\n\n"
         "remove:\nsudo ip addr del 192.168.1.252/24 dev eth1\n"},
        {u"192.168.1.x", u"192.168.1.1", "eth1", CommandShell::Linux, "none"},
    };
    for (const auto& c : cases) {
        DeviceRow row = Heard(0, u"cam", c.ip, u"80", true);
        row.cells[COL_GATEWAY] = c.gateway + u" ";
        row.heardOn.interfaceName = c.card;
        DeviceRow third = Heard(2, u"c", u"192.168.1.20", u"80");
        third.cells[COL_GATEWAY] = third.latest[COL_GATEWAY] = u"192.168.1.253 ";
        CListPresenter presenter(Strings);
        const CSiteMessages messages(presenter, Strings);
        presenter.Apply(Batch({std::move(row), Heard(1, u"b", u"192.168.1.254", u"80"),
                               std::move(third)},
                              true));
        ASSERT_TRUE(presenter.Outside(0));
        EXPECT_FALSE(presenter.Outside(1));
        std::string text;
        for (const char16_t c16 : messages.ReachText(0, c.shell))
            text += c16 < 0x80 ? static_cast<char>(c16) : '?';
        EXPECT_EQ(c.text, text);
    }
}

TEST(ListPresenter, MarksAndTooltipsSayWhatIsOddAboutAnAddress)
{
    CListPresenter presenter(Strings);
    presenter.Apply(Batch({Heard(0, u"a", u"10.0.0.5", u"80"),
                           Heard(1, u"b", u"192.168.1.64", u"80", true),
                           Heard(2, u"c", u"10.0.0.6", u"80")},
                          true));
    EXPECT_FALSE(presenter.Marked(0, COL_IP));
    EXPECT_TRUE(presenter.Marked(1, COL_IP));
    for (const int column : {COL_CHN, COL_VERSION, COL_PORT, COL_GATEWAY, COL_MAC})
        EXPECT_FALSE(presenter.Marked(1, column)) << "the mark is the IP cell's";

    const std::vector<std::u16string> tip = presenter.ToolTip(1, COL_IP);
    ASSERT_EQ(3u, tip.size());
    EXPECT_EQ("192.168.1.64", Narrow(tip[0]));
    EXPECT_EQ("on eth1 (10.0.0.2)", Narrow(tip[1]));
    EXPECT_EQ("outside", Narrow(tip[2]));

    // One address written two ways is one address: both rows are marked, and say how many share.
    ListChange change = presenter.Apply(Batch({Heard(3, u"d", u"010.000.000.005", u"80")}));
    EXPECT_TRUE(change.repaint) << "the row already shown gets its mark";
    EXPECT_TRUE(presenter.Marked(0, COL_IP));
    EXPECT_TRUE(presenter.Marked(3, COL_IP));
    EXPECT_EQ("2 share", Narrow(presenter.ToolTip(0, COL_IP).back()));
    EXPECT_EQ("a", Narrow(presenter.ToolTip(0, COL_CHN).front()));

    // Deleting one of them takes the mark from the other.
    change = presenter.Remove(3);
    EXPECT_TRUE(change.repaint);
    EXPECT_FALSE(presenter.Marked(0, COL_IP));

    // A device's text never hides in its tooltip.
    presenter.Apply(Batch({Heard(4, u"x\u202E\x1B", u"10.0.0.7", u"80")}));
    EXPECT_TRUE(u"x\uFFFD\u241B" == presenter.ToolTip(3, COL_CHN).front());
}

TEST(ListPresenter, TheStatusLineCountsTheRowsAndNamesTheFirewallOnlyWhereAsked)
{
    for (const bool firewallHint : {false, true}) {
        CListPresenter presenter(Strings, firewallHint);
        EXPECT_EQ("stopped    0 devices", Narrow(presenter.StatusText(false)));
        ListUpdate quiet = Batch({}, true);
        quiet.nothingHeard = true;
        presenter.Apply(quiet);
        EXPECT_EQ(firewallHint ? "firewall?" : "searching    0 devices",
                  Narrow(presenter.StatusText(true)));
        EXPECT_EQ("stopped    0 devices", Narrow(presenter.StatusText(false)));
        presenter.Apply(Batch({Heard(0, u"a", u"10.0.0.5", u"80")}));
        EXPECT_EQ("searching    1 devices", Narrow(presenter.StatusText(true)));
        presenter.Remove(0);
        presenter.Apply(Batch({}, true));
        EXPECT_EQ("searching    0 devices", Narrow(presenter.StatusText(true)))
            << "a new search has heard nothing yet";
    }
}

TEST(ListPresenter, TheFirewallHintNamesTheProfileAndWhetherItBlocksWhereWindowsSaysSo)
{
    const StringLoader strings = [](int id) -> std::u16string {
        switch (id) {
        case IDS_NOTHING_HEARD:
            return u"firewall?";
        case IDS_PROFILE_DOMAIN:
            return u"domain";
        case IDS_PROFILE_PRIVATE:
            return u"private";
        case IDS_PROFILE_PUBLIC:
            return u"public";
        case IDS_FIREWALL_BLOCKS:
            return u"%1 blocks";
        case IDS_FIREWALL_PUBLIC_BLOCKS:
            return u"public blocks: rule or private";
        case IDS_FIREWALL_ALLOWS:
            return u"%1 lets in";
        default:
            return u"?";
        }
    };
    using P = NetworkProfile;
    const ProfileFirewall blocking{P::Private, true, true, false};
    const ProfileFirewall lettingIn{P::Private, true, false, false};
    const ProfileFirewall off{P::Domain, false, true, true};
    const ProfileFirewall allBlocked{P::Domain, true, false, true};
    const ProfileFirewall publicBlocking{P::Public, true, true, false};
    const ProfileFirewall publicLettingIn{P::Public, true, false, false};
    const struct {
        FirewallAnswer answer;
        const char* hint;
    } cases[] = {
        {std::nullopt, "firewall?"},
        {std::vector<ProfileFirewall>{}, "firewall?"},
        {std::vector{blocking}, "private blocks"},
        {std::vector{lettingIn}, "private lets in"},
        {std::vector{off}, "domain lets in"},
        {std::vector{allBlocked}, "domain blocks"},
        {std::vector{publicBlocking}, "public blocks: rule or private"},
        {std::vector{publicLettingIn}, "public lets in"},
        {std::vector{lettingIn, allBlocked}, "domain blocks"},
        {std::vector{off, blocking, publicBlocking}, "public blocks: rule or private"},
        {std::vector{off, lettingIn}, "domain lets in"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.hint, Narrow(NothingHeardText(c.answer, strings))) << c.hint;

    // The window's wording takes the general hint's place while nothing is heard.
    CListPresenter presenter(strings, true);
    ListUpdate quiet = Batch({}, true);
    quiet.nothingHeard = true;
    presenter.Apply(quiet);
    EXPECT_TRUE(presenter.HearsNothing(true));
    EXPECT_FALSE(presenter.HearsNothing(false));
    presenter.SetNothingHeardText(NothingHeardText(std::vector{publicBlocking}, strings));
    EXPECT_EQ("public blocks: rule or private", Narrow(presenter.StatusText(true)));
}

TEST(ListPresenter, AnEditGoesBackIntoItsOwnRowWhereverThatRowNowIs)
{
    CListPresenter presenter(Strings);
    presenter.Apply(Batch({Heard(0, u"a", u"10.0.0.5", u"80"), Heard(1, u"b", u"10.0.0.6", u"81"),
                           Heard(2, u"c", u"10.0.0.7", u"82")},
                          true));
    presenter.SortBy(COL_IP);
    presenter.TakeSnapshot(1);
    EXPECT_EQ(1, presenter.Snapshot().row);

    // Meanwhile the row above is deleted and the edit moves the row to the top of the order.
    presenter.Remove(0);
    presenter.Snapshot().ip = u"10.0.0.1";
    presenter.Snapshot().gateway = u"gw";
    const ListChange change = presenter.WriteBackSnapshot();
    EXPECT_TRUE(change.reordered);
    EXPECT_TRUE(change.columns);
    const DeviceRow& edited = presenter.At(0);
    EXPECT_EQ(1, edited.id);
    EXPECT_EQ(u"10.0.0.1", edited.cells[COL_IP]);
    EXPECT_EQ(u"gw", edited.cells[COL_GATEWAY]);
    EXPECT_EQ(u"V1 ", edited.cells[COL_VERSION]) << "the version is never written";
    EXPECT_EQ("http://10.0.0.1:81", Narrow(presenter.WebPage(0).url));

    // A row gone by the time the dialog closes takes nothing, and nothing else does.
    presenter.TakeSnapshot(1);
    presenter.Remove(1);
    presenter.Snapshot().chn = u"lost";
    EXPECT_FALSE(presenter.WriteBackSnapshot().repaint);
    EXPECT_EQ(u"b ", presenter.At(0).cells[COL_CHN]);
}

TEST(ListPresenter, CopiesTakeTheRowsTopToBottomAndTheSnapshotsAddresses)
{
    CListPresenter presenter(Strings);
    presenter.Apply(Batch({Heard(0, u"a", u"10.0.0.5", u"80"), Heard(1, u"=b", u"10.0.0.6", u"81")},
                          true));
    EXPECT_EQ("a\tV1\t10.0.0.5\t80\t10.0.0.1\tMAC0\n'=b\tV1\t10.0.0.6\t81\t10.0.0.1\tMAC1\n",
              Narrow(presenter.CopyRows({1, 0, 1, 5})));
    presenter.TakeSnapshot(1);
    EXPECT_EQ("10.0.0.6", Narrow(presenter.CopySnapshotCell(COL_IP)));
    EXPECT_EQ("MAC1", Narrow(presenter.CopySnapshotCell(COL_MAC)));
}

TEST(ListPresenter, ColumnsAreMeasuredByTheWindowsMetricsWithRoomForTheMark)
{
    CListPresenter presenter(Strings);
    ColumnMetrics metrics;
    metrics.textWidth = [](const std::u16string& text) { return static_cast<int>(text.size()) * 10; };
    metrics.cellMargins = 4;
    metrics.markWidth = 20;
    metrics.headings = {30, 30, 30, 30, 30, 30};
    presenter.SetColumnMetrics(metrics);
    presenter.Apply(Batch({Heard(0, u"abcdefgh", u"10.0.0.5", u"80")}, true));
    // 10.0.0.5 and its blank: 9 characters.
    const ColumnWidths roomy = presenter.ColumnWidthsFor(1000);
    EXPECT_EQ(94, roomy[COL_IP]);
    // What the addresses leave, 724, less the names' 94 and the versions' 34, shared by the two.
    EXPECT_EQ(94 + 298, roomy[COL_CHN]);
    EXPECT_EQ(1000, roomy[0] + roomy[1] + roomy[2] + roomy[3] + roomy[4] + roomy[5]);

    presenter.Apply(Batch({Heard(1, u"a", u"192.168.1.64", u"80", true)}));
    EXPECT_EQ(134 + 20, presenter.ColumnWidthsFor(1000)[COL_IP]) << "a marked address shows whole";

    // The operator's widths hold until the next search.
    presenter.KeepOperatorsColumnWidths();
    EXPECT_TRUE(presenter.OperatorsColumnWidths());
    presenter.Apply(Batch({Heard(2, u"a", u"10.0.0.5", u"80")}));
    EXPECT_TRUE(presenter.OperatorsColumnWidths());
    presenter.Apply(Batch({}, true));
    EXPECT_FALSE(presenter.OperatorsColumnWidths());
    EXPECT_EQ(30, presenter.ColumnWidthsFor(1000)[COL_IP]) << "measured afresh: headings only";
}

// A window's measure is slow: each cell's text is measured when it first shows or changes, and
// a change of marks alone adds their width to what was measured before.
TEST(ListPresenter, ColumnsMeasureOnlyTheTextsThatAreNewOrChanged)
{
    CListPresenter presenter(Strings);
    std::vector<std::u16string> measured;
    ColumnMetrics metrics;
    metrics.textWidth = [&](const std::u16string& text) {
        measured.push_back(text);
        return static_cast<int>(text.size()) * 10;
    };
    metrics.cellMargins = 4;
    metrics.markWidth = 20;
    metrics.headings = {30, 30, 30, 30, 30, 30};
    presenter.SetColumnMetrics(metrics);
    const auto reply = [](RowId row, const std::u16string& ip) {
        ListUpdate update;
        DeviceEvent event;
        event.row = row;
        event.cells = Heard(row, u"cam", ip, u"80").cells;
        update.events = {event};
        return update;
    };
    const auto cellsOf = [](std::vector<DeviceRow> rows) {
        std::vector<std::u16string> texts;
        for (const DeviceRow& row : rows)
            texts.insert(texts.end(), row.cells.begin(), row.cells.end());
        std::sort(texts.begin(), texts.end());
        return texts;
    };
    struct Step {
        const char* what;
        std::function<void()> act;
        // The texts measured, with their blanks, in any order.
        std::vector<std::u16string> measures;
        // The IP column's width: its widest text, with room for a mark when one is marked.
        int ipWidth;
    };
    const std::vector<Step> steps = {
        {"a search's first rows",
         [&] {
             presenter.Apply(Batch({Heard(0, u"cam", u"10.0.0.5", u"80"),
                                    Heard(1, u"cam", u"10.0.0.6", u"80")},
                                   true));
         },
         cellsOf({Heard(0, u"cam", u"10.0.0.5", u"80"), Heard(1, u"cam", u"10.0.0.6", u"80")}),
         94},
        {"a row whose address another row has marks both",
         [&] { presenter.Apply(Batch({Heard(2, u"cam", u"10.0.0.5", u"80")})); },
         cellsOf({Heard(2, u"cam", u"10.0.0.5", u"80")}),
         114},
        {"a reply that moves a device off the shared address",
         [&] { presenter.Apply(reply(0, u"10.0.0.7")); },
         {},
         94},
        {"the device back on it",
         [&] { presenter.Apply(reply(0, u"10.0.0.5")); },
         {},
         114},
        {"a row removed",
         [&] { presenter.Remove(2); },
         {},
         94},
        {"another font",
         [&] { presenter.SetColumnMetrics(metrics); },
         cellsOf({Heard(0, u"cam", u"10.0.0.5", u"80"), Heard(1, u"cam", u"10.0.0.6", u"80")}),
         94},
        {"an edited address",
         [&] {
             presenter.TakeSnapshot(0);
             presenter.Snapshot().ip = u"10.0.100.123 ";
             presenter.WriteBackSnapshot();
         },
         {u"10.0.100.123 "},
         154},
    };
    for (const Step& step : steps) {
        measured.clear();
        step.act();
        std::sort(measured.begin(), measured.end());
        EXPECT_EQ(step.measures, measured) << step.what;
        EXPECT_EQ(step.ipWidth, presenter.ColumnWidthsFor(1000)[COL_IP]) << step.what;
    }
}

TEST(ListPresenter, TheStateChoiceShowsTheRowsThatNeedWork)
{
    // One row in each state: 0 is fine, 1 changed, 2 silent, 3 and 4 share an address, 5 lies
    // outside, 6 edited, 7 differs from the plan, 8 is not in it.
    std::vector<DeviceRow> rows;
    for (RowId id = 0; id < 9; ++id) {
        DeviceRow row = Heard(id, u"cam", u"10.0.0." + std::u16string(1, char16_t(u'1' + id)),
                              u"80", id == 5);
        row.cells[COL_MAC] = u"00-11-22-33-44-0" + std::u16string(1, char16_t(u'0' + id)) + u" ";
        row.listed = row.latest = row.cells;
        rows.push_back(std::move(row));
    }
    rows[4].cells[COL_IP] = rows[4].listed[COL_IP] = rows[4].latest[COL_IP] = u"10.0.0.4 ";
    CListPresenter presenter(Strings);
    presenter.Apply(Batch(rows, true));
    ListUpdate live;
    DeviceEvent changed;
    changed.row = 1;
    changed.cells = rows[1].cells;
    changed.cells[COL_IP] = u"10.0.0.99 ";
    DeviceEvent silent;
    silent.kind = DeviceEvent::Kind::Silent;
    silent.row = 2;
    live.events = {changed, silent};
    presenter.Apply(live);
    presenter.TakeSnapshot(6);
    presenter.Snapshot().ip = u"10.0.0.77 ";
    presenter.WriteBackSnapshot();
    PlanReading plan = ReadAddressPlan("mac,ip\n001122334400,\n001122334401,\n001122334402,\n"
                                       "001122334403,\n001122334404,\n001122334405,\n"
                                       "001122334406,\n001122334407,10.0.0.1\n");
    presenter.OpenPlan(std::move(plan.plan), u"site.csv");

    const struct {
        RowState state;
        std::u16string filter;
        std::vector<RowId> shown;
    } cases[] = {
        {RowState::Changed, u"", {1}},
        {RowState::Silent, u"", {2}},
        {RowState::SharedAddress, u"", {3, 4}},
        {RowState::Outside, u"", {5}},
        {RowState::Edited, u"", {6}},
        {RowState::PlanDiffers, u"", {7}},
        {RowState::NotInPlan, u"", {8}},
        {RowState::NeedsWork, u"", {1, 2, 3, 4, 5, 6, 7, 8}},
        {RowState::NeedsWork, u"10.0.0.4", {3, 4}}, // beside the filter
        {RowState::All, u"", {0, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    std::vector<RowId> shown = Ids(presenter);
    for (const auto& c : cases) {
        Replay(presenter.SetFilter(c.filter), shown);
        Replay(presenter.ShowState(c.state), shown);
        EXPECT_EQ(c.shown, Ids(presenter)) << static_cast<int>(c.state);
        EXPECT_EQ(Ids(presenter), shown) << "the steps lead a window there";
    }

    // New rows are chosen as they come, their shared address counted.
    presenter.ShowState(RowState::SharedAddress);
    shown = Ids(presenter);
    DeviceRow twin = Heard(9, u"twin", u"10.0.0.9", u"80");
    DeviceRow alone = Heard(10, u"alone", u"10.0.0.50", u"80");
    Replay(presenter.Apply(Batch({twin, alone})), shown);
    EXPECT_EQ((std::vector<RowId>{3, 4, 9}), Ids(presenter));
    EXPECT_EQ(Ids(presenter), shown);
    // The status line counts every state present, over every row, and what the choice shows.
    const std::string status = Narrow(presenter.StatusText(true));
    EXPECT_EQ(0u, status.rfind("searching    3 of 11\f1 changed\f1 silent\f4 shared\f1 outside"
                               "\f1 edited", 0))
        << status;
}
