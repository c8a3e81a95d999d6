// What the operator sees of the device list, decided once for every window: the rows and their
// order, the marks and tooltips, the right-clicked row's snapshot and the edit's outcome, the
// columns' widths and the status line. A window draws what it is told and hands its commands in.
#pragma once

#include "address_plan.h"
#include "column_fit.h"
#include "device_list_bridge.h"
#include "device_output.h"
#include "device_rows.h"
#include "device_url.h"
#include "plan_verdict.h"
#include "row_order.h"
#include "row_snapshot.h"
#include "text_format.h"

#include <array>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// One step of a change to the rows, at positions that hold when the steps before it are done.
struct ListStep {
    enum class Kind { Insert, Remove };
    Kind kind = Kind::Insert;
    int position = 0;
    // The rows inserted at position, in order; or the rows removed there, one after another.
    std::vector<RowId> ids;
};

// What a change did to the list, for the window to draw in one go.
struct ListChange {
    // A new search emptied the list: every row is new, in first-heard order; the selection and
    // the operator's column widths are gone.
    bool emptied = false;
    // The rows moved to a new order; a window keeps each selected row selected.
    bool reordered = false;
    // Rows inserted and removed, in order (never with emptied or reordered).
    std::vector<ListStep> steps;
    // Texts, marks or states of rows already shown may have changed.
    bool repaint = false;
    // Rows to add to the selection: after a search afresh, the rows selected before it, as their
    // devices come back.
    std::vector<RowId> select;
    // The widths the columns need changed: fit them again.
    bool columns = false;
    // A search could not open the reply port: tell the operator, once, after drawing the rest.
    bool portBusy = false;
    // A worker has ended.
    bool searchEnded = false;
};

// How a window measures its cells: the pixels a text takes, what a cell adds around its text
// (the mark of a marked cell comes on top), and each heading's width.
struct ColumnMetrics {
    std::function<int(const std::u16string&)> textWidth;
    int cellMargins = 0;
    int markWidth = 0;
    ColumnWidths headings{};
};

// What a cell's mark says: the IP cell's that its address is odd, the channel name's that the
// device now answers with other settings; with a plan open, the MAC cell's the row's verdict;
// else that an Edit changed the cell's text in the list alone.
enum class CellMark { None, OddAddress, Changed, AsPlanned, PlanDiffers, Edited, NotInPlan };

// What the choice beside the filter shows: every row, the rows in one state an installer works
// through, or those in any of them (NeedsWork). The plan's states need a plan open.
enum class RowState {
    All,
    NeedsWork,
    Changed,
    Silent,
    SharedAddress,
    Outside,
    Edited,
    PlanDiffers,
    NotInPlan,
};
constexpr int ROW_STATE_COUNT = static_cast<int>(RowState::NotInPlan) + 1;

// The string table's name of a state, as the choice lists it.
int RowStateTextId(RowState state);

class CListPresenter
{
public:
    // strings loads the string table's texts. firewallHint: when a search hears nothing at all,
    // the status line says that a firewall may drop the replies.
    explicit CListPresenter(StringLoader strings, bool firewallHint = false);

    // Positions are places among the rows shown: those the filter lets through, in order.
    int Size() const { return static_cast<int>(shown_.size()); }
    // How many rows there are, shown or not.
    int Total() const { return rows_.Size(); }
    // Devices this search heard that the full list could not take, and the replies it lost.
    int Unlisted() const { return unlisted_; }
    const ReplyLoss& Loss() const { return loss_; }
    const DeviceRow& At(int position) const { return rows_.At(Full(position)); }
    // The identities of the rows shown, in the list's order.
    std::vector<RowId> ShownIds() const;
    // The position of a row, or -1 when it is not shown.
    int PositionOf(RowId id) const;
    RowOrder Order() const { return order_; }

