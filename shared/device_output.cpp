#include "device_output.h"

#include "clipboard_text.h"
#include "ipv4_text.h"
#include "text_format.h"
#include "unlisted_count.h"
#include "visible_text.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

// The six texts in the list's column order, and the record slot each comes from.
struct Field {
    const char* name;
    std::size_t offset;
    std::size_t width;
};

constexpr std::array<Field, COL_COUNT> FIELDS = {{
    {"chn", offsetof(BCDevNetInfo, chn), sizeof(BCDevNetInfo::chn)},
    {"version", offsetof(BCDevNetInfo, version), sizeof(BCDevNetInfo::version)},
    {"ip", offsetof(BCDevNetInfo, ip), sizeof(BCDevNetInfo::ip)},
    {"port", offsetof(BCDevNetInfo, port), sizeof(BCDevNetInfo::port)},
    {"gateway", offsetof(BCDevNetInfo, gateway), sizeof(BCDevNetInfo::gateway)},
    {"mac", offsetof(BCDevNetInfo, mac), sizeof(BCDevNetInfo::mac)},
}};

constexpr std::string_view UTF8_BYTE_ORDER_MARK = "\xEF\xBB\xBF";

bool IsHighSurrogate(char16_t c)
{
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(char16_t c)
{
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Calls visit with each code point of text; an unpaired surrogate is U+FFFD.
template <class Visit>
void ForEachCodePoint(std::u16string_view text, Visit visit)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
            c = 0xFFFD;
        }
        visit(c);
    }
}

// East Asian wide and fullwidth characters take two columns of a terminal.
bool IsWide(char32_t c)
{
    return (c >= 0x1100 && c <= 0x115F) || c == 0x2329 || c == 0x232A
           || (c >= 0x2E80 && c <= 0xA4CF && c != 0x303F) || (c >= 0xAC00 && c <= 0xD7A3)
           || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE10 && c <= 0xFE19)
           || (c >= 0xFE30 && c <= 0xFE6F) || (c >= 0xFF00 && c <= 0xFF60)
           || (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x1F300 && c <= 0x1F64F)
           || (c >= 0x1F900 && c <= 0x1F9FF) || (c >= 0x20000 && c <= 0x3FFFD);
}

// The columns UTF-8 text takes on a terminal.
std::size_t DisplayWidth(std::string_view utf8)
{
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (std::size_t k = 1; k < length && i + k < utf8.size(); ++k)
            c = c << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        width += IsWide(c) ? 2 : 1;
        i += length;
    }
    return width;
}

// A device's text: its cell without the trailing blank.
std::u16string_view Text(const DeviceRow& row, int column)
{
    return WithoutCellBlank(row.cells[static_cast<std::size_t>(column)]);
}

// Every byte of a field's slot in the device's record, as two lowercase hex digits.
std::string Hex(const DeviceRow& row, const Field& field)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(&row.record) + field.offset;
    std::string hex;
    for (std::size_t i = 0; i < field.width; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        hex += pair;
    }
    return hex;
}

std::string VisibleUtf8(std::u16string_view text)
{
    return ToUtf8(VisibleText(text));
}

// A text for a spreadsheet cell: visible, and never read as a formula.
std::string SheetText(std::u16string_view text)
{
    return ToUtf8(SpreadsheetSafe(VisibleText(text)));
}

// Whether the device answered: every device but a planned one that none answered for.
bool Heard(const FoundDevice& device)
{
    return !device.plan || device.plan->kind != PlanVerdict::Kind::Missing;
}

// What a line holds beyond the six texts: the hex of each slot when raw; when the devices are
// checked against a plan, the verdict's cells and the plan's own columns.
struct Layout {
    bool raw = false;
    bool checked = false;
    std::vector<std::u16string> planColumns;
    // The listed texts where they differ from the cells.
    bool listed = false;
};

Layout LayoutOf(const std::vector<FoundDevice>& devices, const OutputStyle& style)
{
    Layout layout{style.raw, false, {}, false};
    layout.checked = std::any_of(devices.begin(), devices.end(),
                                 [](const FoundDevice& device) { return device.plan.has_value(); });
    if (layout.checked)
        layout.planColumns = style.planColumns;
    layout.listed = std::any_of(devices.begin(), devices.end(),
                                [](const FoundDevice& device) { return device.listed.has_value(); });
    return layout;
}

