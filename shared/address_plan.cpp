#include "address_plan.h"

#include "ansi_text.h"
#include "ipv4_text.h"
#include "text_blanks.h"
#include "text_format.h"

#include <algorithm>
#include <deque>
#include <utility>

namespace {

constexpr std::string_view UTF8_BOM = "\xEF\xBB\xBF";
constexpr std::string_view UTF16LE_BOM = "\xFF\xFE";
constexpr std::string_view UTF16BE_BOM = "\xFE\xFF";

constexpr std::size_t MAC_DIGITS = 12;
constexpr std::size_t SEPARATED_MAC_LENGTH = 17;

// The names a heading may give each column, written as Heading() leaves them.
const struct {
    int column;
    std::vector<std::u16string_view> names;
} HEADING_NAMES[] = {
    {COL_MAC, {u"mac", u"macaddress", u"mac地址", u"物理地址", u"网卡地址"}},
    {COL_CHN, {u"chn", u"channel", u"channelname", u"name", u"devicename", u"通道", u"通道名",
               u"通道名称", u"名称", u"设备名", u"设备名称"}},
    {COL_IP, {u"ip", u"ipaddress", u"address", u"ip地址", u"地址"}},
    {COL_PORT, {u"port", u"端口", u"端口号"}},
    {COL_GATEWAY, {u"gateway", u"defaultgateway", u"网关", u"默认网关"}},
};

bool IsHex(char16_t c)
{
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

char LowerHex(char16_t c)
{
    return static_cast<char>(c >= u'A' && c <= u'F' ? c - u'A' + u'a' : c);
}

// Two-byte units in the given byte order; a last odd byte is dropped.
std::u16string DecodeUtf16(std::string_view bytes, bool bigEndian)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        text.push_back(static_cast<char16_t>(bigEndian ? first << 8 | second : second << 8 | first));
    }
    return text;
}

std::u16string DecodePlanText(std::string_view bytes)
{
    if (bytes.substr(0, 2) == UTF16LE_BOM)
        return DecodeUtf16(bytes.substr(2), false);
    if (bytes.substr(0, 2) == UTF16BE_BOM)
        return DecodeUtf16(bytes.substr(2), true);
    if (bytes.substr(0, 3) == UTF8_BOM)
        bytes.remove_prefix(3);
    std::u16string text;
    if (DecodeUtf8(bytes, &text))
        return text;
    return DecodeGbk(bytes);
}

bool IsLineEnd(char16_t c)
{
    return c == u'\n' || c == u'\r';
}

// Whether TrimBlanks leaves nothing of the field, asked once of every field of every line.
bool IsBlank(std::u16string_view field)
{
    return std::all_of(field.begin(), field.end(), [](char16_t c) { return c == u' '; });
}

// One line of the file split into fields, or the reason it cannot be. Its fields are views of
// the text, or of storage of its own for a quoted field whose doubled quotes were undone, which
// is used again for the next line: reading a line allocates nothing once the lines before were as
// long.
struct Record {
    int line = 0;
    // Where it begins in the text, and whether a quoted field took in a line break.
    std::size_t start = 0;
    bool manyLines = false;
    // How many fields the line has, and how many up to its last one that is not blank.
    std::size_t count = 0;
    std::size_t used = 0;
    std::optional<PlanFault> fault;

    // Whether the line holds nothing but blanks and separators.
    bool Blank() const { return !fault && used == 0; }
    // The fields kept, the first MAX_PLAN_FIELDS.
    std::size_t Kept() const { return std::min(count, MAX_PLAN_FIELDS); }
    std::u16string_view Field(std::size_t place) const { return fields_[place]; }

    void Clear()
    {
        count = 0;
        used = 0;
    }
    void AddField(std::u16string_view field)
    {
        if (count < fields_.size())
            fields_[count] = field;
        else if (count < MAX_PLAN_FIELDS)
            fields_.push_back(field);
        ++count;
        if (!IsBlank(field))
            used = count;
    }
    // Emptied storage for the text of the field that begins now; a deque, so that the fields
    // before keep their place as it grows.
    std::u16string& Storage()
    {
        std::u16string& storage = count >= MAX_PLAN_FIELDS ? uncounted_
                                  : count < storage_.size() ? storage_[count]
                                                            : storage_.emplace_back();
        storage.clear();
        return storage;
    }

private:
    std::vector<std::u16string_view> fields_;
    std::deque<std::u16string> storage_;
    std::u16string uncounted_;
};

