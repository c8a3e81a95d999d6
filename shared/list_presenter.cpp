#include "list_presenter.h"

#include "clipboard_text.h"
#include "ipv4_text.h"
#include "text_blanks.h"
#include "resource.h"
#include "row_filter.h"
#include "unlisted_count.h"
#include "visible_text.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <numeric>
#include <optional>
#include <utility>

namespace {

// What makes two IP texts one address: the address they are read as, or else the text itself.
std::u16string AddressKey(const std::u16string& ip)
{
    if (const std::optional<std::uint32_t> address = ParseIpv4(ip))
        return u'\x01' + AsciiText(FormatIpv4(*address));
    return std::u16string(TrimBlanks(ip));
}

// A wall-clock time as the operator reads it: hours, minutes and seconds, local time.
std::u16string ClockText(WallClock::time_point time)
{
    const std::time_t seconds = WallClock::to_time_t(time);
    char text[16] = {};
    if (const std::tm* local = std::localtime(&seconds))
        std::strftime(text, sizeof text, "%H:%M:%S", local);
    return AsciiText(text);
}

// The cells an Edit writes.
constexpr int EDITABLE_COLUMNS[] = {COL_CHN, COL_IP, COL_PORT, COL_GATEWAY, COL_MAC};

} // namespace

int RowStateTextId(RowState state)
{
    return IDS_STATE_ALL + static_cast<int>(state);
}

CListPresenter::CListPresenter(StringLoader strings, bool firewallHint)
    : strings_(std::move(strings)), firewallHint_(firewallHint)
{
}

int CListPresenter::PositionOf(RowId id) const
{
    const int full = rows_.PositionOf(id);
    const auto at = std::lower_bound(shown_.begin(), shown_.end(), full);
    return full >= 0 && at != shown_.end() && *at == full ? static_cast<int>(at - shown_.begin())
                                                          : -1;
}

std::u16string CListPresenter::CellText(int position, int column) const
{
    return VisibleText(At(position).cells.at(static_cast<std::size_t>(column)));
}

CellMark CListPresenter::Mark(int position, int column) const
{
    return position >= 0 && position < Size() ? MarkAt(Full(position), column) : CellMark::None;
}

CellMark CListPresenter::MarkAt(int full, int column) const
{
    if (column == COL_IP
        && (rows_.At(full).heardOn.outsideLocalSubnets
            || sharing_[static_cast<std::size_t>(full)] > 1))
        return CellMark::OddAddress;
    if (column == COL_CHN && ChangedAt(full))
        return CellMark::Changed;
    if (column == COL_MAC && plan_) {
        switch (VerdictAt(full).kind) {
        case PlanVerdict::Kind::AsPlanned:
            return CellMark::AsPlanned;
        case PlanVerdict::Kind::Differs:
            return CellMark::PlanDiffers;
        case PlanVerdict::Kind::NotInPlan:
        case PlanVerdict::Kind::Missing:
            return CellMark::NotInPlan;
        case PlanVerdict::Kind::Silent:
            // Greyed as silent, with no tick: what it answered is not what the site has now.
            return CellMark::None;
        }
    }
    // What the device reports comes first; an edit is said in the tooltip then.
    return EditedAt(full, column) ? CellMark::Edited : CellMark::None;
}

std::vector<CellMark> CListPresenter::Marks() const
{
    std::vector<CellMark> marks;
    for (int full = 0; full < Total(); ++full) {
        for (const int column : {COL_IP, COL_CHN, COL_MAC})
            marks.push_back(MarkAt(full, column));
    }
    return marks;
}

PlanVerdict CListPresenter::VerdictAt(int full) const
{
    const auto found = verdicts_.find(rows_.At(full).id);
    return found != verdicts_.end() ? found->second : PlanVerdict{};
}

void CListPresenter::Judge(const DeviceRow& row)
{
    // What the device answers now is checked, not what an edit made of its row.
    if (!plan_)
        return;
    PlanVerdict verdict = CheckAgainstPlan(*plan_, row.latest, row.latestNames);
    verdicts_[row.id] = row.silent ? Silenced(std::move(verdict)) : std::move(verdict);
}

bool CListPresenter::ChangedAt(int full) const
{
    return ReplyTextsDiffer(rows_.At(full).latest, rows_.At(full).listed);
}