// The fields whose listed text is not the cell's, as "ip 192.168.1.64; chn 新设备".
std::u16string ListedDifferences(const FoundDevice& device)
{
    std::u16string differences;
    if (!device.listed)
        return differences;
    for (int column = 0; column < COL_COUNT; ++column) {
        const std::u16string_view listed =
            WithoutCellBlank((*device.listed)[static_cast<std::size_t>(column)]);
        if (listed == Text(device.row, column))
            continue;
        if (!differences.empty())
            differences += u"; ";
        differences.append(AsciiText(FieldName(column))).append(u" ").append(listed);
    }
    return differences;
}

// The text of a planned device's own column, empty where it has none.
std::u16string PlanColumnText(const std::optional<PlanVerdict>& verdict, std::size_t place)
{
    if (!verdict || !verdict->planned || place >= verdict->planned->extra.size())
        return std::u16string();
    return verdict->planned->extra[place];
}

// A verdict's cells: its name, the plan's line, and each field the device answers otherwise as
// "ip 10.0.0.5 -> 10.0.0.9", made by text; empty without a verdict.
template <class MakeText>
void AddVerdictCells(std::vector<std::string>& cells, const std::optional<PlanVerdict>& verdict,
                     MakeText text)
{
    if (!verdict) {
        cells.insert(cells.end(), 3, std::string());
        return;
    }
    cells.push_back(VerdictName(verdict->kind));
    cells.push_back(verdict->planned ? std::to_string(verdict->planned->line) : std::string());
    std::u16string differences;
    for (const FieldDifference& difference : verdict->differences) {
        if (!differences.empty())
            differences += u"; ";
        differences += AsciiText(FieldName(difference.column)) + u" " + difference.planned
                       + u" -> " + difference.heard;
    }
    cells.push_back(text(differences));
}

// Every cell of a device's line as layout says, made by text. A missing device has the plan's
// texts and no hex.
template <class MakeText>
std::vector<std::string> Cells(const FoundDevice& device, const Layout& layout, MakeText text)
{
    const bool heard = Heard(device);
    std::vector<std::string> cells;
    for (int column = 0; column < COL_COUNT; ++column) {
        cells.push_back(text(heard ? Text(device.row, column)
                                   : device.plan->planned->texts[static_cast<std::size_t>(column)]));
    }
    if (layout.raw) {
        for (const Field& field : FIELDS)
            cells.push_back(heard ? Hex(device.row, field) : std::string());
    }
    if (layout.checked)
        AddVerdictCells(cells, device.plan, text);
    if (layout.listed)
        cells.push_back(text(ListedDifferences(device)));
    for (std::size_t place = 0; place < layout.planColumns.size(); ++place)
        cells.push_back(text(PlanColumnText(device.plan, place)));
    return cells;
}

// The headings' line as layout says: the plan's own columns by the names the plan gives them.
template <class MakeText>
std::vector<std::string> Headings(const Layout& layout, MakeText text)
{
    std::vector<std::string> headings;
    for (const Field& field : FIELDS)
        headings.push_back(field.name);
    if (layout.raw) {
        for (const Field& field : FIELDS)
            headings.push_back(std::string(field.name) + "_hex");
    }
    if (layout.checked)
        headings.insert(headings.end(), {"plan", "plan_line", "plan_differences"});
    if (layout.listed)
        headings.push_back("listed");
    for (const std::u16string& name : layout.planColumns)
        headings.push_back(text(name));
    return headings;
}

std::string Join(const std::vector<std::string>& cells, std::string_view separator,
                 std::string_view lineEnd)
{
    std::string line;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += separator;
        line += cells[i];
    }
    return line.append(lineEnd);
}

std::string Tsv(const std::vector<FoundDevice>& devices, const OutputStyle& style)
{
    const Layout layout = LayoutOf(devices, style);
    std::string out;
    for (const FoundDevice& device : devices)
        out += Join(Cells(device, layout, SheetText), "\t", "\n");
    return out;
}

// A CSV field, quoted when it holds a separator or a quote. Line breaks cannot occur: the texts
// are visible ones.
std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + '"';
}

