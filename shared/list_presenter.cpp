#include "list_presenter.h"

#include "clipboard_text.h"
#include "ipv4_text.h"
#include "resource.h"
#include "visible_text.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <map>
#include <optional>
#include <utility>

namespace {

// A wall-clock time as the operator reads it: hours, minutes and seconds, local time.
std::u16string ClockText(WallClock::time_point time)
{
    const std::time_t seconds = WallClock::to_time_t(time);
    char text[16] = {};
    if (const std::tm* local = std::localtime(&seconds))
        std::strftime(text, sizeof text, "%H:%M:%S", local);
    return AsciiText(text);
}

// What makes two IP texts one address: the address they are read as, or else the text itself.
std::u16string AddressKey(const std::u16string& ip)
{
    if (const std::optional<std::uint32_t> address = ParseIpv4(ip))
        return u'\x01' + AsciiText(FormatIpv4(*address));
    return std::u16string(TrimBlanks(ip));
}

} // namespace

std::u16string_view ColumnHeading(int column)
{
    static constexpr std::array<std::u16string_view, COL_COUNT> HEADINGS = {
        u"chn", u"version", u"IP", u"port", u"gateway", u"mac"};
    return HEADINGS.at(static_cast<std::size_t>(column));
}

CListPresenter::CListPresenter(StringLoader strings, bool firewallHint)
    : strings_(std::move(strings)), firewallHint_(firewallHint)
{
}

std::u16string CListPresenter::CellText(int position, int column) const
{
    return VisibleText(rows_.At(position).cells.at(static_cast<std::size_t>(column)));
}

CellMark CListPresenter::Mark(int position, int column) const
{
    if (position < 0 || position >= Size())
        return CellMark::None;
    if (column == COL_IP
        && (rows_.At(position).heardOn.outsideLocalSubnets
            || sharing_[static_cast<std::size_t>(position)] > 1))
        return CellMark::OddAddress;
    if (column == COL_CHN && Changed(position))
        return CellMark::Changed;
    return CellMark::None;
}

std::vector<std::u16string> CListPresenter::ToolTip(int position, int column) const
{
    const DeviceRow& row = rows_.At(position);
    std::vector<std::u16string> lines{std::u16string(TrimBlanks(CellText(position, column)))};
    if (!row.heardOn.interfaceName.empty()) {
        lines.push_back(FormatText(strings_(IDS_TIP_HEARD_ON),
                                   {VisibleText(AsciiText(row.heardOn.interfaceName)),
                                    AsciiText(FormatIpv4(row.heardOn.localAddress))}));
    }
    if (row.heardOn.outsideLocalSubnets)
        lines.push_back(strings_(IDS_TIP_OUTSIDE));
    if (const int sharing = sharing_[static_cast<std::size_t>(position)]; sharing > 1)
        lines.push_back(FormatText(strings_(IDS_TIP_SHARED_IP), {AsciiText(std::to_string(sharing))}));
    if (Changed(position)) {
        lines.push_back(strings_(IDS_TIP_CHANGED));
        for (const int c : REPLY_COLUMNS) {
            const auto at = static_cast<std::size_t>(c);
            if (row.latest[at] != row.listed[at]) {
                lines.push_back(FormatText(strings_(IDS_TIP_CHANGED_FIELD),
                                           {ColumnHeading(c), TrimBlanks(VisibleText(row.listed[at])),
                                            TrimBlanks(VisibleText(row.latest[at]))}));
            }
        }
    }
    if (row.silent)
        lines.push_back(FormatText(strings_(IDS_TIP_SILENT), {ClockText(row.lastHeard)}));
    return lines;
}

bool CListPresenter::Changed(int position) const
{
    return ReplyTextsDiffer(rows_.At(position).latest, rows_.At(position).listed);
}