// Splits text into records. A quoted field may hold separators, line breaks and doubled quotes.
// A record at fault is skipped to the end of the line it began on (SkipFirstLine), so that one
// stray quote costs one line, not the lines it took in.
class CRecordReader
{
public:
    CRecordReader(std::u16string_view text, char16_t separator)
        : text_(text), separator_(separator)
    {
    }

    bool AtEnd() const { return at_ >= text_.size(); }

    // Goes on after the end of the line the record began on: the lines a quoted field took in
    // are read again as lines of their own.
    void SkipFirstLine(Record& record)
    {
        at_ = record.start;
        line_ = record.line;
        while (at_ < text_.size() && !IsLineEnd(text_[at_]))
            ++at_;
        EndLine();
        record.Clear();
    }

    void Next(Record& record)
    {
        record.line = line_;
        record.start = at_;
        record.manyLines = false;
        record.fault.reset();
        record.Clear();
        // The field's text: from its first character up to here, or what its quotes held.
        std::size_t from = at_;
        std::optional<std::u16string_view> quoted;
        bool started = false;
        std::size_t end = text_.size();
        while (at_ < text_.size()) {
            const char16_t c = text_[at_];
            if (c == u'"' && !started) {
                const int opened = line_;
                quoted = ReadQuoted(record);
                if (!quoted) {
                    record.fault = PlanFault::UnclosedQuote;
                    SkipFirstLine(record);
                    return;
                }
                record.manyLines = record.manyLines || line_ != opened;
                while (at_ < text_.size() && text_[at_] == u' ')
                    ++at_;
                if (at_ < text_.size() && text_[at_] != separator_ && !IsLineEnd(text_[at_])) {
                    // A quote that closes on a later line with text after it was a stray one
                    // that opened no field.
                    record.fault = line_ == opened ? PlanFault::TextAfterQuote
                                                   : PlanFault::UnclosedQuote;
                    SkipFirstLine(record);
                    return;
                }
                started = true;
            } else if (c == separator_) {
                record.AddField(quoted ? *quoted : text_.substr(from, at_ - from));
                quoted.reset();
                started = false;
                from = ++at_;
            } else if (IsLineEnd(c)) {
                end = at_;
                EndLine();
                break;
            } else if (c == u' ' && !started) {
                // Blanks before an opening quote do not start the field.
                ++at_;
            } else {
                // Up to the next separator or line end in one go, quotes and all.
                started = true;
                while (at_ < text_.size() && text_[at_] != separator_ && !IsLineEnd(text_[at_]))
                    ++at_;
            }
        }
        record.AddField(quoted ? *quoted : text_.substr(from, end - from));
    }

private:
    // Reads a quoted field from its opening quote to past its closing one: what the quotes hold,
    // in the record's storage with each doubled quote made one where it has any; none at the end
    // of the text with the quote still open.
    std::optional<std::u16string_view> ReadQuoted(Record& record)
    {
        const std::size_t begin = at_ + 1;
        bool doubled = false;
        int lines = 0;
        std::size_t close = begin;
        for (; close < text_.size(); ++close) {
            const char16_t c = text_[close];
            if (c == u'"') {
                if (close + 1 == text_.size() || text_[close + 1] != u'"')
                    break;
                doubled = true;
                ++close;
            } else if (c == u'\n'
                       || (c == u'\r' && (close + 1 == text_.size() || text_[close + 1] != u'\n'))) {
                ++lines;
            }
        }
        if (close == text_.size())
            return std::nullopt;
        at_ = close + 1;
        line_ += lines;
        const std::u16string_view inside = text_.substr(begin, close - begin);
        if (!doubled)
            return inside;
        std::u16string& undone = record.Storage();
        for (std::size_t from = 0;;) {
            const std::size_t quote = inside.find(u'"', from);
            if (quote == std::u16string_view::npos) {
                undone.append(inside.substr(from));
                return undone;
            }
            undone.append(inside.substr(from, quote + 1 - from));
            from = quote + 2;
        }
    }