std::string CsvLine(std::vector<std::string> cells)
{
    for (std::string& cell : cells)
        cell = CsvField(cell);
    return Join(cells, ",", "\r\n");
}

std::string Csv(const std::vector<FoundDevice>& devices, const OutputStyle& style)
{
    const Layout layout = LayoutOf(devices, style);
    std::string out = style.excel ? std::string(UTF8_BYTE_ORDER_MARK) : std::string();
    out += CsvLine(Headings(layout, SheetText));
    for (const FoundDevice& device : devices)
        out += CsvLine(Cells(device, layout, SheetText));
    return out;
}

// A JSON string of UTF-8 text.
std::string JsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[7];
                std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + '"';
}

// The verdict as a JSON object: its name, the plan's line, each field the device answers
// otherwise, and for a missing device the plan's texts, null where the plan leaves one empty.
// Texts a list showed for a device, every field: "listed":{"chn":...,"mac":...}.
std::string JsonListed(const RowCells& listed)
{
    std::vector<std::string> fields;
    for (int column = 0; column < COL_COUNT; ++column) {
        fields.push_back(JsonString(FieldName(column)) + ":"
                         + JsonString(ToUtf8(WithoutCellBlank(listed[static_cast<std::size_t>(column)]))));
    }
    return "\"listed\":{" + Join(fields, ",", "") + "}";
}

std::string JsonVerdict(const PlanVerdict& verdict, const std::vector<std::u16string>& planColumns)
{
    std::vector<std::string> differences;
    for (const FieldDifference& difference : verdict.differences) {
        differences.push_back("{\"field\":" + JsonString(FieldName(difference.column))
                              + ",\"planned\":" + JsonString(ToUtf8(difference.planned))
                              + ",\"heard\":" + JsonString(ToUtf8(difference.heard)) + "}");
    }
    std::vector<std::string> members{
        "\"verdict\":" + JsonString(VerdictName(verdict.kind)),
        "\"line\":" + (verdict.planned ? std::to_string(verdict.planned->line) : "null"),
        "\"differences\":[" + Join(differences, ",", "") + "]"};
    if (verdict.kind == PlanVerdict::Kind::Missing) {
        std::vector<std::string> planned;
        for (int column = 0; column < COL_COUNT; ++column) {
            const std::u16string& text = verdict.planned->texts[static_cast<std::size_t>(column)];
            if (column != COL_VERSION)
                planned.push_back(JsonString(FieldName(column)) + ":"
                                  + (text.empty() ? "null" : JsonString(ToUtf8(text))));
        }
        members.push_back("\"planned\":{" + Join(planned, ",", "") + "}");
    }
    if (verdict.planned && !planColumns.empty()) {
        std::vector<std::string> columns;
        for (std::size_t place = 0; place < planColumns.size(); ++place) {
            const std::u16string text = PlanColumnText(verdict, place);
            columns.push_back(JsonString(ToUtf8(planColumns[place])) + ":"
                              + (text.empty() ? "null" : JsonString(ToUtf8(text))));
        }
        members.push_back("\"columns\":{" + Join(columns, ",", "") + "}");
    }
    return '{' + Join(members, ",", "") + '}';
}

// The members of a device's JSON object: its exact texts (and their bytes when raw), where and
// when it was heard, null for what the system did not say and for every one of these when the
// device did not answer, and its verdict when it has one.
std::vector<std::string> JsonMembers(const FoundDevice& device, const Layout& layout)
{
    const bool heard = Heard(device);
    const HeardOn& on = device.row.heardOn;
    const Layout texts{layout.raw, false, {}, false};
    const std::vector<std::string> names = Headings(texts, ToUtf8);
    const std::vector<std::string> values = Cells(device, texts, ToUtf8);
    std::vector<std::string> members;
    for (std::size_t i = 0; i < names.size(); ++i)
        members.push_back(JsonString(names[i]) + ":" + (heard ? JsonString(values[i]) : "null"));
    const std::string interfaceName = JsonString(on.interfaceName);
    const std::string localAddress = JsonString(FormatIpv4(on.localAddress));
    members.push_back("\"interface\":" + (on.interfaceName.empty() ? "null" : interfaceName));
    members.push_back("\"local_address\":" + (on.localAddress == 0 ? "null" : localAddress));
    members.push_back(std::string("\"outside_local_subnets\":")
                      + (!heard ? "null" : on.outsideLocalSubnets ? "true" : "false"));
    members.push_back("\"first_reply_ms\":"
                      + (device.firstReply ? std::to_string(device.firstReply->count())
                                           : std::string("null")));
    members.push_back("\"first_heard\":"
                      + (device.firstHeard ? JsonString(Rfc3339Text(*device.firstHeard))
                                           : std::string("null")));
    if (device.plan)
        members.push_back("\"plan\":" + JsonVerdict(*device.plan, layout.planColumns));
    if (device.listed)
        members.push_back(JsonListed(*device.listed));
    return members;
}