    // A cell's text as the list shows it: what the device sent, with nothing hidden.
    std::u16string CellText(int position, int column) const;
    // The cell's mark. The IP cell of a device outside every local subnet, or of one whose
    // address another listed device has too, as the devices report them now (an edit of the cells
    // hides neither); the channel name of a device whose latest reply differs from its row.
    CellMark Mark(int position, int column) const;
    bool Marked(int position, int column) const { return Mark(position, column) != CellMark::None; }
    // Whether the device's latest reply carries other texts than the row was listed with.
    bool Changed(int position) const { return ChangedAt(Full(position)); }
    // Whether an Edit gave the cell another text than the row was listed with.
    bool Edited(int position, int column) const { return EditedAt(Full(position), column); }
    // Whether the device has not answered for the last SILENT_CYCLES cycles.
    bool Silent(int position) const { return At(position).silent; }
    // The cell's tooltip lines: its whole text, where the device answered, what is odd about it.
    std::vector<std::u16string> ToolTip(int position, int column) const;
    // The row's verdict against the plan, as its device answers now; NotInPlan without a plan.
    PlanVerdict Verdict(int position) const { return VerdictAt(Full(position)); }
    // The status line: searching or stopped, and how many devices are listed.
    std::u16string StatusText(bool searching) const;
    // Whether the status line gives the firewall hint: a search has heard nothing at all.
    bool HearsNothing(bool searching) const;
    // The hint as the window words it from what it knows of the firewall, in place of the string
    // table's general one.
    void SetNothingHeardText(std::u16string text) { nothingHeardText_ = std::move(text); }

    // What the worker did; sorted rows go to their places.
    ListChange Apply(ListUpdate update);
    // A click on a column's heading: sorted by it, reversed, then first-heard order again.
    ListChange SortBy(int column);
    // Takes the device's latest texts into the row at a position, as an edit would: the row is
    // listed with them from now on.
    ListChange TakeLatest(int position);
    // The same for every changed row shown, at once.
    ListChange TakeAllLatest();
    // Before a search afresh: the next search keeps this order and the operator's column widths,
    // and selects the rows at these positions again as their devices answer.
    void KeepView(const std::vector<int>& selected);
    // Removes the row at a position; a position outside the list removes nothing.
    ListChange Remove(int position);
    // Shows only the rows whose texts contain filter (RowMatches); rows that come later are
    // filtered too. A row an edit changes stays shown until the filter changes.
    ListChange SetFilter(std::u16string filter);
    const std::u16string& Filter() const { return filter_; }
    // Shows only the rows in state, beside the filter; rows that come later are chosen too. A
    // row whose state changes stays shown until the choice changes.
    ListChange ShowState(RowState state);
    RowState ShownState() const { return state_; }

    // Checks the rows against plan from now on, in place of any plan before; name is the file's,
    // as the operator knows it.
    ListChange OpenPlan(CAddressPlan plan, std::u16string name);
    bool HasPlan() const { return plan_.has_value(); }
    // The open plan, or null.
    const CAddressPlan* Plan() const { return plan_ ? &*plan_ : nullptr; }
    // The open plan's file name, as the operator knows it.
    const std::u16string& PlanName() const { return planName_; }
    // The planned devices that have not answered in this search, in plan order; none without a
    // plan.
    std::vector<const PlannedDevice*> MissingFromPlan() const;

    // The right click on the row at a position takes its snapshot, which the Edit command works
    // on and the copy commands read.
    void TakeSnapshot(int position);
    RowSnapshot& Snapshot() { return snapshot_; }
    const RowSnapshot& Snapshot() const { return snapshot_; }
    // After the edit dialog, whatever its outcome: the snapshot goes back into its row, wherever
    // that row is now, and a sorted list is sorted again.
    ListChange WriteBackSnapshot();

    // The rows at positions for the clipboard, top to bottom, whatever order they are given in,
    // after the headings' line when asked for.
    std::u16string CopyRows(std::vector<int> positions, bool headings = false) const;
    // The rows shown, or those of them at the selected positions, as a file in format: CSV
    // starts with the byte order mark spreadsheet programs look for.
    std::string SaveText(OutputFormat format, std::optional<std::vector<int>> selected) const;
    // One text of the snapshot's row for the clipboard: its IP or its MAC.
    std::u16string CopySnapshotCell(int column) const;
    // The web page of the snapshot's texts.
    DeviceUrl SnapshotWebPage() const;
    DeviceUrl WebPage(int position) const;
    // Every row, shown or not, in the list's order.
    const DeviceRows& Rows() const { return rows_; }
    // The cards the latest search request was meant for; none until a search has sent one.
    const std::optional<std::vector<NetworkCard>>& Cards() const { return cards_; }
    // Whether the row at a position lies outside every subnet of this computer.
    bool Outside(int position) const;
    // How many listed devices, the row's own included, report the address of the row at a
    // position as they answer now.
    int SharingAddress(int position) const
    {
        return sharing_.at(static_cast<std::size_t>(Full(position)));
    }

