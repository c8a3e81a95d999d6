// Checking a site against its address plan: how a plan file is read, which lines are skipped and
// why, how an answer is matched to its planned device, and the verdicts the list shows.
#include "address_plan.h"
#include "ansi_text.h"
#include "device_list_bridge.h"
#include "device_output.h"
#include "list_presenter.h"
#include "plan_verdict.h"
#include "resource.h"
#include "site_messages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string Narrow(std::u16string_view text)
{
    return std::string(text.begin(), text.end());
}

// A device's answer as a row holds it: each text with the cell's trailing blank.
RowCells Heard(std::u16string mac, std::u16string ip, std::u16string port = u"80",
               std::u16string gateway = u"10.0.0.1", std::u16string chn = u"door")
{
    return {chn + u" ", u"V1 ", ip + u" ", port + u" ", gateway + u" ", mac + u" "};
}

// ASCII text as UTF-16 with its byte order mark, as spreadsheets save "Unicode text".
std::string Utf16(std::string_view ascii)
{
    std::string bytes = "\xFF\xFE";
    for (const char c : ascii)
        bytes.append({c, '\0'});
    return bytes;
}

// A device's reply: its MAC, and its channel name as the bytes it sends.
BCDevNetInfo Reply(std::string_view mac, std::string_view name)
{
    BCDevNetInfo record{};
    mac.copy(record.mac, sizeof record.mac);
    name.copy(record.chn, sizeof record.chn);
    return record;
}

// Lists a reply through the bridge as the search worker does.
int List(CDeviceListBridge& bridge, const BCDevNetInfo& record)
{
    const int row = bridge.AppendRow();
    const RowCells cells = ReplyCellTexts(record);
    for (int column = 0; column < COL_COUNT; ++column)
        bridge.SetCellText(row, column, cells[static_cast<std::size_t>(column)]);
    bridge.SetRecord(row, record);
    bridge.TurnRedrawOn();
    return row;
}

// Code page 1252 as far as Chinese texts' bytes go, from 0xA0 up: each byte is the character of
// its number.
std::u16string Latin1(std::string_view bytes)
{
    std::u16string text;
    for (const char c : bytes)
        text.push_back(static_cast<unsigned char>(c));
    return text;
}

CAddressPlan Plan(std::string_view file)
{
    PlanReading reading = ReadAddressPlan(file);
    EXPECT_EQ(PlanError::None, reading.error);
    EXPECT_TRUE(reading.problems.empty());
    return std::move(reading.plan);
}

// The string table's texts the tests read, short and in English.
std::u16string Strings(int id)
{
    switch (id) {
    case IDS_STATUS_SEARCHING:
        return u"searching";
    case IDS_STATUS_COUNT:
        return u"%1 devices";
    case IDS_STATUS_CHANGED:
        return u"%1 changed";
    case IDS_LIST_SEPARATOR:
        return u"，";
    case IDS_STATUS_SILENT:
        return u"%1 silent";
    case IDS_STATUS_PLAN:
        return u"plan %1: %2 as planned, %3 differ, %4 missing, %5 unplanned, %6 silent";
    case IDS_MISSING_COUNT:
        return u"%1 misses %2:";
    case IDS_PLAN_LINE:
        return u"line %1: %2";
    case IDS_PLAN_COLUMN_TEXT:
        return u"%1=%2";
    case IDS_TIP_VERDICT_NOW:
        return u"judged on what it answers now";
    default:
        return {};
    }
}

} // namespace