bool CListPresenter::EditedAt(int full, int column) const
{
    const DeviceRow& row = rows_.At(full);
    const auto at = static_cast<std::size_t>(column);
    return std::find(std::begin(EDITABLE_COLUMNS), std::end(EDITABLE_COLUMNS), column)
               != std::end(EDITABLE_COLUMNS)
           && row.cells[at] != row.listed[at];
}

std::vector<std::u16string> CListPresenter::ToolTip(int position, int column) const
{
    const DeviceRow& row = At(position);
    std::vector<std::u16string> lines{std::u16string(TrimBlanks(CellText(position, column)))};
    if (!row.heardOn.interfaceName.empty()) {
        lines.push_back(FormatText(strings_(IDS_TIP_HEARD_ON),
                                   {VisibleText(Utf8Text(row.heardOn.interfaceName)),
                                    AsciiText(FormatIpv4(row.heardOn.localAddress))}));
    }
    if (Edited(position, column)) {
        lines.push_back(FormatText(
            strings_(IDS_TIP_EDITED),
            {TrimBlanks(VisibleText(row.latest[static_cast<std::size_t>(column)]))}));
    }
    if (row.heardOn.outsideLocalSubnets)
        lines.push_back(strings_(IDS_TIP_OUTSIDE));
    if (const int sharing = SharingAddress(position); sharing > 1)
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
    if (plan_) {
        const PlanVerdict verdict = Verdict(position);
        const std::u16string line =
            verdict.planned ? AsciiText(std::to_string(verdict.planned->line)) : std::u16string();
        switch (verdict.kind) {
        case PlanVerdict::Kind::AsPlanned:
            lines.push_back(FormatText(strings_(IDS_TIP_AS_PLANNED), {line}));
            break;
        case PlanVerdict::Kind::Differs:
            lines.push_back(FormatText(strings_(IDS_TIP_PLAN_DIFFERS), {line}));
            for (const FieldDifference& difference : verdict.differences) {
                lines.push_back(FormatText(strings_(IDS_TIP_PLAN_FIELD),
                                           {ColumnHeading(difference.column),
                                            VisibleText(difference.planned),
                                            VisibleText(difference.heard)}));
            }
            break;
        case PlanVerdict::Kind::NotInPlan:
        case PlanVerdict::Kind::Missing:
            lines.push_back(strings_(IDS_TIP_NOT_IN_PLAN));
            break;
        case PlanVerdict::Kind::Silent:
            lines.push_back(FormatText(strings_(IDS_TIP_PLAN_SILENT), {line}));
            break;
        }
        // A changed row shows older texts than the verdict was judged on.
        if (Changed(position) && verdict.kind != PlanVerdict::Kind::Silent)
            lines.push_back(strings_(IDS_TIP_VERDICT_NOW));
        // Where the plan puts the device: its own columns.
        if (column == COL_MAC && verdict.planned) {
            const std::vector<std::u16string>& names = plan_->ExtraColumns();
            const std::vector<std::u16string>& texts = verdict.planned->extra;
            for (std::size_t place = 0; place < texts.size(); ++place) {
                if (!texts[place].empty())
                    lines.push_back(FormatText(strings_(IDS_PLAN_COLUMN_TEXT),
                                               {VisibleText(names[place]), VisibleText(texts[place])}));
            }
        }
    }
    if (row.silent)
        lines.push_back(FormatText(strings_(IDS_TIP_SILENT), {ClockText(row.lastHeard)}));
    return lines;
}

bool CListPresenter::HearsNothing(bool searching) const
{
    return firewallHint_ && nothingHeard_ && searching && Total() == 0;
}