std::string Json(const std::vector<FoundDevice>& devices, const OutputStyle& style)
{
    const Layout layout = LayoutOf(devices, style);
    std::string out;
    for (const FoundDevice& device : devices)
        out += '{' + Join(JsonMembers(device, layout), ",", "") + "}\n";
    return out;
}

// The devices' texts in columns headed by the field names.
std::string Table(const std::vector<FoundDevice>& devices, const OutputStyle& style)
{
    if (devices.empty())
        return std::string();
    const Layout layout = LayoutOf(devices, style);
    std::vector<std::vector<std::string>> lines{Headings(layout, VisibleUtf8)};
    for (const FoundDevice& device : devices)
        lines.push_back(Cells(device, layout, VisibleUtf8));
    return AlignedColumns(lines);
}

} // namespace

std::string ToUtf8(std::u16string_view text)
{
    std::string bytes;
    ForEachCodePoint(text, [&bytes](char32_t c) {
        if (c < 0x80) {
            bytes += static_cast<char>(c);
        } else if (c < 0x800) {
            bytes += static_cast<char>(0xC0 | c >> 6);
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            bytes += static_cast<char>(0xE0 | c >> 12);
            bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            bytes += static_cast<char>(0xF0 | c >> 18);
            bytes += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            bytes += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            bytes += static_cast<char>(0x80 | (c & 0x3F));
        }
    });
    return bytes;
}

std::string AlignedColumns(const std::vector<std::vector<std::string>>& lines)
{
    std::vector<std::size_t> widths(lines.front().size(), 0);
    for (const auto& cells : lines) {
        for (std::size_t i = 0; i < cells.size(); ++i)
            widths[i] = std::max(widths[i], DisplayWidth(cells[i]));
    }
    std::string out;
    for (const auto& cells : lines) {
        // No blanks pad a line after its last text.
        const auto end = std::find_if(cells.rbegin(), cells.rend(),
                                      [](const std::string& cell) { return !cell.empty(); });
        const auto used = static_cast<std::size_t>(cells.rend() - end);
        for (std::size_t i = 0; i < used; ++i) {
            out += cells[i];
            if (i + 1 < used)
                out.append(widths[i] - DisplayWidth(cells[i]) + 2, ' ');
        }
        out += '\n';
    }
    return out;
}

std::string FormatDevices(const std::vector<FoundDevice>& devices, const OutputStyle& style)
{
    switch (style.format) {
    case OutputFormat::Table:
        return Table(devices, style);
    case OutputFormat::Tsv:
        return Tsv(devices, style);
    case OutputFormat::Csv:
        return Csv(devices, style);
    case OutputFormat::Json:
        return Json(devices, style);
    }
    return std::string();
}

std::vector<FoundDevice> InPlanOrder(const CAddressPlan& plan,
                                     const std::vector<FoundDevice>& judged,
                                     const std::vector<const PlannedDevice*>& missing)
{
    std::unordered_map<const PlannedDevice*, std::vector<const FoundDevice*>> answered;
    for (const FoundDevice& device : judged) {
        if (device.plan && device.plan->planned)
            answered[device.plan->planned].push_back(&device);
    }
    const std::unordered_set<const PlannedDevice*> unanswered(missing.begin(), missing.end());
    std::vector<FoundDevice> report;
    for (const PlannedDevice& planned : plan.Devices()) {
        if (const auto found = answered.find(&planned); found != answered.end()) {
            for (const FoundDevice* device : found->second)
                report.push_back(*device);
        } else if (unanswered.count(&planned) > 0) {
            FoundDevice device;
            device.plan = PlanVerdict{PlanVerdict::Kind::Missing, &planned, {}};
            report.push_back(std::move(device));
        }
    }
    for (const FoundDevice& device : judged) {
        if (!device.plan || !device.plan->planned)
            report.push_back(device);
    }
    return report;
}

