// Listed devices as text: a table to read, or tsv, csv or JSON lines for scripts and files, as
// quenlo-find prints them and the window saves them.
#pragma once

#include "device_rows.h"
#include "local_time.h"
#include "plan_verdict.h"
#include "reply_loss.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

enum class OutputFormat { Table, Tsv, Csv, Json };

// A listed device, and when its first reply was listed, counted from the search's start, where
// that is known.
struct FoundDevice {
    DeviceRow row;
    std::optional<std::chrono::milliseconds> firstReply;
    // Its verdict, when it is checked against a plan.
    std::optional<PlanVerdict> plan;
    // The texts a list shows for it, where they are not its cells (an older reply, an edit).
    std::optional<RowCells> listed;
    // When its first reply was listed, by the wall clock, where that is known.
    std::optional<LocalTime> firstHeard;
};

// What a search saw happen to a device, as it happened. Start: a search begins, so the devices
// after it are new to this search, not to the site.
struct SearchEvent {
    enum class Kind { Start, New, Changed, Silent, Back, Full, Lost };
    Kind kind = Kind::New;
    // The device; its cells and where it was heard as its latest reply carried them.
    FoundDevice device;
    // Changed: the texts it answered with before.
    RowCells before;
    // Silent: when it last answered, counted from the search's start.
    std::chrono::milliseconds lastReply{0};
    // Full: how many devices answered that the full list could not take; above
    // MAX_UNLISTED_COUNTED, more than that many.
    int unlisted = 0;
    // Full: whether replies were lost, so that more devices may have answered. Lost: the replies
    // lost in this search so far, as the system counted them.
    ReplyLoss loss;
    // When it was decided, by the wall clock.
    LocalTime time;
};

struct OutputStyle {
    OutputFormat format = OutputFormat::Tsv;
    // Each field's bytes in hex as well.
    bool raw = false;
    // A UTF-8 byte order mark first, for spreadsheet programs (csv).
    bool excel = false;
    // The names of the plan's own columns (CAddressPlan::ExtraColumns), whose texts follow the
    // verdict's when the devices are checked against it.
    std::vector<std::u16string> planColumns;
};

// Lines of texts in columns aligned by the width each text takes on a terminal, two blanks
// apart; the first line says how many columns there are.
std::string AlignedColumns(const std::vector<std::vector<std::string>>& lines);

// Every device in the order given, UTF-8. Device texts are the cells' texts without their
// trailing blank. When devices carry verdicts, three columns follow the texts (and the hex):
// plan (the verdict's name), plan_line (the plan's line, empty for not-in-plan) and
// plan_differences ("ip 10.0.0.5 -> 10.0.0.9; port 80 -> 8000", planned before heard), then the
// plan's own columns under the names it gives them (style.planColumns). When any device has
// listed texts, a column listed follows with each field whose listed text differs
// ("ip 192.168.1.64; chn 新设备"); in JSON a "listed" member with every field. In JSON a "plan" member
// {"verdict","line","differences":[{"field","planned","heard"}]}, with "columns" {name: text or
// null} for a planned device when the plan has columns of its own. A missing
// device has the plan's texts, the version and the hex empty; in JSON its device members are
// null and the plan's texts are under "plan"."planned".
std::string FormatDevices(const std::vector<FoundDevice>& devices, const OutputStyle& style);

// Devices judged against a plan, in its order: every planned device in plan order, as the
// devices judged to be it (in the order given), or else as missing when it is among missing;
// then every device that is not in the plan, in the order given.
std::vector<FoundDevice> InPlanOrder(const CAddressPlan& plan,
                                     const std::vector<FoundDevice>& judged,
                                     const std::vector<const PlannedDevice*>& missing);

// The devices of a plan's report, each with its verdict on its cells: every planned device in
// plan order, as the devices with its MAC answered (in the order given) or else as missing, then
// every device given that is not in the plan, in the order given.
std::vector<FoundDevice> PlanReport(const CAddressPlan& plan,
                                    const std::vector<FoundDevice>& devices);

// What --watch writes before its first event: the heading line of csv, nothing otherwise.
std::string FormatEventHeading(const OutputStyle& style);
// One event as one line: its time (Rfc3339Text), its name ("start", "new", "changed", "silent",
// "back", "full", "lost"), then the device as its latest reply carried it; a table is written as
// tsv is, since later lines cannot be aligned with earlier ones. In JSON the time is "time", a
// changed device's earlier texts are under "listed", and a full event's count beyond the exact
// ones is MAX_UNLISTED_COUNTED with "more": true.
std::string FormatEvent(const SearchEvent& event, const OutputStyle& style);

// The count of devices a full list could not take, as the programs' texts say it: "45", or
// "more than 10000" beyond the exact counts.
std::string UnlistedText(int unlisted, bool repliesLost = false);

// UTF-16 text as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);

// The name quenlo-find gives a column: chn, version, ip, port, gateway, mac.
const char* FieldName(int column);

// The name of an event's kind.
const char* EventName(SearchEvent::Kind kind);
