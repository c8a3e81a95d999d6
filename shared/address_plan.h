// An address plan: the devices a site should have, each by its MAC, with the channel name, IP
// address, port and gateway it should answer with, as the installers' spreadsheet lists them.
// Read from a CSV file, and checked against what the devices answer; nothing is sent to any
// device and the file is only read.
#pragma once

#include "device_rows.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The columns a plan may set besides the MAC, which is each device's key.
constexpr std::array<int, 4> PLAN_COLUMNS = {COL_CHN, COL_IP, COL_PORT, COL_GATEWAY};

// The largest plan file read: far more than any site's spreadsheet, and little to hold.
constexpr std::size_t MAX_PLAN_BYTES = 16 * 1024 * 1024;

// The most devices a plan may plan: far more than any site has. A file of MAC texts alone could
// plan nearly a million, each held in some 350 bytes, 20 times its line, and the list's status
// line goes through every planned device whenever the list changes.
constexpr std::size_t MAX_PLANNED_DEVICES = 65536;

// The fields of a line that are kept, as many as an old spreadsheet's columns; the fields after
// them are counted, not kept, so that a line of millions of separators costs nothing to hold. A
// heading's columns past them are ignored like unknown ones.
constexpr std::size_t MAX_PLAN_FIELDS = 256;

// The plan's own columns carried beside the known ones (区域, 安装位置, 备注: where the installer
// walks to), in the heading's order; later ones are ignored like columns with no name. Each costs
// every planned device a text.
constexpr std::size_t MAX_EXTRA_PLAN_COLUMNS = 8;

// The skipped lines whose problems are kept, in file order; the others are only counted. Nobody
// reads more than this many, and a file of millions of bad lines must not cost a problem each.
constexpr std::size_t KEPT_PLAN_PROBLEMS = 100;

// The longest text at fault a problem keeps, in UTF-16 units, "…" included.
constexpr std::size_t PLAN_PROBLEM_TEXT = 40;

// A MAC text as a key: its twelve hex digits in lowercase, written with '-', with ':' or with no
// separator, in either case, blanks around it ignored; none for any other text.
std::optional<std::string> MacKey(std::u16string_view text);

struct PlannedDevice {
    // Where it is planned: the file's line, counted from 1.
    int line = 0;
    std::string macKey;
    // The texts as the plan writes them, by column: the MAC, and each of PLAN_COLUMNS the plan
    // gives; an empty one is not checked.
    RowCells texts;
    // The texts of the plan's own columns (CAddressPlan::ExtraColumns), in their order, blanks
    // around them aside; none after the last that holds a text.
    std::vector<std::u16string> extra;
};

// Why a line of the plan is skipped.
enum class PlanFault {
    UnclosedQuote,  // a quoted field runs to the end of the file
    TextAfterQuote, // something other than a separator follows a quoted field's closing quote
    FieldCount,     // more fields than the heading names, or fewer
    NoMac,
    BadMac,
    BadIp,
    BadPort,
    BadGateway,
    RepeatedMac,    // an earlier line plans the same MAC
};

struct PlanProblem {
    int line = 0;
    PlanFault fault = PlanFault::NoMac;
    // The text at fault, cut to PLAN_PROBLEM_TEXT with "…" at its end when longer; FieldCount:
    // the number of fields.
    std::u16string text;
    // RepeatedMac: the line that planned the MAC first. FieldCount: how many the heading names.
    int other = 0;
};

// Why a file is no plan at all.
enum class PlanError { None, TooLarge, NoHeading, NoMacColumn, RepeatedColumn, TooManyDevices };

class CAddressPlan
{
public:
    const std::vector<PlannedDevice>& Devices() const { return devices_; }
    // The planned device with that key, or null.
    const PlannedDevice* Find(const std::string& macKey) const;

    // Adds a device whose key no other device has.
    void Add(PlannedDevice device);

    // The names the heading gives the plan's own columns, which no known column takes.
    const std::vector<std::u16string>& ExtraColumns() const { return extraColumns_; }
    void SetExtraColumns(std::vector<std::u16string> names) { extraColumns_ = std::move(names); }

private:
    std::vector<std::u16string> extraColumns_;
    std::vector<PlannedDevice> devices_;
    std::unordered_map<std::string, std::size_t> byKey_;
};

struct PlanReading {
    PlanError error = PlanError::None;
    // RepeatedColumn: the heading named twice, cut as a problem's text is.
    std::u16string heading;
    CAddressPlan plan;
    // The first KEPT_PLAN_PROBLEMS lines skipped, in file order, and how many were skipped in all.
    std::vector<PlanProblem> problems;
    std::size_t skipped = 0;
};

// Reads a plan file's bytes: UTF-8 with or without its byte order mark, UTF-16 with its byte order
// mark, or else GBK; fields separated by commas, semicolons or tabs, whichever the heading holds
// most of, and quoted as spreadsheets quote them. The first line that is not empty is the heading;
// its names, in English or Chinese, pick the MAC column and any of the channel name, IP, port and
// gateway columns; the first MAX_EXTRA_PLAN_COLUMNS other columns with a name are carried along. Each later line that is not empty plans one
// device, or is skipped with the reason; nothing in a line is guessed at.
PlanReading ReadAddressPlan(std::string_view bytes);