    // Past one line end (CR LF, LF or CR), if one is here.
    void EndLine()
    {
        if (at_ >= text_.size())
            return;
        at_ += text_[at_] == u'\r' && at_ + 1 < text_.size() && text_[at_ + 1] == u'\n' ? 2 : 1;
        ++line_;
    }

    std::u16string_view text_;
    char16_t separator_;
    std::size_t at_ = 0;
    int line_ = 1;
};

// The separator the heading holds most of outside quotes: comma, semicolon or tab, comma when
// it holds none.
char16_t ChooseSeparator(std::u16string_view text)
{
    std::size_t start = 0;
    while (start < text.size() && (IsLineEnd(text[start]) || text[start] == u' '))
        ++start;
    std::size_t commas = 0;
    std::size_t semicolons = 0;
    std::size_t tabs = 0;
    bool quoted = false;
    for (std::size_t i = start; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c == u'"')
            quoted = !quoted;
        else if (!quoted && IsLineEnd(c))
            break;
        else if (!quoted && c == u',')
            ++commas;
        else if (!quoted && c == u';')
            ++semicolons;
        else if (!quoted && c == u'\t')
            ++tabs;
    }
    if (tabs > commas && tabs > semicolons)
        return u'\t';
    return semicolons > commas ? u';' : u',';
}

// A heading as the names table writes it: without blanks, underscores and hyphens (ideographic
// blanks too), ASCII in lowercase; cut after limit characters, as it then names no column anyway.
// The byte order mark is gone with the decoding.
std::u16string Heading(std::u16string_view text, std::size_t limit)
{
    std::u16string name;
    for (const char16_t c : text) {
        if (c == u' ' || c == u'_' || c == u'-' || c == u'\u3000')
            continue;
        if (name.size() == limit)
            break;
        name.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c);
    }
    return name;
}

std::optional<int> HeadingColumn(std::u16string_view heading)
{
    static const std::size_t longest = [] {
        std::size_t length = 0;
        for (const auto& entry : HEADING_NAMES) {
            for (const std::u16string_view name : entry.names)
                length = std::max(length, name.size());
        }
        return length;
    }();
    const std::u16string name = Heading(heading, longest + 1);
    for (const auto& entry : HEADING_NAMES) {
        if (std::find(entry.names.begin(), entry.names.end(), name) != entry.names.end())
            return entry.column;
    }
    return std::nullopt;
}

// A text at fault as a problem keeps it: whole when short, else cut with "…", never between the
// halves of a character.
std::u16string ProblemText(std::u16string_view text)
{
    if (text.size() <= PLAN_PROBLEM_TEXT)
        return std::u16string(text);
    std::size_t kept = PLAN_PROBLEM_TEXT - 1;
    if (text[kept - 1] >= 0xD800 && text[kept - 1] <= 0xDBFF)
        --kept;
    return std::u16string(text.substr(0, kept)) + u'\u2026';
}

} // namespace

std::optional<std::string> MacKey(std::u16string_view text)
{
    text = TrimBlanks(text);
    std::string key;
    if (text.size() == MAC_DIGITS) {
        for (const char16_t c : text) {
            if (!IsHex(c))
                return std::nullopt;
            key.push_back(LowerHex(c));
        }
        return key;
    }
    if (text.size() != SEPARATED_MAC_LENGTH || (text[2] != u'-' && text[2] != u':'))
        return std::nullopt;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i % 3 == 2) {
            if (text[i] != text[2])
                return std::nullopt;
        } else if (!IsHex(text[i])) {
            return std::nullopt;
        } else {
            key.push_back(LowerHex(text[i]));
        }
    }
    return key;
}

const PlannedDevice* CAddressPlan::Find(const std::string& macKey) const
{
    const auto found = byKey_.find(macKey);
    return found == byKey_.end() ? nullptr : &devices_[found->second];
}

void CAddressPlan::Add(PlannedDevice device)
{
    byKey_.emplace(device.macKey, devices_.size());
    devices_.push_back(std::move(device));
}