std::u16string CListPresenter::StatusText(bool searching) const
{
    if (searching && !requestsSent_)
        return strings_(IDS_NO_NETWORK);
    if (firewallHint_ && nothingHeard_ && searching && Size() == 0)
        return strings_(IDS_NOTHING_HEARD);
    const auto number = [](int n) { return AsciiText(std::to_string(n)); };
    std::u16string text = strings_(searching ? IDS_STATUS_SEARCHING : IDS_STATUS_STOPPED);
    text.append(u"    ").append(FormatText(strings_(IDS_STATUS_COUNT), {number(Size())}));
    int changed = 0;
    int silent = 0;
    for (int position = 0; position < Size(); ++position) {
        changed += Changed(position) ? 1 : 0;
        silent += Silent(position) ? 1 : 0;
    }
    const auto add = [&](std::u16string_view separator, int id, int count) {
        if (count > 0)
            text.append(separator).append(FormatText(strings_(id), {number(count)}));
    };
    add(u"，", IDS_STATUS_CHANGED, changed);
    add(u"，", IDS_STATUS_SILENT, silent);
    add(u"    ", IDS_STATUS_FULL, unlisted_);
    return text;
}

ListChange CListPresenter::Apply(ListUpdate update)
{
    ListChange change;
    change.portBusy = update.replyPortUnavailable;
    change.searchEnded = update.searchEnded;
    if (update.cleared) {
        rows_.Clear();
        order_ = keptOrder_.value_or(RowOrder{});
        keptOrder_.reset();
        operatorsWidths_ = std::exchange(keptWidths_, false);
        nothingHeard_ = false;
        requestsSent_ = true;
        unlisted_ = 0;
        change.emptied = true;
        change.columns = true;
    }
    nothingHeard_ = nothingHeard_ || update.nothingHeard;
    if (update.requestsSent)
        requestsSent_ = *update.requestsSent;
    unlisted_ = std::max(unlisted_, update.unlisted);
    Insert(std::move(update.rows), change);
    ApplyLiveness(update, change);
    return change;
}

void CListPresenter::Insert(std::vector<DeviceRow> rows, ListChange& change)
{
    if (rows.empty()) {
        if (change.emptied) {
            CountSharedAddresses();
            MeasureAll();
        }
        return;
    }
    std::vector<RowId> added;
    for (DeviceRow& row : rows) {
        added.push_back(row.id);
        if (reselect_.erase(row.listed[COL_MAC]) > 0)
            change.select.push_back(row.id);
        const int place = order_.Sorted() ? rows_.PlaceOf(row, InOrder(order_)) : rows_.Size();
        rows_.InsertAt(place, std::move(row));
        if (change.emptied)
            continue;
        // Rows that land one after another are one insertion.
        if (!change.steps.empty()
            && change.steps.back().position + static_cast<int>(change.steps.back().ids.size())
                   == place) {
            change.steps.back().ids.push_back(added.back());
        } else {
            change.steps.push_back({ListStep::Kind::Insert, place, {added.back()}});
        }
    }
    CountSharedAddresses();

    // A new row whose address another row has marks that row too, which may widen its column.
    bool shares = false;
    for (const RowId id : added)
        shares = shares || sharing_[static_cast<std::size_t>(rows_.PositionOf(id))] > 1;
    if (change.emptied || shares) {
        MeasureAll();
    } else {
        for (const RowId id : added)
            Measure(rows_.PositionOf(id));
    }
    change.repaint = shares;
    change.columns = true;
}

void CListPresenter::ApplyLiveness(const ListUpdate& update, ListChange& change)
{
    if (update.latest.empty() && update.silent.empty())
        return;
    // The marks take room in their cells: the columns are measured again only when one changed.
    const auto marks = [this] {
        std::vector<CellMark> shown;
        for (int position = 0; position < Size(); ++position) {
            shown.push_back(Mark(position, COL_IP));
            shown.push_back(Mark(position, COL_CHN));
        }
        return shown;
    };
    const std::vector<CellMark> marksBefore = marks();
    bool replies = false;
    for (const LatestReply& reply : update.latest) {
        // A deleted row stays deleted, whatever its device says.
        if (DeviceRow* row = rows_.Find(reply.row)) {
            row->latest = reply.cells;
            row->heardOn = reply.heardOn;
            row->silent = false;
            replies = true;
        }
    }
    bool silences = false;
    for (const SilentDevice& device : update.silent) {
        if (DeviceRow* row = rows_.Find(device.row)) {
            row->silent = true;
            row->lastHeard = device.lastHeard;
            silences = true;
        }
    }
    // What the devices report decides the marks.
    if (replies)
        CountSharedAddresses();
    if (marks() != marksBefore) {
        MeasureAll();
        change.columns = true;
    }
    change.repaint = change.repaint || replies || silences;
}