std::u16string CListPresenter::StatusText(bool searching) const
{
    if (searching && !requestsSent_)
        return strings_(IDS_NO_NETWORK);
    if (HearsNothing(searching))
        return nothingHeardText_.empty() ? strings_(IDS_NOTHING_HEARD) : nothingHeardText_;
    const auto number = [](int n) { return AsciiText(std::to_string(n)); };
    std::u16string text = strings_(searching ? IDS_STATUS_SEARCHING : IDS_STATUS_STOPPED);
    text.append(u"    ").append(
        TrimBlanks(filter_).empty() && state_ == RowState::All
            ? FormatText(strings_(IDS_STATUS_COUNT), {number(Total())})
            : FormatText(strings_(IDS_STATUS_FILTERED), {number(Size()), number(Total())}));
    // Counted over every row, shown or not: a filter hides no change and no silence.
    int changed = 0;
    int silent = 0;
    int shared = 0;
    int outside = 0;
    int edited = 0;
    for (int full = 0; full < Total(); ++full) {
        changed += InState(full, RowState::Changed) ? 1 : 0;
        silent += InState(full, RowState::Silent) ? 1 : 0;
        shared += InState(full, RowState::SharedAddress) ? 1 : 0;
        outside += InState(full, RowState::Outside) ? 1 : 0;
        edited += InState(full, RowState::Edited) ? 1 : 0;
    }
    const auto add = [&](std::u16string_view separator, int id, int count) {
        if (count > 0)
            text.append(separator).append(FormatText(strings_(id), {number(count)}));
    };
    const std::u16string separator = strings_(IDS_LIST_SEPARATOR);
    add(separator, IDS_STATUS_CHANGED, changed);
    add(separator, IDS_STATUS_SILENT, silent);
    add(separator, IDS_STATUS_SHARED, shared);
    add(separator, IDS_STATUS_OUTSIDE, outside);
    add(separator, IDS_STATUS_EDITED, edited);
    // Replies lost in the queue may have come from devices not counted yet.
    const bool beyondCount = UnlistedBeyondCount(unlisted_);
    add(u"    ",
        beyondCount ? IDS_STATUS_FULL_MORE : loss_.any ? IDS_STATUS_FULL_AT_LEAST : IDS_STATUS_FULL,
        beyondCount ? MAX_UNLISTED_COUNTED : unlisted_);
    if (loss_.counted > 0 && loss_.queueCap > 0) {
        text.append(u"    ").append(FormatText(strings_(IDS_STATUS_LOST_CAPPED),
                                               {number(loss_.counted), number(loss_.queueCap / 1024)}));
    } else {
        add(u"    ", IDS_STATUS_LOST, loss_.counted);
    }
    if (plan_) {
        PlanCounts counts(*plan_);
        for (int full = 0; full < Total(); ++full)
            counts.Add(VerdictAt(full).kind);
        for (std::size_t i = MissingFromPlan().size(); i > 0; --i)
            counts.Add(PlanVerdict::Kind::Missing);
        const auto count = [](std::size_t n) { return AsciiText(std::to_string(n)); };
        text.append(u"    ").append(FormatText(
            strings_(IDS_STATUS_PLAN), {count(counts.planned), count(counts.asPlanned),
                                        count(counts.differs), count(counts.missing),
                                        count(counts.notInPlan), count(counts.silent)}));
    }
    return text;
}

ListChange CListPresenter::Apply(ListUpdate update)
{
    ListChange change;
    change.portBusy = update.replyPortUnavailable;
    change.searchEnded = update.SearchEnded();
    if (update.cleared) {
        rows_.Clear();
        shown_.clear();
        verdicts_.clear();
        measured_.clear();
        order_ = keptOrder_.value_or(RowOrder{});
        keptOrder_.reset();
        operatorsWidths_ = std::exchange(keptWidths_, false);
        nothingHeard_ = false;
        requestsSent_ = true;
        unlisted_ = 0;
        loss_ = {};
        heardKeys_.clear();
        change.emptied = true;
        change.columns = true;
    }
    nothingHeard_ = nothingHeard_ || update.nothingHeard;
    if (update.requestsSent)
        requestsSent_ = *update.requestsSent;
    unlisted_ = std::max(unlisted_, update.unlisted);
    loss_.Add(update.loss);
    if (update.cards)
        cards_ = std::move(update.cards);
    if (update.rows.empty()) {
        if (change.emptied) {
            CountSharedAddresses();
            MeasureAll();
        }
        ApplyLiveness(update, change);
        return change;
    }

    std::vector<RowId> added;
    for (DeviceRow& row : update.rows) {
        added.push_back(row.id);
        if (const std::optional<std::string> key = MacKey(row.latest[COL_MAC]))
            heardKeys_.insert(*key);
        Judge(row);
        if (reselect_.erase(row.listed[COL_MAC]) > 0)
            change.select.push_back(row.id);
        const bool matches = RowMatches(row.cells, filter_);
        const int place = order_.Sorted() ? rows_.PlaceOf(row, InOrder(order_)) : rows_.Size();
        rows_.InsertAt(place, std::move(row));
        const auto at = std::lower_bound(shown_.begin(), shown_.end(), place);
        std::for_each(at, shown_.end(), [](int& full) { ++full; });
        if (!matches)
            continue;
        const int position = static_cast<int>(at - shown_.begin());
        shown_.insert(at, place);
        if (change.emptied)
            continue;
        // Rows that land one after another are one insertion.
        if (!change.steps.empty()
            && change.steps.back().position + static_cast<int>(change.steps.back().ids.size())
                   == position) {
            change.steps.back().ids.push_back(added.back());
        } else {
            change.steps.push_back({ListStep::Kind::Insert, position, {added.back()}});
        }
    }
    CountSharedAddresses();
    // The state choice takes the new rows once their addresses are counted.
    if (state_ != RowState::All) {
        for (const RowId id : added) {
            const int full = rows_.PositionOf(id);
            const auto at = std::lower_bound(shown_.begin(), shown_.end(), full);
            if (at == shown_.end() || *at != full || InState(full, state_))
                continue;
            const int position = static_cast<int>(at - shown_.begin());
            shown_.erase(at);
            if (!change.emptied)
                change.steps.push_back({ListStep::Kind::Remove, position, {id}});
        }
    }

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
    ApplyLiveness(update, change);
    return change;
}