TEST(AddressPlan, MacTextsAreKeyedOneWay)
{
    const struct {
        std::u16string text;
        std::optional<std::string> key;
    } cases[] = {
        {u"00-1A-2b-3C-4d-5E", "001a2b3c4d5e"},
        {u"00:1a:2b:3c:4d:5e", "001a2b3c4d5e"},
        {u"001A2B3C4D5E", "001a2b3c4d5e"},
        {u" 00-1a-2b-3c-4d-5e ", "001a2b3c4d5e"},
        {u"00-1a:2b-3c-4d-5e", std::nullopt}, // one separator throughout
        {u"00-1a-2b-3c-4d-5", std::nullopt},
        {u"001a2b3c4d5e0", std::nullopt},
        {u"00-1a-2b-3c-4d-5g", std::nullopt},
        {u"001a.2b3c.4d5e", std::nullopt},
        {u"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.key, MacKey(c.text)) << Narrow(c.text);
}

TEST(AddressPlan, FilesAreReadInEveryWaySpreadsheetsWriteThem)
{
    const struct {
        const char* what;
        std::string file;
        std::u16string chn;
        std::u16string ip;
        int line;
        std::u16string gateway = u"";
    } cases[] = {
        {"UTF-8 with its mark, Chinese headings, CRLF",
         "\xEF\xBB\xBF" "MAC地址,通道名称,IP地址,端口,网关\r\n"
         "00-11-22-33-44-55,门口,10.0.0.5,80,10.0.0.1\r\n",
         u"门口", u"10.0.0.5", 2, u"10.0.0.1"},
        {"semicolons, English headings in any case, an unknown column",
         "Location;Mac Address;IP;Name\n\nhall;00:11:22:33:44:55; 10.0.0.5 ;door\n",
         u"door", u"10.0.0.5", 3},
        {"tabs", "mac\tchn\tip\n001122334455\tdoor\t10.0.0.5\n", u"door", u"10.0.0.5", 2},
        {"GBK", "MAC\xB5\xD8\xD6\xB7,\xCD\xA8\xB5\xC0\xC3\xFB\n001122334455,\xC3\xC5\xBF\xDA\n",
         u"门口", u"", 2},
        {"UTF-16 with its mark", Utf16("mac\tip\r\n001122334455\t1.2.3.4\r\n"), u"",
         u"1.2.3.4", 2},
        {"quotes around separators, doubled quotes and a line break",
         "mac,chn\n\"001122334455\",\"say \"\"hi\"\",\nbye\"\n", u"say \"hi\",\nbye", u"", 2},
        {"empty lines and lines of separators between",
         "\n\nmac,ip\n,\n\n00-11-22-33-44-55,10.0.0.5,\n", u"", u"10.0.0.5", 6},
        {"the byte order mark, then an empty line",
         "\xEF\xBB\xBF\r\nmac,ip\r\n001122334455,10.0.0.5\r\n", u"", u"10.0.0.5", 3},
        {"a quoted heading holding more commas than there are semicolons, and more names",
         "\"a,b,c,d,e\";MAC_Address;ip;默认网关\nx;00-11-22-33-44-55;10.0.0.5;10.0.0.1\n", u"",
         u"10.0.0.5", 2, u"10.0.0.1"},
    };
    for (const auto& c : cases) {
        const PlanReading reading = ReadAddressPlan(c.file);
        ASSERT_EQ(PlanError::None, reading.error) << c.what;
        EXPECT_TRUE(reading.problems.empty()) << c.what;
        ASSERT_EQ(1u, reading.plan.Devices().size()) << c.what;
        const PlannedDevice& device = reading.plan.Devices()[0];
        EXPECT_EQ("001122334455", device.macKey) << c.what;
        EXPECT_EQ(c.chn, device.texts[COL_CHN]) << c.what;
        EXPECT_EQ(c.ip, device.texts[COL_IP]) << c.what;
        EXPECT_EQ(c.gateway, device.texts[COL_GATEWAY]) << c.what;
        EXPECT_EQ(c.line, device.line) << c.what;
    }
    // A CRLF inside quotes is one line break of the file, as any other.
    const PlanReading quoted =
        ReadAddressPlan("mac,chn\r\n001122334455,\"a\r\nb\"\r\n001122334466,c\r\n");
    ASSERT_EQ(2u, quoted.plan.Devices().size());
    EXPECT_EQ(4, quoted.plan.Devices()[1].line);
}

TEST(AddressPlan, BadLinesAreSkippedWithTheirLineAndNeverGuessed)
{
    const PlanReading reading = ReadAddressPlan(
        "mac,ip,port,gateway\n"
        "00-11-22-33-44-01,10.0.0.1,80,10.0.0.254\n" // 2: good
        ",10.0.0.2,80,\n"                            // 3: no MAC
        "00112233440g,10.0.0.3,80,\n"                // 4
        "00:11:22:33:44:01,10.0.0.4,80,\n"           // 5: line 2's MAC
        "001122334405,10.0.0.256,80,\n"              // 6
        "001122334406,10.0.0.6,65536,\n"             // 7
        "001122334407,10.0.0.7,80,10.0.0\n"          // 8
        "001122334408,10.0.0.8,80,,extra\n"          // 9: more fields than headings
        "001122334409,10.0.0.9\n"                    // 10: fewer
        "00112233440a,\"10.0.0.10,80,\n"             // 11: a stray quote, closed by line 12's
        "00112233440b,\"10.0.0.11\"x,80,\n"          // 12
        "00112233440c,10.0.0.12,65535,,,\n"          // 13: good, empty fields after the last
        "00112233440d,\"10.0.0.13,80,\n"             // 14: a stray quote, closed at line 15's end
        "00112233440e,10.0.0.14,80,\"\n"             // 15: a quote that never closes
        "00112233440f,10.0.0.16,80,\"\"\n");         // 16: good, its empty gateway quoted
    ASSERT_EQ(PlanError::None, reading.error);
    const struct {
        int line;
        PlanFault fault;
        std::u16string text;
        int other;
    } expected[] = {
        {3, PlanFault::NoMac, u"", 0},
        {4, PlanFault::BadMac, u"00112233440g", 0},
        {5, PlanFault::RepeatedMac, u"00:11:22:33:44:01", 2},
        {6, PlanFault::BadIp, u"10.0.0.256", 0},
        {7, PlanFault::BadPort, u"65536", 0},
        {8, PlanFault::BadGateway, u"10.0.0", 0},
        {9, PlanFault::FieldCount, u"5", 4},
        {10, PlanFault::FieldCount, u"2", 4},
        {11, PlanFault::UnclosedQuote, u"", 0},
        {12, PlanFault::TextAfterQuote, u"", 0},
        {14, PlanFault::FieldCount, u"2", 4},
        {15, PlanFault::UnclosedQuote, u"", 0},
    };
    ASSERT_EQ(std::size(expected), reading.problems.size());
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const PlanProblem& problem = reading.problems[i];
        EXPECT_EQ(expected[i].line, problem.line) << i;
        EXPECT_EQ(expected[i].fault, problem.fault) << "line " << problem.line;
        EXPECT_EQ(expected[i].text, problem.text) << "line " << problem.line;
        EXPECT_EQ(expected[i].other, problem.other) << "line " << problem.line;
    }
    ASSERT_EQ(3u, reading.plan.Devices().size());
    EXPECT_EQ(2, reading.plan.Devices()[0].line);
    EXPECT_EQ(13, reading.plan.Devices()[1].line);
    EXPECT_EQ(16, reading.plan.Devices()[2].line);

    const struct {
        std::string file;
        PlanError error;
    } files[] = {
        {"", PlanError::NoHeading},
        {"\r\n\r\n", PlanError::NoHeading},
        {"chn,ip\ndoor,10.0.0.1\n", PlanError::NoMacColumn},
        {"mac,IP,IP Address\n", PlanError::RepeatedColumn},
        {std::string(MAX_PLAN_BYTES + 1, ','), PlanError::TooLarge},
    };
    for (const auto& f : files)
        EXPECT_EQ(f.error, ReadAddressPlan(f.file).error) << f.file.substr(0, 30);
}

TEST(AddressPlan, WhateverTheFileWhatIsKeptOfItIsBounded)
{
    // A line of the MAC then these fields.
    const auto line = [](std::size_t fields, std::string_view field = "") {
        std::string text = "001122334455";
        for (std::size_t i = 1; i < fields; ++i)
            text.append(",").append(field);
        return text + "\n";
    };
    // A heading of the MAC column, unknown ones, and the IP column at place ip.
    const auto heading = [](std::size_t ip) {
        std::string text = "mac";
        for (std::size_t place = 1; place <= ip; ++place)
            text += place == ip ? ",ip" : ",note";
        return text + "\n";
    };
    std::string notes;
    for (std::size_t place = 0; place < MAX_PLAN_FIELDS; ++place)
        notes += "note,";
    const std::u16string emoji = u"\U0001F600";
    std::string many = "mac\n";
    for (int i = 0; i < 250; ++i)
        many += "x\n";
    std::string mostDevices = "mac\n";
    for (std::size_t i = 0; i < MAX_PLANNED_DEVICES; ++i) {
        char mac[16];
        std::snprintf(mac, sizeof mac, "%012zx\n", i);
        mostDevices += mac;
    }
    const struct {
        const char* what;
        std::string file;
        PlanError error;
        std::size_t devices;
        std::size_t skipped;
        // The last problem kept, when any is.
        std::size_t kept;
        int line;
        std::u16string text;
        int other;
    } cases[] = {
        {"problems past the kept ones are counted", many, PlanError::None, 0, 250,
         KEPT_PLAN_PROBLEMS, static_cast<int>(KEPT_PLAN_PROBLEMS) + 1, u"x", 0},
        {"a text at fault is cut", "mac\n" + std::string(100, 'y'), PlanError::None, 0, 1, 1, 2,
         std::u16string(PLAN_PROBLEM_TEXT - 1, u'y') + u"\u2026", 0},
        {"never inside a character",
         "mac\n" + std::string(PLAN_PROBLEM_TEXT - 2, 'y') + "\xF0\x9F\x98\x80yy",
         PlanError::None, 0, 1, 1, 2, std::u16string(PLAN_PROBLEM_TEXT - 2, u'y') + u"\u2026", 0},
        {"a text that fits stays whole",
         "mac\n" + std::string(PLAN_PROBLEM_TEXT - 2, 'y') + "\xF0\x9F\x98\x80",
         PlanError::None, 0, 1, 1, 2, std::u16string(PLAN_PROBLEM_TEXT - 2, u'y') + emoji, 0},
        {"fields past the kept ones are counted", "mac,ip\n" + line(1000, "x"), PlanError::None, 0,
         1, 1, 2, u"1000", 2},
        {"blank ones after them carry nothing", "mac,ip\n" + line(1000), PlanError::None, 1, 0, 0,
         0, u"", 0},
        {"the last column kept is read", heading(MAX_PLAN_FIELDS - 1)
         + line(MAX_PLAN_FIELDS, "300.1.1.1"), PlanError::None, 0, 1, 1, 2, u"300.1.1.1", 0},
        {"a column past it is not",
         heading(MAX_PLAN_FIELDS) + line(MAX_PLAN_FIELDS + 1, "300.1.1.1"), PlanError::None, 1, 0,
         0, 0, u"", 0},
        {"nor the MAC column", notes + "mac\n" + line(1), PlanError::NoMacColumn, 0, 0, 0, 0, u"",
         0},
        {"a heading's name is not cut into a known one", "mac,Default Gateway 2\n001122334455,x\n",
         PlanError::None, 1, 0, 0, 0, u"", 0},
        {"the most devices a plan may plan", mostDevices, PlanError::None, MAX_PLANNED_DEVICES, 0,
         0, 0, u"", 0},
        {"one more is no plan", mostDevices + "ffffffffffff\n", PlanError::TooManyDevices, 0, 0, 0,
         0, u"", 0},
    };
    for (const auto& c : cases) {
        const PlanReading reading = ReadAddressPlan(c.file);
        EXPECT_EQ(c.error, reading.error) << c.what;
        EXPECT_EQ(c.devices, reading.plan.Devices().size()) << c.what;
        EXPECT_EQ(c.skipped, reading.skipped) << c.what;
        ASSERT_EQ(c.kept, reading.problems.size()) << c.what;
        if (c.kept == 0)
            continue;
        EXPECT_EQ(c.line, reading.problems.back().line) << c.what;
        EXPECT_EQ(c.text, reading.problems.back().text) << c.what;
        EXPECT_EQ(c.other, reading.problems.back().other) << c.what;
    }

    // The window lists the lines kept, then says how many more there are.
    const CListPresenter presenter({});
    const CSiteMessages messages(presenter, [](int id) -> std::u16string {
        switch (id) {
        case IDS_PLAN_SKIPPED:
            return u"%1 skips %2:";
        case IDS_PLAN_LINE:
            return u"line %1: %2";
        case IDS_FAULT_BAD_MAC:
            return u"MAC %1";
        case IDS_PLAN_MORE_SKIPPED:
            return u"%1 more";
        default:
            return {};
        }
    });
    const std::u16string text = messages.PlanProblemsText(ReadAddressPlan(many), u"site.csv");
    EXPECT_TRUE(text.starts_with(u"site.csv skips 250:\nline 2: MAC x\n")) << Narrow(text);
    EXPECT_TRUE(text.ends_with(u"\nline 101: MAC x\n150 more\n")) << Narrow(text);
}

TEST(AddressPlan, AnswersAreJudgedByWhatTheySay)
{
    const CAddressPlan plan = Plan("mac,chn,ip,port,gateway\n"
                                   "00-11-22-33-44-55,door,10.0.0.5,80,10.0.0.1\n"
                                   "001122334466,,,,\n");
    using Kind = PlanVerdict::Kind;
    const struct {
        const char* what;
        RowCells heard;
        Kind kind;
        std::vector<int> differences;
    } cases[] = {
        {"as planned", Heard(u"00-11-22-33-44-55", u"10.0.0.5"), Kind::AsPlanned, {}},
        {"the MAC in capitals with colons", Heard(u"00:11:22:33:44:55", u"10.0.0.5"),
         Kind::AsPlanned, {}},
        {"the address with leading zeros", Heard(u"001122334455", u"010.000.000.005", u"0080"),
         Kind::AsPlanned, {}},
        {"another address", Heard(u"001122334455", u"10.0.0.9"), Kind::Differs, {COL_IP}},
        {"another name and gateway, in the plan's order",
         Heard(u"001122334455", u"10.0.0.5", u"80", u"10.0.0.254", u"Door"), Kind::Differs,
         {COL_CHN, COL_GATEWAY}},
        {"a port that is no number", Heard(u"001122334455", u"10.0.0.5", u"80a"), Kind::Differs,
         {COL_PORT}},
        {"only the MAC planned", Heard(u"00-11-22-33-44-66", u"192.168.1.1", u"", u""),
         Kind::AsPlanned, {}},
        {"a MAC the plan does not have", Heard(u"001122334477", u"10.0.0.5"), Kind::NotInPlan, {}},
        {"no MAC at all", Heard(u"", u"10.0.0.5"), Kind::NotInPlan, {}},
    };
    for (const auto& c : cases) {
        const PlanVerdict verdict = CheckAgainstPlan(plan, c.heard, {});
        EXPECT_EQ(c.kind, verdict.kind) << c.what;
        std::vector<int> columns;
        for (const FieldDifference& difference : verdict.differences)
            columns.push_back(difference.column);
        EXPECT_EQ(c.differences, columns) << c.what;
    }
    const PlanVerdict verdict = CheckAgainstPlan(plan, Heard(u"001122334455", u"10.0.0.9"), {});
    ASSERT_EQ(1u, verdict.differences.size());
    EXPECT_EQ(u"10.0.0.5", verdict.differences[0].planned);
    EXPECT_EQ(u"10.0.0.9", verdict.differences[0].heard);
}

TEST(AddressPlan, ANameIsAsPlannedInAnyOfItsDecodingsWhateverTheCodePage)
{
    using Kind = PlanVerdict::Kind;
    const struct {
        const char* what;
        std::string sent;   // the name's bytes in the reply
        const char* planned;
        std::u16string shownUnder1252;
        Kind kind;
    } cases[] = {
        // Shown as code page 1252 reads it on an English Windows.
        {"GBK", "\xC7\xB0\xC3\xC5" "31", "前门31", u"Ç°ÃÅ31", Kind::AsPlanned},
        // Also valid UTF-8, as which every system shows it.
        {"GBK that is UTF-8 too", "\xC7\xB0\xCC\xA8" "1", "前台1", u"ǰ̨1", Kind::AsPlanned},
        {"UTF-8", "\xE5\x89\x8D\xE9\x97\xA8" "31", "前门31", u"前门31", Kind::AsPlanned},
        {"another name", "\xBA\xF3\xC3\xC5" "31", "前门31", u"ºóÃÅ31", Kind::Differs},
    };
    for (const auto& c : cases) {
        const CAddressPlan plan = Plan(std::string("mac,chn\n001122334401,") + c.planned
                                       + "\n001122334402," + c.planned + "\n");
        // The reply as a list on an English Windows holds it.
        const PlanVerdict english = CheckAgainstPlan(
            plan, Heard(u"00-11-22-33-44-01", u"10.0.0.5", u"80", u"10.0.0.1", c.shownUnder1252),
            EveryDecoding(c.sent, Latin1));
        EXPECT_EQ(c.kind, english.kind) << c.what;

        // Under this system's code page: one device answers with the name from the first, the
        // other is renamed to it while the search goes on.
        CDeviceListBridge bridge([] { return true; });
        bridge.DeleteAllRows();
        List(bridge, Reply("00-11-22-33-44-01", c.sent));
        const int renamed = List(bridge, Reply("00-11-22-33-44-02", "cam"));
        bridge.SetLatestReply(renamed, Reply("00-11-22-33-44-02", c.sent), {});
        ListUpdate update = bridge.TakeUpdate();
        const std::vector<FoundDevice> report =
            PlanReport(plan, {FoundDevice{update.rows.at(0), std::nullopt, std::nullopt,
                                          std::nullopt, std::nullopt}});
        CListPresenter presenter({});
        presenter.Apply(std::move(update));
        presenter.OpenPlan(plan, u"site.csv");
        EXPECT_EQ(c.kind, report.at(0).plan->kind) << c.what;
        EXPECT_EQ(c.kind, presenter.Verdict(0).kind) << c.what;
        EXPECT_EQ(c.kind, presenter.Verdict(1).kind) << c.what;

        // A name that differs is shown as its cell shows it.
        if (c.kind == Kind::Differs) {
            EXPECT_EQ(c.shownUnder1252, english.differences.at(0).heard) << c.what;
            EXPECT_EQ(DecodeAnsi(c.sent), presenter.Verdict(1).differences.at(0).heard) << c.what;
        }
    }
}

TEST(AddressPlan, TheListsVerdictsFollowWhatTheDevicesAnswerNow)
{
    CListPresenter presenter(Strings);
    const CSiteMessages messages(presenter, Strings);
    ListUpdate update;
    update.cleared = true;
    const RowCells heard[] = {Heard(u"00-11-22-33-44-01", u"10.0.0.9"),
                              Heard(u"00-11-22-33-44-02", u"10.0.0.2"),
                              Heard(u"00-11-22-33-44-99", u"10.0.0.99")};
    for (const RowCells& cells : heard) {
        DeviceRow row;
        row.id = static_cast<RowId>(update.rows.size());
        row.cells = row.listed = row.latest = cells;
        update.rows.push_back(row);
    }
    presenter.Apply(std::move(update));
    presenter.OpenPlan(Plan("mac,ip\n001122334401,10.0.0.1\n001122334402,10.0.0.2\n"
                            "001122334403,10.0.0.3\n"),
                       u"site.csv");
    EXPECT_EQ(CellMark::PlanDiffers, presenter.Mark(0, COL_MAC));
    EXPECT_EQ(CellMark::AsPlanned, presenter.Mark(1, COL_MAC));
    EXPECT_EQ(CellMark::NotInPlan, presenter.Mark(2, COL_MAC));
    EXPECT_EQ(CellMark::None, presenter.Mark(1, COL_IP));
    EXPECT_EQ(u"searching    3 devices    plan 3: 1 as planned, 1 differ, 1 missing, 1 unplanned, 0 silent",
              presenter.StatusText(true));

    // The first device takes its planned address: as planned, with no new search.
    ListUpdate later;
    DeviceEvent readdressed;
    readdressed.row = 0;
    readdressed.cells = Heard(u"00-11-22-33-44-01", u"10.0.0.1");
    later.events.push_back(readdressed);
    presenter.Apply(std::move(later));
    EXPECT_EQ(CellMark::AsPlanned, presenter.Mark(0, COL_MAC));
    // The row still shows its old address: the tooltip says which texts the tick is about.
    const std::vector<std::u16string> tip = presenter.ToolTip(0, COL_MAC);
    EXPECT_NE(tip.end(), std::find(tip.begin(), tip.end(), u"judged on what it answers now"));
    // An edit of the row changes what the list shows, not what the device answers.
    presenter.TakeSnapshot(1);
    presenter.Snapshot().ip = u"10.0.0.77";
    presenter.WriteBackSnapshot();
    EXPECT_EQ(CellMark::AsPlanned, presenter.Mark(1, COL_MAC));
    // A deleted row's device answered: it is not missing.
    presenter.Remove(1);
    EXPECT_EQ(u"searching    2 devices，1 changed    plan 3: 1 as planned, 0 differ, 1 missing, 1 unplanned, 0 silent",
              presenter.StatusText(true));
    EXPECT_EQ(u"site.csv misses 1:\nline 4: mac 001122334403，IP 10.0.0.3\n",
              messages.MissingText());
    // The saved list is the hand-over: in plan order, the missing device too, each row with the
    // texts its verdict was judged on and the ones the list showed beside them.
    EXPECT_EQ("\xEF\xBB\xBF" "chn,version,ip,port,gateway,mac,plan,plan_line,plan_differences,listed\r\n"
              "door,V1,10.0.0.1,80,10.0.0.1,00-11-22-33-44-01,as-planned,2,,ip 10.0.0.9\r\n"
              ",,10.0.0.3,,,001122334403,missing,4,,\r\n"
              "door,V1,10.0.0.99,80,10.0.0.1,00-11-22-33-44-99,not-in-plan,,,\r\n",
              presenter.SaveText(OutputFormat::Csv, std::nullopt));
    // Selected rows are those rows alone.
    EXPECT_EQ("\xEF\xBB\xBF" "chn,version,ip,port,gateway,mac,plan,plan_line,plan_differences\r\n"
              "door,V1,10.0.0.99,80,10.0.0.1,00-11-22-33-44-99,not-in-plan,,\r\n",
              presenter.SaveText(OutputFormat::Csv, std::vector<int>{1}));
    // A planned device that stops answering is no longer as planned; one not in the plan stays so.
    ListUpdate silence;
    for (const RowId row : {RowId{0}, RowId{2}}) {
        DeviceEvent silent;
        silent.kind = DeviceEvent::Kind::Silent;
        silent.row = row;
        silence.events.push_back(silent);
    }
    presenter.Apply(std::move(silence));
    EXPECT_EQ(CellMark::None, presenter.Mark(0, COL_MAC));
    EXPECT_EQ(CellMark::NotInPlan, presenter.Mark(1, COL_MAC));
    EXPECT_EQ(u"searching    2 devices，1 changed，2 silent    plan 3: 0 as planned, 0 differ, 1 missing, 1 unplanned, 1 silent",
              presenter.StatusText(true));
    EXPECT_NE(std::string::npos,
              presenter.SaveText(OutputFormat::Csv, std::nullopt).find(",silent,2,,ip 10.0.0.9\r\n"));
    ListUpdate back;
    back.events.push_back(readdressed);
    presenter.Apply(std::move(back));
    EXPECT_EQ(CellMark::AsPlanned, presenter.Mark(0, COL_MAC));
    // A new search that has heard nothing yet: every planned device is missing again.
    ListUpdate fresh;
    fresh.cleared = true;
    presenter.Apply(std::move(fresh));
    EXPECT_EQ(u"searching    0 devices    plan 3: 0 as planned, 0 differ, 3 missing, 0 unplanned, 0 silent",
              presenter.StatusText(true));
}

TEST(AddressPlan, ThePlansOwnColumnsReachTheInstaller)
{
    // A site's spreadsheet: its own columns around the known ones, one with no name, and more
    // of them than are carried.
    const CAddressPlan plan = Plan("序号,区域, 安装位置 ,MAC地址,IP地址,,备注,a,b,c,d,e\n"
                                   "1,A区, 围墙西 ,001122334401,10.0.0.1,x,, , , , , \n"
                                   "2,B区,大门,001122334402,10.0.0.2,,\"=1,2\",,,,,\n");
    EXPECT_EQ((std::vector<std::u16string>{u"序号", u"区域", u"安装位置", u"备注", u"a", u"b",
                                           u"c", u"d"}),
              plan.ExtraColumns());
    EXPECT_EQ((std::vector<std::u16string>{u"1", u"A区", u"围墙西"}), plan.Devices()[0].extra);
    EXPECT_EQ((std::vector<std::u16string>{u"2", u"B区", u"大门", u"=1,2"}), plan.Devices()[1].extra);

    CListPresenter presenter(Strings);
    const CSiteMessages messages(presenter, Strings);
    ListUpdate update;
    update.cleared = true;
    DeviceRow row;
    row.cells = row.listed = row.latest = Heard(u"00-11-22-33-44-01", u"10.0.0.1");
    update.rows.push_back(row);
    presenter.Apply(std::move(update));
    presenter.OpenPlan(plan, u"site.csv");

    const std::vector<std::u16string> tip = presenter.ToolTip(0, COL_MAC);
    EXPECT_EQ((std::vector<std::u16string>{u"序号=1", u"区域=A区", u"安装位置=围墙西"}),
              std::vector<std::u16string>(tip.end() - 3, tip.end()));
    EXPECT_EQ(u"site.csv misses 1:\nline 3: mac 001122334402，IP 10.0.0.2，序号 2，区域 B区，安装位置 "
              u"大门，备注 =1,2\n",
              messages.MissingText());
    EXPECT_EQ("\xEF\xBB\xBF" "chn,version,ip,port,gateway,mac,plan,plan_line,plan_differences,"
              "序号,区域,安装位置,备注,a,b,c,d\r\n"
              "door,V1,10.0.0.1,80,10.0.0.1,00-11-22-33-44-01,as-planned,2,,1,A区,围墙西,,,,,\r\n"
              ",,10.0.0.2,,,001122334402,missing,3,,2,B区,大门,\"'=1,2\",,,,\r\n",
              presenter.SaveText(OutputFormat::Csv, std::nullopt));

    // quenlo-find's report: a missing device's own columns too, and in JSON by name.
    OutputStyle style;
    style.format = OutputFormat::Json;
    style.planColumns = plan.ExtraColumns();
    const std::vector<FoundDevice> report = PlanReport(plan, {});
    const std::string json = FormatDevices({report[1]}, style);
    EXPECT_NE(std::string::npos,
              json.find("\"columns\":{\"序号\":\"2\",\"区域\":\"B区\",\"安装位置\":\"大门\","
                        "\"备注\":\"=1,2\",\"a\":null,\"b\":null,\"c\":null,\"d\":null}"))
        << json;
}