std::vector<FoundDevice> PlanReport(const CAddressPlan& plan,
                                    const std::vector<FoundDevice>& devices)
{
    std::vector<FoundDevice> judged = devices;
    std::set<std::string> heard;
    for (FoundDevice& device : judged) {
        device.plan = CheckAgainstPlan(plan, device.row.cells, device.row.latestNames);
        if (device.row.silent)
            device.plan = Silenced(std::move(*device.plan));
        if (device.plan->planned)
            heard.insert(device.plan->planned->macKey);
    }
    return InPlanOrder(plan, judged, MissingFromPlan(plan, heard));
}

std::string FormatEventHeading(const OutputStyle& style)
{
    if (style.format != OutputFormat::Csv)
        return std::string();
    std::vector<std::string> headings = Headings(Layout{style.raw, false, {}, false}, ToUtf8);
    headings.insert(headings.begin(), {"time", "event"});
    return (style.excel ? std::string(UTF8_BYTE_ORDER_MARK) : std::string())
           + Join(headings, ",", "\r\n");
}

const char* FieldName(int column)
{
    return FIELDS.at(static_cast<std::size_t>(column)).name;
}

const char* EventName(SearchEvent::Kind kind)
{
    switch (kind) {
    case SearchEvent::Kind::Start:
        return "start";
    case SearchEvent::Kind::New:
        return "new";
    case SearchEvent::Kind::Changed:
        return "changed";
    case SearchEvent::Kind::Silent:
        return "silent";
    case SearchEvent::Kind::Back:
        return "back";
    case SearchEvent::Kind::Full:
        return "full";
    case SearchEvent::Kind::Lost:
        return "lost";
    }
    return "";
}

std::string UnlistedText(int unlisted, bool repliesLost)
{
    if (UnlistedBeyondCount(unlisted))
        return "more than " + std::to_string(MAX_UNLISTED_COUNTED);
    return (repliesLost ? "at least " : "") + std::to_string(unlisted);
}

std::string FormatEvent(const SearchEvent& event, const OutputStyle& style)
{
    const std::string name = EventName(event.kind);
    const std::string time = Rfc3339Text(event.time);
    const bool full = event.kind == SearchEvent::Kind::Full;
    const bool lost = event.kind == SearchEvent::Kind::Lost;
    const bool start = event.kind == SearchEvent::Kind::Start;
    if (style.format == OutputFormat::Json) {
        std::vector<std::string> members{"\"time\":" + JsonString(time),
                                         "\"event\":" + JsonString(name)};
        if (full) {
            const bool beyond = UnlistedBeyondCount(event.unlisted);
            members.push_back("\"unlisted\":"
                              + std::to_string(beyond ? MAX_UNLISTED_COUNTED : event.unlisted));
            if (beyond)
                members.push_back("\"more\":true");
            else if (event.loss.any)
                members.push_back("\"at_least\":true");
        } else if (lost) {
            members.push_back("\"lost\":" + std::to_string(event.loss.counted));
        } else if (!start) {
            const std::vector<std::string> device =
                JsonMembers(event.device, Layout{style.raw, false, {}, false});
            members.insert(members.end(), device.begin(), device.end());
        }
        if (event.kind == SearchEvent::Kind::Changed) {
            members.push_back(JsonListed(event.before));
        }
        if (event.kind == SearchEvent::Kind::Silent)
            members.push_back("\"last_reply_ms\":" + std::to_string(event.lastReply.count()));
        return '{' + Join(members, ",", "") + "}\n";
    }
    std::vector<std::string> cells =
        full    ? std::vector<std::string>{UnlistedText(event.unlisted, event.loss.any)}
        : lost  ? std::vector<std::string>{std::to_string(event.loss.counted)}
        : start ? std::vector<std::string>{}
                : Cells(event.device, Layout{style.raw, false, {}, false}, SheetText);
    cells.insert(cells.begin(), {time, name});
    if (style.format == OutputFormat::Csv)
        return CsvLine(std::move(cells));
    return Join(cells, "\t", "\n");
}
