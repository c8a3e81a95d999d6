#include "address_plan.h"

#include "ansi_text.h"
#include "ipv4_text.h"
#include "text_format.h"

#include <algorithm>
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

// One line of the file split into fields, or the reason it cannot be.
struct Record {
    int line = 0;
    // Where it begins in the text, and whether a quoted field took in a line break.
    std::size_t start = 0;
    bool manyLines = false;
    std::vector<std::u16string> fields;
    std::optional<PlanFault> fault;
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
        record.fields.clear();
    }

    Record Next()
    {
        Record record;
        record.line = line_;
        record.start = at_;
        std::u16string field;
        bool fieldStarted = false;
        while (at_ < text_.size()) {
            const char16_t c = text_[at_];
            if (c == u'"' && !fieldStarted) {
                const int opened = line_;
                if (!ReadQuoted(field)) {
                    record.fault = PlanFault::UnclosedQuote;
                    SkipFirstLine(record);
                    return record;
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
                    return record;
                }
                fieldStarted = true;
            } else if (c == separator_) {
                record.fields.push_back(std::move(field));
                field.clear();
                fieldStarted = false;
                ++at_;
            } else if (IsLineEnd(c)) {
                EndLine();
                break;
            } else {
                field.push_back(c);
                // Blanks before an opening quote do not start the field.
                fieldStarted = fieldStarted || c != u' ';
                ++at_;
            }
        }
        record.fields.push_back(std::move(field));
        return record;
    }

private:
    // Reads a quoted field from its opening quote to past its closing one; false at the end of
    // the text with the quote still open.
    bool ReadQuoted(std::u16string& field)
    {
        field.clear();
        int lines = 0;
        for (std::size_t i = at_ + 1; i < text_.size(); ++i) {
            if (text_[i] == u'"') {
                if (i + 1 < text_.size() && text_[i + 1] == u'"') {
                    field.push_back(u'"');
                    ++i;
                    continue;
                }
                at_ = i + 1;
                line_ += lines;
                return true;
            }
            if (text_[i] == u'\n' || (text_[i] == u'\r' && (i + 1 == text_.size() || text_[i + 1] != u'\n')))
                ++lines;
            field.push_back(text_[i]);
        }
        return false;
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

bool Blank(const std::u16string& field)
{
    return TrimBlanks(field).empty();
}

bool BlankRecord(const Record& record)
{
    return !record.fault && std::all_of(record.fields.begin(), record.fields.end(), Blank);
}

// A heading as the names table writes it: without blanks, underscores and hyphens, ASCII in
// lowercase, and without the byte order mark a spreadsheet may leave in the first heading.
std::u16string Heading(std::u16string_view text)
{
    std::u16string name;
    for (const char16_t c : text) {
        if (c == u' ' || c == u'_' || c == u'-' || c == u'\uFEFF' || c == u'\u3000')
            continue;
        name.push_back(c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c);
    }
    return name;
}

std::optional<int> HeadingColumn(const std::u16string& heading)
{
    const std::u16string name = Heading(heading);
    for (const auto& entry : HEADING_NAMES) {
        if (std::find(entry.names.begin(), entry.names.end(), name) != entry.names.end())
            return entry.column;
    }
    return std::nullopt;
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

bool CAddressPlan::HasColumn(int column) const
{
    return columns_.at(static_cast<std::size_t>(column));
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

    std::optional<Record> heading;
    while (!heading && !reader.AtEnd()) {
        Record record = reader.Next();
        if (!BlankRecord(record))
            heading = std::move(record);
    }
    if (!heading || heading->fault) {
        reading.error = PlanError::NoHeading;
        return reading;
    }
    // Each known column's place in a line.
    std::array<std::optional<std::size_t>, COL_COUNT> places{};
    std::array<bool, COL_COUNT> columns{};
    for (std::size_t place = 0; place < heading->fields.size(); ++place) {
        const std::optional<int> column = HeadingColumn(heading->fields[place]);
        if (!column)
            continue;
        auto& known = places[static_cast<std::size_t>(*column)];
        if (known) {
            reading.error = PlanError::RepeatedColumn;
            reading.heading = std::u16string(TrimBlanks(heading->fields[place]));
            return reading;
        }
        known = place;
        columns[static_cast<std::size_t>(*column)] = true;
    }
    if (!places[COL_MAC]) {
        reading.error = PlanError::NoMacColumn;
        return reading;
    }
    reading.plan.SetColumns(columns);

    const std::size_t named = heading->fields.size();
    Record record;
    const auto skip = [&](PlanFault fault, std::u16string what, int other = 0) {
        reading.problems.push_back({record.line, fault, std::move(what), other});
        if (record.manyLines)
            reader.SkipFirstLine(record);
    };
    while (!reader.AtEnd()) {
        record = reader.Next();
        if (BlankRecord(record))
            continue;
        if (record.fault) {
            reading.problems.push_back({record.line, *record.fault, {}, 0});
            continue;
        }
        // Empty fields after the last named one carry nothing; any other count is a line that
        // does not fit its heading.
        const auto filled = std::find_if(record.fields.rbegin(), record.fields.rend(),
                                         [](const std::u16string& f) { return !Blank(f); });
        const std::size_t used = static_cast<std::size_t>(record.fields.rend() - filled);
        if (record.fields.size() < named || used > named) {
            const std::size_t count = record.fields.size() < named ? record.fields.size() : used;
            skip(PlanFault::FieldCount, AsciiText(std::to_string(count)), static_cast<int>(named));
            continue;
        }
        PlannedDevice device;
        device.line = record.line;
        for (int column = 0; column < COL_COUNT; ++column) {
            if (const auto place = places[static_cast<std::size_t>(column)])
                device.texts[static_cast<std::size_t>(column)] =
                    std::u16string(TrimBlanks(record.fields[*place]));
        }
        const std::u16string& mac = device.texts[COL_MAC];
        const std::optional<std::string> key = MacKey(mac);
        if (mac.empty()) {
            skip(PlanFault::NoMac, {});
            continue;
        }
        if (!key) {
            skip(PlanFault::BadMac, mac);
            continue;
        }
        if (const PlannedDevice* first = reading.plan.Find(*key)) {
            skip(PlanFault::RepeatedMac, mac, first->line);
            continue;
        }
        const std::u16string& ip = device.texts[COL_IP];
        const std::u16string& port = device.texts[COL_PORT];
        const std::u16string& gateway = device.texts[COL_GATEWAY];
        if (!ip.empty() && !ParseIpv4(ip)) {
            skip(PlanFault::BadIp, ip);
        } else if (!port.empty() && !ParsePort(port)) {
            skip(PlanFault::BadPort, port);
        } else if (!gateway.empty() && !ParseIpv4(gateway)) {
            skip(PlanFault::BadGateway, gateway);
        } else {
            device.macKey = *key;
            reading.plan.Add(std::move(device));
        }
    }
    return reading;
}