    void SetColumnMetrics(ColumnMetrics metrics);
    // The operator dragged a column's border: the widths stay as they are until the next search.
    void KeepOperatorsColumnWidths() { operatorsWidths_ = true; }
    bool OperatorsColumnWidths() const { return operatorsWidths_; }
    // The columns' widths within available pixels: addresses whole, the texts the rest.
    ColumnWidths ColumnWidthsFor(int available);

private:
    // Positions top to bottom, each once, those outside the list left out.
    std::vector<int> TopToBottom(std::vector<int> positions) const;
    // The place among all rows of the row shown at a position.
    int Full(int position) const { return shown_.at(static_cast<std::size_t>(position)); }
    CellMark MarkAt(int full, int column) const;
    PlanVerdict VerdictAt(int full) const;
    // Judges the row against the plan, if one is open.
    void Judge(const DeviceRow& row);
    // The marks of every row, to tell whether any changed.
    std::vector<CellMark> Marks() const;
    bool ChangedAt(int full) const;
    bool EditedAt(int full, int column) const;
    bool InState(int full, RowState state) const;
    // Whether the filter and the state choice show the row.
    bool Shows(int full) const;
    // Shows again the rows the filter and the state choice let through.
    ListChange Refilter();
    // The row is listed with its device's latest texts from now on.
    static void TakeLatestInto(DeviceRow& row);
    // What the devices' latest replies and silences changed.
    void ApplyLiveness(const ListUpdate& update, ListChange& change);
    // After a row's cells changed: sorted again, measured again, drawn again.
    ListChange CellsEdited();
    // Shows the rows of ids again, at their places after a new order.
    void ShowAgain(std::vector<RowId> ids);
    // Counts again which rows share an address, after any change of rows or IP texts.
    void CountSharedAddresses();
    // What each column needs to show its heading and every text whole, of every row, shown or
    // not: the columns keep still while the operator types a filter.
    void MeasureAll();
    void Measure(int full);
    // The pixels of a row's text in a column: measured when the row has no width for that text
    // yet, else the width kept from before.
    int TextWidth(const DeviceRow& row, int column);

    StringLoader strings_;
    bool firewallHint_ = false;
    std::u16string nothingHeardText_;
    DeviceRows rows_;
    RowOrder order_;
    std::u16string filter_;
    RowState state_ = RowState::All;
    // The places among rows_ of the rows shown, in order.
    std::vector<int> shown_;
    RowSnapshot snapshot_;
    // None until a search has sent its first request.
    std::optional<std::vector<NetworkCard>> cards_;
    // How many rows share each row's address, by place among all rows.
    std::vector<int> sharing_;
    bool nothingHeard_ = false;
    bool requestsSent_ = true;
    int unlisted_ = 0;
    ReplyLoss loss_;
    // What a search afresh restores: the order, and the MAC texts of the rows to select again.
    std::optional<RowOrder> keptOrder_;
    bool keptWidths_ = false;
    std::set<std::u16string> reselect_;
    std::optional<CAddressPlan> plan_;
    std::u16string planName_;
    // Each row's verdict against the plan, judged when the row or its device's reply comes and
    // when a plan is opened, so that marks, tooltips and the status line only read it.
    std::unordered_map<RowId, PlanVerdict> verdicts_;
    // The MAC keys of the devices listed in this search, deleted rows' too: a device that
    // answered is not missing.
    std::set<std::string> heardKeys_;
    ColumnMetrics metrics_;
    // A cell's text and the pixels the window measured it at, as the list shows it.
    struct MeasuredText {
        std::u16string cell;
        int width = 0;
    };
    // Each row's measured texts, by column: a window's measure is slow, and a change of marks or
    // another row's address leaves the texts as they were.
    std::unordered_map<RowId, std::array<std::optional<MeasuredText>, COL_COUNT>> measured_;
    ColumnWidths needed_{};
    bool operatorsWidths_ = false;
};