PlanReading ReadAddressPlan(std::string_view bytes)
{
    PlanReading reading;
    if (bytes.size() > MAX_PLAN_BYTES) {
        reading.error = PlanError::TooLarge;
        return reading;
    }
    const std::u16string text = DecodePlanText(bytes);
    CRecordReader reader(text, ChooseSeparator(text));

    Record heading;
    do
        reader.Next(heading);
    while (heading.Blank() && !reader.AtEnd());
    if (heading.Blank() || heading.fault) {
        reading.error = PlanError::NoHeading;
        return reading;
    }
    // Each known column's place in a line, and the places of the plan's own columns.
    std::array<std::optional<std::size_t>, COL_COUNT> places{};
    std::vector<std::size_t> extraPlaces;
    std::vector<std::u16string> extraNames;
    for (std::size_t place = 0; place < heading.Kept(); ++place) {
        const std::optional<int> column = HeadingColumn(heading.Field(place));
        if (!column) {
            const std::u16string_view name = TrimBlanks(heading.Field(place));
            if (!name.empty() && extraPlaces.size() < MAX_EXTRA_PLAN_COLUMNS) {
                extraPlaces.push_back(place);
                extraNames.push_back(ProblemText(name));
            }
            continue;
        }
        auto& known = places[static_cast<std::size_t>(*column)];
        if (known) {
            reading.error = PlanError::RepeatedColumn;
            reading.heading = ProblemText(TrimBlanks(heading.Field(place)));
            return reading;
        }
        known = place;
    }
    if (!places[COL_MAC]) {
        reading.error = PlanError::NoMacColumn;
        return reading;
    }
    reading.plan.SetExtraColumns(std::move(extraNames));

    const std::size_t named = heading.count;
    Record record;
    const auto skip = [&](PlanFault fault, std::u16string_view what = {}, int other = 0) {
        // Only the problems kept cost their text.
        if (reading.skipped++ < KEPT_PLAN_PROBLEMS)
            reading.problems.push_back({record.line, fault, ProblemText(what), other});
        if (record.manyLines)
            reader.SkipFirstLine(record);
    };
    // A field of the line by its column, blanks around it aside; empty where the plan has none.
    const auto planned = [&](int column) {
        const auto place = places[static_cast<std::size_t>(column)];
        return place ? TrimBlanks(record.Field(*place)) : std::u16string_view();
    };
    while (!reader.AtEnd()) {
        reader.Next(record);
        if (record.Blank())
            continue;
        if (record.fault) {
            skip(*record.fault);
            continue;
        }
        // Empty fields after the last named one carry nothing; any other count is a line that
        // does not fit its heading.
        if (record.count < named || record.used > named) {
            const std::size_t count = record.count < named ? record.count : record.used;
            skip(PlanFault::FieldCount, AsciiText(std::to_string(count)), static_cast<int>(named));
            continue;
        }
        const std::u16string_view mac = planned(COL_MAC);
        if (mac.empty()) {
            skip(PlanFault::NoMac);
            continue;
        }
        std::optional<std::string> key = MacKey(mac);
        if (!key) {
            skip(PlanFault::BadMac, mac);
            continue;
        }
        if (const PlannedDevice* first = reading.plan.Find(*key)) {
            skip(PlanFault::RepeatedMac, mac, first->line);
            continue;
        }
        const std::u16string_view ip = planned(COL_IP);
        const std::u16string_view port = planned(COL_PORT);
        const std::u16string_view gateway = planned(COL_GATEWAY);
        if (!ip.empty() && !ParseIpv4(ip)) {
            skip(PlanFault::BadIp, ip);
        } else if (!port.empty() && !ParsePort(port)) {
            skip(PlanFault::BadPort, port);
        } else if (!gateway.empty() && !ParseIpv4(gateway)) {
            skip(PlanFault::BadGateway, gateway);
        } else if (reading.plan.Devices().size() == MAX_PLANNED_DEVICES) {
            PlanReading tooMany;
            tooMany.error = PlanError::TooManyDevices;
            return tooMany;
        } else {
            PlannedDevice device;
            device.line = record.line;
            device.macKey = std::move(*key);
            for (int column = 0; column < COL_COUNT; ++column)
                device.texts[static_cast<std::size_t>(column)] = planned(column);
            for (const std::size_t place : extraPlaces)
                device.extra.emplace_back(TrimBlanks(record.Field(place)));
            while (!device.extra.empty() && device.extra.back().empty())
                device.extra.pop_back();
            reading.plan.Add(std::move(device));
        }
    }
    return reading;
}