ListChange CListPresenter::SortBy(int column)
{
    order_ = NextOrder(order_, column);
    rows_.Sort(InOrder(order_));
    CountSharedAddresses();
    ListChange change;
    change.reordered = true;
    return change;
}

ListChange CListPresenter::TakeLatest(int position)
{
    if (position < 0 || position >= Size() || !Changed(position))
        return {};
    DeviceRow& row = *rows_.Find(rows_.At(position).id);
    for (const int c : REPLY_COLUMNS)
        row.cells[static_cast<std::size_t>(c)] = row.latest[static_cast<std::size_t>(c)];
    row.listed = row.latest;
    return CellsEdited();
}

void CListPresenter::KeepView(const std::vector<int>& selected)
{
    keptOrder_ = order_;
    keptWidths_ = operatorsWidths_;
    reselect_.clear();
    for (const int position : selected) {
        if (position >= 0 && position < Size())
            reselect_.insert(rows_.At(position).listed[COL_MAC]);
    }
}

ListChange CListPresenter::Remove(int position)
{
    if (position < 0 || position >= Size())
        return {};
    ListChange change;
    change.steps.push_back({ListStep::Kind::Remove, position, {rows_.At(position).id}});
    rows_.RemoveAt(position);
    CountSharedAddresses();
    MeasureAll();
    // The removed row may have shared its address with others, whose marks then go.
    change.repaint = true;
    change.columns = true;
    return change;
}

void CListPresenter::TakeSnapshot(int position)
{
    snapshot_ = TakeRowSnapshot(rows_, position);
}

ListChange CListPresenter::WriteBackSnapshot()
{
    WriteBack(snapshot_, rows_);
    if (rows_.PositionOf(snapshot_.row) < 0)
        return {};
    return CellsEdited();
}

ListChange CListPresenter::CellsEdited()
{
    ListChange change;
    if (order_.Sorted()) {
        rows_.Sort(InOrder(order_));
        change.reordered = true;
    }
    CountSharedAddresses();
    MeasureAll();
    // Another text may change the row's place, its width, and the marks of every row.
    change.repaint = true;
    change.columns = true;
    return change;
}

std::u16string CListPresenter::CopyRows(std::vector<int> positions) const
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.erase(std::remove_if(positions.begin(), positions.end(),
                                   [this](int p) { return p < 0 || p >= Size(); }),
                    positions.end());
    return ClipboardRows(rows_, positions);
}

std::u16string CListPresenter::CopySnapshotCell(int column) const
{
    return ClipboardCell(column == COL_IP ? snapshot_.ip : snapshot_.mac);
}

DeviceUrl CListPresenter::WebPage(int position) const
{
    const DeviceRow& row = rows_.At(position);
    return DeviceWebPage(row.cells[COL_IP], row.cells[COL_PORT]);
}

void CListPresenter::SetColumnMetrics(ColumnMetrics metrics)
{
    metrics_ = std::move(metrics);
    MeasureAll();
}

ColumnWidths CListPresenter::ColumnWidthsFor(int available)
{
    return FitColumns(available, needed_);
}

void CListPresenter::CountSharedAddresses()
{
    std::vector<std::u16string> keys;
    std::map<std::u16string, int> counts;
    for (int position = 0; position < Size(); ++position) {
        keys.push_back(AddressKey(rows_.At(position).latest[COL_IP]));
        ++counts[keys.back()];
    }
    sharing_.clear();
    for (const std::u16string& key : keys)
        sharing_.push_back(counts[key]);
}

void CListPresenter::MeasureAll()
{
    needed_ = metrics_.headings;
    for (int position = 0; position < Size(); ++position)
        Measure(position);
}

void CListPresenter::Measure(int position)
{
    if (!metrics_.textWidth)
        return;
    for (int column = 0; column < COL_COUNT; ++column) {
        int width = metrics_.textWidth(CellText(position, column)) + metrics_.cellMargins;
        if (Marked(position, column))
            width += metrics_.markWidth;
        int& most = needed_[static_cast<std::size_t>(column)];
        most = std::max(most, width);
    }
}
