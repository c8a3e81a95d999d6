// The rules the list is shown by, at their edges: what is an address or a number, the order of
// rows, how columns share the width, when an edit is a change, and what goes on the clipboard.
#include "clipboard_text.h"
#include "column_fit.h"
#include "ipv4_text.h"
#include "row_order.h"
#include "row_snapshot.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

std::string Narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

DeviceRow Row(RowId id, int column, const std::u16string& text)
{
    DeviceRow row;
    row.id = id;
    row.cells[static_cast<std::size_t>(column)] = text;
    return row;
}

} // namespace

TEST(ListRules, Ipv4TextsAreReadOneWayEverywhere)
{
    const struct {
        std::u16string text;
        std::optional<std::uint32_t> address;
    } cases[] = {
        {u"10.60.1.5 ", 0x0A3C0105u},
        {u"  0.0.0.0", 0u},
        {u"255.255.255.255", 0xFFFFFFFFu},
        {u"192.168.100.123", 0xC0A8647Bu},      // three digits in every octet
        {u"010.060.001.005 ", 0x0A3C0105u},     // leading zeros are decimal
        {u"255.255.255.256", std::nullopt},
        {u"256.1.1.1", std::nullopt},
        {u"0010.1.1.1", std::nullopt},           // four digits
        {u"10.60.1.5\t", std::nullopt},          // only blanks are trimmed
        {u"10.60. 1.5", std::nullopt},
        {u"10.60.1", std::nullopt},
        {u"10.60.1.5.6", std::nullopt},
        {u"10..1.5", std::nullopt},
        {u"+10.60.1.5", std::nullopt},
        {u"１0.60.1.5", std::nullopt},           // a fullwidth digit is no digit
        {u"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.address, ParseIpv4(c.text)) << Narrow(c.text);
        EXPECT_EQ(c.address, ParseIpv4(std::string_view(Narrow(c.text)))) << Narrow(c.text);
    }
    EXPECT_EQ("10.60.1.5", FormatIpv4(0x0A3C0105u));

    EXPECT_EQ(65535u, ParseDecimal(u"65535", 5));
    EXPECT_EQ(80u, ParseDecimal(u"00080", 5));
    EXPECT_EQ(std::nullopt, ParseDecimal(u"000080", 5));
    EXPECT_EQ(std::nullopt, ParseDecimal(u"8 0", 5));
    EXPECT_EQ(std::nullopt, ParseDecimal(u"", 5));
}

TEST(ListRules, RowsSortByValueWhereTheColumnHoldsOneAndByTextElsewhere)
{
    const struct {
        int column;
        std::vector<std::u16string> texts; // in the order heard
        std::vector<int> ascending;        // indexes into texts
        std::vector<int> descending;
    } cases[] = {
        {COL_PORT, {u"8080 ", u"80 ", u"65535 ", u"443 ", u"9 ", u"web ", u"", u"554 "},
         {4, 1, 3, 7, 0, 2, 6, 5}, {5, 6, 2, 0, 7, 3, 1, 4}},
        {COL_IP, {u"192.168.100.123 ", u"192.168.20.5 ", u"010.0.0.1 ", u"9.0.0.1 ", u"cam ",
                  u"10.0.0.1 "},
         {3, 2, 5, 1, 0, 4}, {4, 0, 1, 2, 5, 3}},
        {COL_GATEWAY, {u"10.0.0.254 ", u"10.0.0.3 "}, {1, 0}, {0, 1}},
        {COL_CHN, {u"b ", u"a ", u"b ", u"A "}, {3, 1, 0, 2}, {0, 2, 1, 3}},
    };
    for (const auto& c : cases) {
        DeviceRows rows;
        for (std::size_t i = 0; i < c.texts.size(); ++i)
            rows.InsertAt(rows.Size(), Row(static_cast<RowId>(i), c.column, c.texts[i]));
        rows.Sort(InOrder({c.column, false}));
        std::vector<int> ascending;
        for (int p = 0; p < rows.Size(); ++p)
            ascending.push_back(rows.At(p).id);
        EXPECT_EQ(c.ascending, ascending) << "column " << c.column;

        // Descending reverses the values; rows of one value keep the order they were heard in.
        rows.Sort(InOrder({c.column, true}));
        std::vector<int> descending;
        for (int p = 0; p < rows.Size(); ++p)
            descending.push_back(rows.At(p).id);
        EXPECT_EQ(c.descending, descending) << "column " << c.column;
    }
    EXPECT_EQ((RowOrder{COL_IP, false}), NextOrder({}, COL_IP));
    EXPECT_EQ((RowOrder{COL_IP, true}), NextOrder({COL_IP, false}, COL_IP));
    EXPECT_EQ(RowOrder{}, NextOrder({COL_IP, true}, COL_IP));
    EXPECT_EQ((RowOrder{COL_MAC, false}), NextOrder({COL_IP, true}, COL_MAC));
}

TEST(ListRules, AddressesKeepTheirWidthAndTheTextsShareTheRest)
{
    // chn, version, IP, port, gateway, mac
    const struct {
        int available;
        ColumnWidths needed;
        ColumnWidths widths;
    } cases[] = {
        // Room for all: the two texts share what is left over, the odd pixel to the version.
        {600, {50, 60, 100, 40, 100, 150}, {100, 110, 100, 40, 100, 150}},
        {601, {50, 60, 100, 40, 100, 150}, {100, 111, 100, 40, 100, 150}},
        {500, {50, 60, 100, 40, 100, 150}, {50, 60, 100, 40, 100, 150}},
        // Too little for both texts: the narrower gets what it needs...
        {500, {50, 200, 100, 40, 100, 150}, {50, 60, 100, 40, 100, 150}},
        // ... but never more than half of what is left.
        {500, {300, 200, 100, 40, 100, 150}, {55, 55, 100, 40, 100, 150}},
        {500, {200, 300, 100, 40, 100, 150}, {55, 55, 100, 40, 100, 150}},
        // Not even the addresses fit: they stay whole, the texts get nothing.
        {300, {50, 60, 100, 40, 100, 150}, {0, 0, 100, 40, 100, 150}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.widths, FitColumns(c.available, c.needed)) << c.available;
}

TEST(ListRules, AnEditOfAnyOneFieldIsAChangeAndAllFiveAreTaken)
{
    const RowSnapshot row{7, u"前门 ", u"10.0.0.7 ", u"80 ", u"10.0.0.1 ", u"AA:BB "};
    std::u16string RowSnapshot::*const fields[] = {&RowSnapshot::chn, &RowSnapshot::ip,
                                                   &RowSnapshot::port, &RowSnapshot::gateway,
                                                   &RowSnapshot::mac};
    for (std::u16string RowSnapshot::*const field : fields) {
        RowSnapshot snapshot = row;
        RowSnapshot typed = row;
        typed.*field = (row.*field).substr(0, (row.*field).size() - 1); // only the blank removed
        typed.row = NO_ROW;
        ASSERT_EQ(EditOutcome::Changed, ApplyEdit(snapshot, typed));
        EXPECT_EQ(typed.*field, snapshot.*field);
        EXPECT_EQ(7, snapshot.row) << "the snapshot keeps naming its row";
    }
    RowSnapshot snapshot = row;
    RowSnapshot typed = row;
    typed.row = NO_ROW;
    EXPECT_EQ(EditOutcome::Unchanged, ApplyEdit(snapshot, typed));
    EXPECT_EQ(7, snapshot.row);
    typed.mac = u"aa:bb ";
    EXPECT_EQ(EditOutcome::Changed, ApplyEdit(snapshot, typed)) << "case counts";
}

TEST(ListRules, ClipboardCellsPasteAsOneCellAndNeverRun)
{
    const struct {
        std::u16string cell;
        std::u16string copied;
    } cases[] = {
        {u"前门 ", u"前门"},
        {u"a  ", u"a "},                        // only the cell's own blank goes
        {u"=1+2 ", u"'=1+2"},
        {u"+80", u"'+80"},
        {u"-x", u"'-x"},
        {u"@gw", u"'@gw"},
        {u" =1", u" =1"},                       // not at the start: no formula
        {u"x\ty\nz\r\u2028\u2029 ", u"x y z   "},
        {u"a\x1B\u202E", u"a\u241B\uFFFD"},
    };
    for (const auto& c : cases)
        EXPECT_TRUE(c.copied == ClipboardCell(c.cell)) << Narrow(c.cell);
}
