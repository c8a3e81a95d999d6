// Listed devices as text: a table to read, or tsv, csv or JSON lines for scripts and files, as
// quenlo-find prints them and the window saves them.
#pragma once

#include "device_rows.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

enum class OutputFormat { Table, Tsv, Csv, Json };

// A listed device, and when its first reply was listed, counted from the search's start, where
// that is known.
struct FoundDevice {
    DeviceRow row;
    std::optional<std::chrono::milliseconds> firstReply;
};

struct OutputStyle {
    OutputFormat format = OutputFormat::Tsv;
    // Each field's bytes in hex as well.
    bool raw = false;
    // A UTF-8 byte order mark first, for spreadsheet programs (csv).
    bool excel = false;
};

// The cards a search's latest request was meant for, in columns: each one's name, addresses,
// whether the request went out through it, and how many of the devices answered on it. UTF-8.
std::string FormatCards(const std::vector<NetworkCard>& cards,
                        const std::vector<FoundDevice>& devices);

// Every device in the order given, UTF-8. Device texts are the cells' texts without their
// trailing blank.
std::string FormatDevices(const std::vector<FoundDevice>& devices, const OutputStyle& style);