void CListPresenter::ApplyLiveness(const ListUpdate& update, ListChange& change)
{
    if (update.events.empty())
        return;
    // The marks take room in their cells: the columns are measured again only when one changed.
    const std::vector<CellMark> marksBefore = Marks();
    bool replies = false;
    bool silences = false;
    for (const DeviceEvent& event : update.events) {
        // A deleted row stays deleted, whatever its device says.
        DeviceRow* row = rows_.Find(event.row);
        if (!row)
            continue;
        if (event.kind == DeviceEvent::Kind::Silent) {
            row->silent = true;
            row->lastHeard = event.lastHeard;
            Judge(*row);
            silences = true;
        } else {
            row->latest = event.cells;
            row->latestNames = event.names;
            row->heardOn = event.heardOn;
            row->silent = false;
            Judge(*row);
            replies = true;
        }
    }
    // What the devices report decides the marks.
    if (replies)
        CountSharedAddresses();
    if (Marks() != marksBefore) {
        MeasureAll();
        change.columns = true;
    }
    change.repaint = change.repaint || replies || silences;
}

void CListPresenter::ShowAgain(std::vector<RowId> ids)
{
    std::sort(ids.begin(), ids.end());
    shown_.clear();
    for (int full = 0; full < rows_.Size(); ++full) {
        if (std::binary_search(ids.begin(), ids.end(), rows_.At(full).id))
            shown_.push_back(full);
    }
}

ListChange CListPresenter::SortBy(int column)
{
    std::vector<RowId> ids;
    for (const int full : shown_)
        ids.push_back(rows_.At(full).id);
    order_ = NextOrder(order_, column);
    rows_.Sort(InOrder(order_));
    ShowAgain(std::move(ids));
    CountSharedAddresses();
    ListChange change;
    change.reordered = true;
    return change;
}

ListChange CListPresenter::TakeLatest(int position)
{
    if (position < 0 || position >= Size() || !Changed(position))
        return {};
    TakeLatestInto(*rows_.Find(At(position).id));
    return CellsEdited();
}

ListChange CListPresenter::TakeAllLatest()
{
    std::vector<RowId> changed;
    for (int position = 0; position < Size(); ++position) {
        if (Changed(position))
            changed.push_back(At(position).id);
    }
    if (changed.empty())
        return {};
    for (const RowId id : changed)
        TakeLatestInto(*rows_.Find(id));
    return CellsEdited();
}

void CListPresenter::TakeLatestInto(DeviceRow& row)
{
    for (const int c : REPLY_COLUMNS)
        row.cells[static_cast<std::size_t>(c)] = row.latest[static_cast<std::size_t>(c)];
    row.listed = row.latest;
}

void CListPresenter::KeepView(const std::vector<int>& selected)
{
    keptOrder_ = order_;
    keptWidths_ = operatorsWidths_;
    reselect_.clear();
    for (const int position : selected) {
        if (position >= 0 && position < Size())
            reselect_.insert(At(position).listed[COL_MAC]);
    }
}

ListChange CListPresenter::Remove(int position)
{
    if (position < 0 || position >= Size())
        return {};
    ListChange change;
    const int full = Full(position);
    change.steps.push_back({ListStep::Kind::Remove, position, {rows_.At(full).id}});
    measured_.erase(rows_.At(full).id);
    rows_.RemoveAt(full);
    shown_.erase(shown_.begin() + position);
    std::for_each(shown_.begin() + position, shown_.end(), [](int& after) { --after; });
    CountSharedAddresses();
    MeasureAll();
    // The removed row may have shared its address with others, whose marks then go.
    change.repaint = true;
    change.columns = true;
    return change;
}

ListChange CListPresenter::SetFilter(std::u16string filter)
{
    if (filter == filter_)
        return {};
    filter_ = std::move(filter);
    return Refilter();
}

ListChange CListPresenter::ShowState(RowState state)
{
    if (state == state_)
        return {};
    state_ = state;
    return Refilter();
}

bool CListPresenter::Shows(int full) const
{
    return RowMatches(rows_.At(full).cells, filter_) && InState(full, state_);
}

bool CListPresenter::InState(int full, RowState state) const
{
    const DeviceRow& row = rows_.At(full);
    switch (state) {
    case RowState::All:
        return true;
    case RowState::NeedsWork:
        for (int other = static_cast<int>(RowState::Changed); other < ROW_STATE_COUNT; ++other) {
            if (InState(full, static_cast<RowState>(other)))
                return true;
        }
        return false;
    case RowState::Changed:
        return ChangedAt(full);
    case RowState::Silent:
        return row.silent;
    case RowState::SharedAddress:
        return sharing_[static_cast<std::size_t>(full)] > 1;
    case RowState::Outside:
        return row.heardOn.outsideLocalSubnets;
    case RowState::Edited:
        return std::any_of(std::begin(EDITABLE_COLUMNS), std::end(EDITABLE_COLUMNS),
                           [&](int column) { return EditedAt(full, column); });
    case RowState::PlanDiffers:
        return plan_ && VerdictAt(full).kind == PlanVerdict::Kind::Differs;
    case RowState::NotInPlan:
        return plan_ && VerdictAt(full).kind == PlanVerdict::Kind::NotInPlan;
    }
    return false;
}

ListChange CListPresenter::Refilter()
{
    ListChange change;
    // Old and new shown rows both follow the rows' order: one walk tells which go and which come.
    std::vector<int> shown;
    for (int full = 0; full < rows_.Size(); ++full) {
        if (Shows(full))
            shown.push_back(full);
    }
    int position = 0;
    auto before = shown_.begin();
    auto after = shown.begin();
    for (int full = 0; full < rows_.Size(); ++full) {
        const bool was = before != shown_.end() && *before == full;
        const bool is = after != shown.end() && *after == full;
        before += was ? 1 : 0;
        after += is ? 1 : 0;
        if (was == is) {
            position += is ? 1 : 0;
            continue;
        }
        const ListStep::Kind kind = is ? ListStep::Kind::Insert : ListStep::Kind::Remove;
        const RowId id = rows_.At(full).id;
        ListStep* last = change.steps.empty() ? nullptr : &change.steps.back();
        // Neighbouring rows that go, or come, are one step.
        if (last && last->kind == kind
            && (kind == ListStep::Kind::Remove
                    ? last->position == position
                    : last->position + static_cast<int>(last->ids.size()) == position))
            last->ids.push_back(id);
        else
            change.steps.push_back({kind, position, {id}});
        position += is ? 1 : 0;
    }
    shown_ = std::move(shown);
    return change;
}

std::vector<const PlannedDevice*> CListPresenter::MissingFromPlan() const
{
    return plan_ ? ::MissingFromPlan(*plan_, heardKeys_) : std::vector<const PlannedDevice*>();
}

std::vector<RowId> CListPresenter::ShownIds() const
{
    std::vector<RowId> ids;
    for (const int full : shown_)
        ids.push_back(rows_.At(full).id);
    return ids;
}

ListChange CListPresenter::OpenPlan(CAddressPlan plan, std::u16string name)
{
    plan_ = std::move(plan);
    planName_ = std::move(name);
    verdicts_.clear();
    for (int full = 0; full < rows_.Size(); ++full)
        Judge(rows_.At(full));
    MeasureAll();
    ListChange change;
    change.repaint = true;
    change.columns = true;
    return change;
}

void CListPresenter::TakeSnapshot(int position)
{
    snapshot_ = TakeRowSnapshot(rows_, Full(position));
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
        std::vector<RowId> ids;
        for (const int full : shown_)
            ids.push_back(rows_.At(full).id);
        rows_.Sort(InOrder(order_));
        ShowAgain(std::move(ids));
        change.reordered = true;
    }
    CountSharedAddresses();
    MeasureAll();
    // Another text may change the row's place, its width, and the marks of every row.
    change.repaint = true;
    change.columns = true;
    return change;
}

std::vector<int> CListPresenter::TopToBottom(std::vector<int> positions) const
{
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
    positions.erase(std::remove_if(positions.begin(), positions.end(),
                                   [this](int p) { return p < 0 || p >= Size(); }),
                    positions.end());
    return positions;
}

std::u16string CListPresenter::CopyRows(std::vector<int> positions, bool headings) const
{
    positions = TopToBottom(std::move(positions));
    for (int& position : positions)
        position = Full(position);
    return ClipboardRows(rows_, positions, headings);
}

std::string CListPresenter::SaveText(OutputFormat format,
                                     std::optional<std::vector<int>> selected) const
{
    std::vector<int> positions;
    if (selected) {
        positions = TopToBottom(std::move(*selected));
    } else {
        positions.resize(shown_.size());
        std::iota(positions.begin(), positions.end(), 0);
    }
    std::vector<FoundDevice> devices;
    for (const int position : positions) {
        const DeviceRow& row = At(position);
        FoundDevice device{row, std::nullopt, std::nullopt, std::nullopt, std::nullopt};
        if (plan_) {
            // The texts the verdict was judged on, with the row's own beside them.
            device.row.cells = row.latest;
            device.plan = verdicts_.at(row.id);
            if (row.cells != row.latest)
                device.listed = row.cells;
        }
        devices.push_back(std::move(device));
    }
    OutputStyle style;
    style.format = format;
    style.excel = true;
    if (plan_) {
        style.planColumns = plan_->ExtraColumns();
        // The whole list is the site's hand-over: the planned devices that did not answer too.
        if (!selected)
            devices = InPlanOrder(*plan_, devices, MissingFromPlan());
    }
    return FormatDevices(devices, style);
}

std::u16string CListPresenter::CopySnapshotCell(int column) const
{
    return ClipboardCell(column == COL_IP ? snapshot_.ip : snapshot_.mac);
}

DeviceUrl CListPresenter::SnapshotWebPage() const
{
    return DeviceWebPage(snapshot_.ip, snapshot_.port);
}

DeviceUrl CListPresenter::WebPage(int position) const
{
    const DeviceRow& row = At(position);
    return DeviceWebPage(row.cells[COL_IP], row.cells[COL_PORT]);
}

bool CListPresenter::Outside(int position) const
{
    return position >= 0 && position < Size() && At(position).heardOn.outsideLocalSubnets;
}

void CListPresenter::SetColumnMetrics(ColumnMetrics metrics)
{
    metrics_ = std::move(metrics);
    measured_.clear();
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
    for (int full = 0; full < rows_.Size(); ++full) {
        keys.push_back(AddressKey(rows_.At(full).latest[COL_IP]));
        ++counts[keys.back()];
    }
    sharing_.clear();
    for (const std::u16string& key : keys)
        sharing_.push_back(counts[key]);
}

void CListPresenter::MeasureAll()
{
    needed_ = metrics_.headings;
    for (int full = 0; full < rows_.Size(); ++full)
        Measure(full);
}

void CListPresenter::Measure(int full)
{
    if (!metrics_.textWidth)
        return;
    for (int column = 0; column < COL_COUNT; ++column) {
        int width = TextWidth(rows_.At(full), column) + metrics_.cellMargins;
        if (MarkAt(full, column) != CellMark::None)
            width += metrics_.markWidth;
        int& most = needed_[static_cast<std::size_t>(column)];
        most = std::max(most, width);
    }
}

int CListPresenter::TextWidth(const DeviceRow& row, int column)
{
    const std::u16string& cell = row.cells[static_cast<std::size_t>(column)];
    std::optional<MeasuredText>& measured = measured_[row.id][static_cast<std::size_t>(column)];
    if (!measured || measured->cell != cell)
        measured = MeasuredText{cell, metrics_.textWidth(VisibleText(cell))};
    return measured->width;
}
